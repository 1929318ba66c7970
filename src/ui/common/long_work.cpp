#include "ui/common/long_work.h"

#include "ui/common/window_state.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace qp::ui {

namespace {

// Anything that may last past this shows its progress.
constexpr int kShowProgressMs = 200;
constexpr int kProgressTickMs = 50;

// The workers still running, so a program or a test can wait for them.
struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};
Running& running() {
    static Running r;
    return r;
}

} // namespace

WorkEnd long_work_run(QWidget* window, const QString& label, const QString& cancel_text,
                      const std::shared_ptr<WorkState>& state, std::function<void()> work,
                      bool cancellable) {
    const QPointer<QWidget> focused = Window_Disable(window);
    QApplication::setOverrideCursor(Qt::BusyCursor);

    QEventLoop loop;
    const QPointer<QEventLoop> waiting(&loop);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    {
        const std::lock_guard lock(running().mutex);
        ++running().count;
    }
    std::thread([work = std::move(work), finished, waiting] {
        work();
        finished->store(true);
        // The end comes back to the window thread as a queued call.
        QMetaObject::invokeMethod(
            qApp,
            [waiting] {
                if (waiting)
                    waiting->quit();
            },
            Qt::QueuedConnection);
        const std::lock_guard lock(running().mutex);
        --running().count;
        running().ended.notify_all();
    }).detach();

    QProgressDialog progress(label, cancellable ? cancel_text : QString(), 0, 0, window);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kShowProgressMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setEnabled(true); // a child of the disabled window starts disabled too
    if (!cancellable)
        progress.setCancelButton(nullptr);
    progress.setValue(0); // starts the wait before the window shows
    bool cancelled = false;
    // Work that uses the caller's data is waited for, even when the window is closed by Escape.
    if (cancellable)
        QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
            cancelled = true;
            state->cancel.store(true);
            loop.quit();
        });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &progress, [&] {
        const int total = state->total.load();
        if (total > 0 && progress.maximum() != total)
            progress.setMaximum(total);
        if (total > 0)
            progress.setValue(std::min(state->done.load(), total));
    });
    tick.start(kProgressTickMs);
    if (!finished->load())
        loop.exec();
    tick.stop();

    QApplication::restoreOverrideCursor();
    Window_Enable(focused, window);
    return cancelled && !finished->load() ? WorkEnd::Cancelled : WorkEnd::Done;
}

bool long_work_wait_all(int timeout_ms) {
    std::unique_lock lock(running().mutex);
    return running().ended.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                    [] { return running().count == 0; });
}

} // namespace qp::ui
