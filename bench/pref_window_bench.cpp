// The preferences window: from the command to the filled, shown window (the language list read
// from disk, the 21 shortcuts and 100 keys listed), and the reinstall of every shortcut on OK.
#include "ui/context/app_context.h"
#include "ui/dialogs/pref_window.h"
#include "ui/shell/main_window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

using namespace qp;
using namespace qp::ui;

struct Shell {
    std::string folder = (std::filesystem::temp_directory_path() / "qp-pref-bench/").string();
    AppContext ctx{Paths(folder, folder, "/opt/", "")};
    std::unique_ptr<MainWindow> window;

    Shell() {
        ctx.lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select("english");
        pref_register_all(ctx.prefs);
        window = std::make_unique<MainWindow>(ctx);
        window->show();
        QApplication::processEvents();
    }
};

void BM_PrefWindowFilledAndShown(benchmark::State& state) {
    Shell shell;
    for (auto _ : state) {
        auto window = std::make_unique<PrefWindow>(*shell.window, FontChooser{});
        window->PrefWindow_Fill();
        window->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window->isVisible());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PrefWindowFilledAndShown)->Unit(benchmark::kMillisecond);

void BM_MainShortcutsReinstalled(benchmark::State& state) {
    Shell shell;
    for (auto _ : state) {
        shell.window->Main_RemoveShortcuts();
        shell.window->Main_ApplyShortcuts();
    }
}
BENCHMARK(BM_MainShortcutsReinstalled)->Unit(benchmark::kMicrosecond);

} // namespace
