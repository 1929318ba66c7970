// The check window on a long feed: built, shown and laid out with one finding per episode, each
// line wrapped to its whole text. The language file's texts are the ones the user reads.
#include "core/language.h"
#include "ui/dialogs/check_window.h"

#include <QApplication>
#include <QListWidget>

#include <benchmark/benchmark.h>

namespace {

using namespace qp;
using namespace qp::ui;

void BM_CheckWindow_ShowFindings(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    LangTable lang({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    lang.Lang_Select("english");
    Doc doc;
    std::vector<CheckFinding> findings{{CheckLevel::Error, -1, "Check.ITunesOff", {}}};
    for (int i = 0; i < count; ++i) {
        Feed feed;
        feed.FeedTitle = "Episode number " + std::to_string(i) + " with a guest";
        doc.Feeds.push_back(std::move(feed));
        findings.push_back(
            {i % 2 == 0 ? CheckLevel::Warning : CheckLevel::Error, i, "Check.NoExplicit", {}});
    }
    for (auto _ : state) {
        CheckWindow window(nullptr, doc, findings, lang, CheckMode::BeforePublish);
        window.show();
        QApplication::processEvents();
        while (window.filling())
            QApplication::processEvents();
        // The last line's place needs every line above it laid out.
        benchmark::DoNotOptimize(
            window.list()->visualItemRect(window.list()->item(count)).bottom());
    }
    state.SetItemsProcessed(state.iterations() * (count + 1));
}
BENCHMARK(BM_CheckWindow_ShowFindings)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

} // namespace
