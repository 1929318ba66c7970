#include "ui/dialogs/media_work.h"

#include "ui/common/long_work.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"

#include <QProgressDialog>

namespace qp::ui {

std::unique_ptr<QProgressDialog> MediaWait_Create(AppContext& ctx, QWidget* parent, int total) {
    auto wait = std::make_unique<QProgressDialog>(toQ(ctx.lang.get("Media.Progress")),
                                                  toQ(ctx.lang.get("RequestButton.Cancel")), 0,
                                                  total, parent);
    wait->setWindowTitle(toQ(ctx.lang.get("Menu\\Feed.RefreshMedia")).remove('&'));
    return wait;
}

bool MediaWork_Run(AppContext& ctx, QWidget* window, int count,
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
    return LongWork_Run(window, toQ(ctx.lang.get("Media.Progress")),
                        toQ(ctx.lang.get("RequestButton.Cancel")), state, work,
                        true) == WorkEnd::Done &&
           !state->cancel.load();
}

bool Media_ReadOffThread(AppContext& ctx, QWidget* window, const std::string& path,
                         MediaInfo& info) {
    auto read = std::make_shared<MediaInfo>();
    if (!MediaWork_Run(ctx, window, 1, [read, path](int, const std::atomic<bool>* cancel) {
            *read = Media_Read(path, cancel);
        }))
        return false;
    info = *read;
    return true;
}

} // namespace qp::ui
