// Whether the window keeps answering during long work on 50,000 episodes: a timer on the window
// thread ticks as a window manager's pings would, and the longest pause between two ticks is
// reported (counter pause_ms) beside the command's own time. Also the undo of a delete as the
// user meets it, with the list refilled.
#include "bench_doc.h"
#include "core/command_ids.h"
#include "core/project_file.h"
#include "silent_seams.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/check_window.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"
#include "ui/shell/rss_command.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

using namespace qp;
using namespace qp::ui;

bench::NoRequester no_requester;
bench::NoFiles no_files;

struct ShownDocument {
    std::string folder = (std::filesystem::temp_directory_path() / "qp-responsive-bench/").string();
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<MainWindow> window;
    Doc* doc = nullptr;

    explicit ShownDocument(int feeds) {
        std::filesystem::create_directories(folder);
        ctx = std::make_unique<AppContext>(Paths(folder, folder, "/opt/", ""));
        ctx->requester = &no_requester;
        ctx->files = &no_files;
        ctx->lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        (void)ctx->lang.Lang_Select("english");
        pref_register_all(ctx->prefs);
        window = std::make_unique<MainWindow>(*ctx);
        window->resize(1000, 700);
        window->show();
        Doc made = bench::make_bench_doc(feeds);
        made.FileName = folder + "big.qprj";
        doc = ctx->docs.add(std::move(made));
        window->Doc_CreateGadgets(*doc);
        window->update_all();
        QApplication::processEvents();
    }
};

// Runs command with the window pinged every 5 ms; windows it opens are closed at once.
double longest_pause_ms(const std::function<void()>& command) {
    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer ping;
    QObject::connect(&ping, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.restart());
        // The check window is closed once its whole list is there, so its filling counts.
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (auto* check = qobject_cast<CheckWindow*>(modal); check != nullptr && check->filling())
            return;
        if (modal != nullptr)
            modal->reject();
    });
    ping.start(5);
    gap.start();
    command();
    longest = std::max(longest, gap.elapsed());
    return static_cast<double>(longest);
}

void report(benchmark::State& state, double worst) {
    state.counters["pause_ms"] = benchmark::Counter(worst, benchmark::Counter::kAvgIterations);
}

void BM_Pause_Save_50000Feeds(benchmark::State& state) {
    ShownDocument shown(50000);
    double pause = 0;
    for (auto _ : state)
        pause += longest_pause_ms([&] { shown.window->documents().Document_Save(false); });
    report(state, pause);
}
BENCHMARK(BM_Pause_Save_50000Feeds)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Pause_RssCreate_50000Feeds(benchmark::State& state) {
    ShownDocument shown(50000);
    double pause = 0;
    for (auto _ : state)
        pause += longest_pause_ms([&] { shown.window->Main_MenuEvent(kCmdRssCreate); });
    report(state, pause);
}
BENCHMARK(BM_Pause_RssCreate_50000Feeds)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Pause_Check_50000Feeds(benchmark::State& state) {
    ShownDocument shown(50000);
    double pause = 0;
    for (auto _ : state)
        pause += longest_pause_ms([&] { shown.window->Main_MenuEvent(kCmdRssCheck); });
    report(state, pause);
}
BENCHMARK(BM_Pause_Check_50000Feeds)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opening a project as at start-up: read from disk, then the list of its episodes filled.
void BM_Pause_Open_50000Feeds(benchmark::State& state) {
    ShownDocument shown(0);
    const std::string path = shown.folder + "open.qprj";
    Doc made = bench::make_bench_doc(50000);
    if (!SaveDoc(made, path, shown.ctx->log).saved()) {
        state.SkipWithError("the project could not be saved");
        return;
    }
    double pause = 0;
    for (auto _ : state) {
        pause += longest_pause_ms([&] { shown.window->documents().Document_Open(path); });
        state.PauseTiming();
        // The list shows every episode before the pause counts as measured.
        const Workspace* opened = shown.window->workspace(shown.ctx->docs.current());
        if (opened == nullptr || opened->list->topLevelItemCount() != 50000) {
            state.SkipWithError("the project was not opened");
            break;
        }
        shown.window->documents().Document_Close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    report(state, pause);
}
BENCHMARK(BM_Pause_Open_50000Feeds)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoDeleteInTheWindow_10000Feeds(benchmark::State& state) {
    ShownDocument shown(10000);
    Workspace* w = shown.window->workspace(shown.doc);
    for (auto _ : state) {
        state.PauseTiming();
        w->list->setCurrentItem(w->list->topLevelItem(5000));
        shown.window->Main_MenuEvent(kCmdFeedDel);
        QApplication::processEvents();
        state.ResumeTiming();
        shown.window->Main_MenuEvent(kCmdDocUndo);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_UndoDeleteInTheWindow_10000Feeds)->Unit(benchmark::kMillisecond);

} // namespace
