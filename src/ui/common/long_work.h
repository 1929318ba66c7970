// Long work off the window thread: the window keeps repainting and answering while a worker
// saves, builds, checks or reads media files. The window is disabled meanwhile, so no command
// can change what the worker reads; the cursor shows it is busy, and a progress window with the
// count done appears once the work passes 200 ms.
#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QWidget;

namespace qp::ui {

// What the worker and the window share: the counts shown, and the window's request to stop.
struct WorkState {
    std::atomic<int> done{0};
    std::atomic<int> total{0}; // 0: no count, the progress window only shows that work goes on
    std::atomic<bool> cancel{false};
};

enum class WorkEnd { Done, Cancelled };

// Runs work on a worker thread and returns when it has ended. With cancellable, the progress
// window has a Cancel button that sets the state's cancel and returns at once, without waiting
// for the worker: such work must own everything it touches (shared state, copies), and ends on
// its own. Work that is not cancellable may use the caller's data, which stays untouched by the
// window until the call returns.
WorkEnd long_work_run(QWidget* window, const QString& label, const QString& cancel_text,
                      const std::shared_ptr<WorkState>& state, std::function<void()> work,
                      bool cancellable);

// Waits until every worker started above has ended (a closing program and tests use it); false
// when some still runs after timeout_ms.
bool long_work_wait_all(int timeout_ms);

} // namespace qp::ui
