#include "ui/shell/media_commands.h"

#include "media/media.h"
#include "ui/app/app_context.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/shell/main_window.h"

#include <QElapsedTimer>
#include <QProgressDialog>

namespace qp::ui {

namespace {

// The wait window shows only for work that lasts, and is redrawn (events handled, Cancel
// looked at) this often, not once per episode.
constexpr int kShowDelayMs = 500;
constexpr qint64 kRedrawMs = 50;

} // namespace

std::unique_ptr<QProgressDialog> MediaWait_Create(AppContext& ctx, QWidget* parent, int total) {
    auto wait = std::make_unique<QProgressDialog>(toQ(ctx.lang.get("Media.Progress")),
                                                  toQ(ctx.lang.get("RequestButton.Cancel")), 0,
                                                  total, parent);
    wait->setWindowTitle(toQ(ctx.lang.get("Menu\\Feed.RefreshMedia")).remove('&'));
    wait->setWindowModality(Qt::ApplicationModal);
    wait->setMinimumDuration(kShowDelayMs);
    wait->setAutoClose(false);
    wait->setAutoReset(false);
    wait->setEnabled(true); // a child of the disabled window starts disabled too
    return wait;
}

void Feed_RefreshMedia(MainWindow& window) {
    AppContext& ctx = window.context();
    if (!ctx.docs.IsDpc("Feed_RefreshMedia", ctx.log))
        return;
    Doc* doc = ctx.docs.current();
    window.Feed_CommitText(doc);

    const int total = static_cast<int>(doc->Feeds.size());
    const QPointer<QWidget> focused = Window_Disable(&window);
    MediaRefreshResult result;
    {
        const std::unique_ptr<QProgressDialog> wait = MediaWait_Create(ctx, &window, total);
        wait->setValue(0);
        QElapsedTimer since;
        since.start();
        result = Media_Refresh(*doc, ctx.paths, [&](int done, int all) {
            if (done == all || since.elapsed() >= kRedrawMs) {
                wait->setValue(done); // handles the pending events of a modal wait window
                since.restart();
            }
            return !wait->wasCanceled();
        });
    }
    Window_Enable(focused, &window);

    if (result.anyChange()) {
        SetModified(*doc, true);
        const Workspace* w = window.workspace(doc);
        window.Actualize_Tree(w != nullptr ? FeedList_SelectedRow(w->list) : -1);
    }
    const std::string counts =
        ctx.lang.get(result.stopped ? "Media.Stopped" : "Media.Done",
                     {std::to_string(result.updated), std::to_string(result.missing),
                      std::to_string(result.unreadable)});
    ctx.requester->RequestMessage(toQ(ctx.lang.get("Msg.Info")), toQ(counts), kRequestOk, &window);
}

} // namespace qp::ui
