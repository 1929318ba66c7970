// The desktop program's window work: start-up to the first shown window against a bare Qt
// window, the feed list refill and document switch on 10,000 feeds, and the status refresh.
#include "bench_doc.h"
#include "core/project_file.h"
#include "silent_seams.h"
#include "ui/app/startup.h"
#include "ui/context/app_context.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"

#include <QApplication>
#include <QMainWindow>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using namespace qp;
using namespace qp::ui;

bench::NoRequester no_requester;
bench::NoFiles no_files;

std::string folder_with_five_projects() {
    static std::string folder;
    if (!folder.empty())
        return folder;
    folder = (std::filesystem::temp_directory_path() / "qp-window-bench/").string();
    std::filesystem::create_directories(folder);
    std::ofstream last(folder + "Quillpost-Last.ini", std::ios::binary);
    const Doc doc = bench::make_bench_doc(200);
    for (int n = 0; n < 5; ++n) {
        const std::string name = "project" + std::to_string(n) + ".qprj";
        if (!WriteProject(doc, folder + name))
            std::abort();
        last << "LastDoc" << n << "=%MainApp%" << name << "\r\n";
    }
    return folder;
}

std::unique_ptr<AppContext> make_context(const std::string& folder) {
    auto ctx = std::make_unique<AppContext>(Paths(folder, folder, "/opt/", ""));
    ctx->requester = &no_requester;
    ctx->files = &no_files;
    return ctx;
}

void BM_StartupToShownWindow_FiveDocsOf200Feeds(benchmark::State& state) {
    const std::string folder = folder_with_five_projects();
    const std::string data = std::string(QP_SOURCE_DIR) + "/data";
    for (auto _ : state) {
        auto ctx = make_context(folder);
        startup_prepare(*ctx, data);
        auto window = std::make_unique<MainWindow>(*ctx);
        window->placement_restore();
        window->show();
        startup_open_documents(*ctx, *window);
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->isVisible());
        state.PauseTiming();
        window.reset();
        ctx.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToShownWindow_FiveDocsOf200Feeds)->Unit(benchmark::kMillisecond);

void BM_BareQtWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        auto window = std::make_unique<QMainWindow>();
        window->resize(600, 400);
        window->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->isVisible());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BareQtWindowShown)->Unit(benchmark::kMillisecond);

// A shown window with documents of 10,000 feeds added straight to the list.
struct BigWindow {
    std::unique_ptr<AppContext> ctx =
        make_context((std::filesystem::temp_directory_path() / "qp-window-bench/").string());
    std::unique_ptr<MainWindow> window;

    explicit BigWindow(int documents) {
        ctx->lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        (void)ctx->lang.Lang_Select("english");
        pref_register_all(ctx->prefs);
        window = std::make_unique<MainWindow>(*ctx);
        window->resize(1000, 700);
        window->show();
        for (int n = 0; n < documents; ++n) {
            Doc* doc = ctx->docs.add(bench::make_bench_doc(10000));
            window->Doc_CreateGadgets(*doc);
            window->update_all();
        }
        QApplication::processEvents();
    }
};

void BM_ActualizeTree_10000Feeds(benchmark::State& state) {
    BigWindow big(1);
    for (auto _ : state) {
        big.window->update_feed_row(5000);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ActualizeTree_10000Feeds)->Unit(benchmark::kMillisecond);

void BM_DocumentSwitch_10000Feeds(benchmark::State& state) {
    BigWindow big(2);
    for (auto _ : state) {
        big.window->documents().SelectDoc(1, -1);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DocumentSwitch_10000Feeds)->Unit(benchmark::kMillisecond);

void BM_StatusRefresh_10000Feeds(benchmark::State& state) {
    BigWindow big(1);
    for (auto _ : state)
        big.window->update_status_bar();
}
BENCHMARK(BM_StatusRefresh_10000Feeds)->Unit(benchmark::kMicrosecond);

} // namespace
