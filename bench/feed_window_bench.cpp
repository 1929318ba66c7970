// The feed window and the feed sort on 10,000 feeds: the window fills its combo boxes from every
// feed when it opens, and the sort reorders the whole list and refills the window's list.
#include "bench_doc.h"
#include "core/feed_list.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/feed_window.h"
#include "ui/shell/feed_commands.h"
#include "ui/shell/main_window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

using namespace qp;
using namespace qp::ui;

std::unique_ptr<AppContext> make_context() {
    const std::string folder = std::filesystem::temp_directory_path().string() + "/";
    auto ctx = std::make_unique<AppContext>(Paths(folder, folder, "/opt/", ""));
    ctx->lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    (void)ctx->lang.Lang_Select("english");
    return ctx;
}

void BM_FeedWindowOpen_10000Feeds(benchmark::State& state) {
    auto ctx = make_context();
    Doc doc = bench::make_bench_doc(10000);
    doc.CurrentFeed = 5000;
    const auto mode = state.range(0) == 0 ? FeedWindowMode::Edit : FeedWindowMode::New;
    for (auto _ : state) {
        FeedWindow window(*ctx, doc, mode, nullptr);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_FeedWindowOpen_10000Feeds)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SortByDate_10000Feeds(benchmark::State& state) {
    Doc doc = bench::make_bench_doc(10000);
    SortOrder order = SortOrder::Ascending;
    for (auto _ : state) {
        benchmark::DoNotOptimize(feed_sort_by_date(doc, order));
        order = order == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    }
}
BENCHMARK(BM_SortByDate_10000Feeds)->Unit(benchmark::kMillisecond);

// The command as the user runs it: the sort, then the list refilled and the first row shown.
void BM_FeedSortCommand_10000Feeds(benchmark::State& state) {
    auto ctx = make_context();
    MainWindow window(*ctx);
    window.resize(1000, 700);
    window.show();
    Doc* doc = ctx->docs.add(bench::make_bench_doc(10000));
    window.Doc_CreateGadgets(*doc);
    window.update_all();
    QApplication::processEvents();
    SortOrder order = SortOrder::Ascending;
    for (auto _ : state) {
        Feed_Sort(window, order);
        QApplication::processEvents();
        order = order == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    }
}
BENCHMARK(BM_FeedSortCommand_10000Feeds)->Unit(benchmark::kMillisecond);

} // namespace
