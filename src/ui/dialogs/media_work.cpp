#include "ui/dialogs/media_work.h"

#include "ui/common/long_work.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"

#include <QProgressDialog>

namespace qp::ui {

std::unique_ptr<QProgressDialog> media_wait_create(AppContext& ctx, QWidget* parent, int total) {
    auto wait = std::make_unique<QProgressDialog>(to_q(ctx.lang.get("Media.Progress")),
                                                  to_q(ctx.lang.get("RequestButton.Cancel")), 0,
                                                  total, parent);
    wait->setWindowTitle(to_q(ctx.lang.get("Menu\\Feed.RefreshMedia")).remove('&'));
    return wait;
}

bool media_work_run(AppContext& ctx, QWidget* window, int count,
                    std::function<void(int index, const std::atomic<bool>* cancel)> read) {
    auto state = std::make_shared<WorkState>();
    state->total = count;
    // Stopping is looked at between files, and by the reader inside a file.
    const auto work = [state, count, read = std::move(read)] {
        for (int i = 0; i < count && !state->cancel.load(); ++i) {
            read(i, &state->cancel);
            state->done = i + 1;
        }
    };
    return long_work_run(window, to_q(ctx.lang.get("Media.Progress")),
                         to_q(ctx.lang.get("RequestButton.Cancel")), state, work,
                         true) == WorkEnd::Done &&
           !state->cancel.load();
}

bool media_read_off_thread(AppContext& ctx, QWidget* window, const std::string& path,
                           MediaInfo& info) {
    auto read = std::make_shared<MediaInfo>();
    if (!media_work_run(ctx, window, 1, [read, path](int, const std::atomic<bool>* cancel) {
            *read = media_read(path, cancel);
        }))
        return false;
    info = *read;
    return true;
}

} // namespace qp::ui
