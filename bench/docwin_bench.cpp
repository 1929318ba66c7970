// The document window: building its five pages and loading a channel, and storing the channel
// back, against a bare dialog with as many line edits.
#include "core/language.h"
#include "core/project_file.h"
#include "ui/dialogs/doc_window.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace qp;
using namespace qp::ui;

Doc example_doc() {
    Doc doc;
    DocDefaults(doc);
    if (!ReadProject(doc, std::string(QP_SOURCE_DIR) + "/examples/podcast.qprj"))
        std::abort();
    return doc;
}

LangTable& french() {
    static LangTable lang({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    [[maybe_unused]] static const std::string selected = lang.Lang_Select("français");
    return lang;
}

void BM_DocWindow_BuildAndLoad(benchmark::State& state) {
    const Doc doc = example_doc();
    for (auto _ : state) {
        DocWindow window(nullptr, french(), doc);
        benchmark::DoNotOptimize(window.panel());
    }
}
BENCHMARK(BM_DocWindow_BuildAndLoad)->Unit(benchmark::kMicrosecond);

void BM_DocWindow_Store(benchmark::State& state) {
    const Doc doc = example_doc();
    DocWindow window(nullptr, french(), doc);
    Doc stored = doc;
    for (auto _ : state) {
        window.store(stored);
        benchmark::DoNotOptimize(stored.Desc.data());
    }
}
BENCHMARK(BM_DocWindow_Store)->Unit(benchmark::kMicrosecond);

void BM_BareDialogOf30LineEdits(benchmark::State& state) {
    for (auto _ : state) {
        QDialog dialog;
        for (int i = 0; i < 30; ++i)
            (new QLineEdit(&dialog))->setText("text");
        benchmark::DoNotOptimize(dialog.children().size());
    }
}
BENCHMARK(BM_BareDialogOf30LineEdits)->Unit(benchmark::kMicrosecond);

} // namespace
