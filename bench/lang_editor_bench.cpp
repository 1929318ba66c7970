// The language editor: opening it on the shipped English table, and a search for a missing text
// that has to walk a table of several thousand entries.
#include "ui/context/app_context.h"
#include "ui/dialogs/lang_editor.h"

#include <QApplication>
#include <QListWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

using namespace qp;
using namespace qp::ui;

void BM_LangEditor_OpenShippedEnglish(benchmark::State& state) {
    AppContext ctx(Paths("/tmp/", "/tmp/", "/opt/", ""));
    ctx.lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    ctx.lang.Lang_Select("english");
    for (auto _ : state) {
        LangEditor editor(ctx, "english", nullptr);
        benchmark::DoNotOptimize(editor.list()->count());
    }
    state.counters["entries"] = static_cast<double>(ctx.lang.entries().size());
}
BENCHMARK(BM_LangEditor_OpenShippedEnglish)->Unit(benchmark::kMillisecond);

// Every entry holds a text but the last, so each search walks the whole list.
void BM_LangEditor_NextMissing(benchmark::State& state) {
    AppContext ctx(Paths("/tmp/", "/tmp/", "/opt/", ""));
    const auto entries = static_cast<int>(state.range(0));
    std::string file;
    for (int i = 0; i < entries; ++i)
        file += "Key." + std::to_string(100000 + i) + (i + 1 < entries ? "=text\r\n" : "=\r\n");
    if (!ctx.lang.read_entries(file))
        std::abort();
    LangEditor editor(ctx, "bench", nullptr);
    for (auto _ : state) {
        editor.list()->setCurrentRow(0);
        editor.LangEdit_FindEmpty(1);
    }
    // The editor's own keys join the table without texts, but they sort after these.
    if (editor.list()->currentRow() != entries - 1)
        std::abort();
}
BENCHMARK(BM_LangEditor_NextMissing)->Arg(5000)->Unit(benchmark::kMicrosecond);

} // namespace
