#include "ui/shell/channel_commands.h"

#include "core/channel_settings.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/doc_window.h"
#include "ui/shell/feed_commands.h"
#include "ui/shell/main_window.h"

#include <QClipboard>
#include <QGuiApplication>

namespace qp::ui {

void Doc_Property(MainWindow& window) {
    AppContext& ctx = window.context();
    if (!ctx.docs.can_run_document_command("Doc_Property", ctx.log))
        return;
    Doc& doc = *ctx.docs.current();
    Doc before = doc_channel_settings(doc);
    if (DocWindow_Open(&window, ctx.lang, doc, ctx.files, ctx.requester))
        doc_record(window, doc, edit_channel_changed(std::move(before), doc));
}

void LinkToClipboard(MainWindow& window) {
    AppContext& ctx = window.context();
    if (!ctx.docs.can_run_document_command("LinkToClipboard", ctx.log))
        return;
    const std::string link = channel_public_link(*ctx.docs.current());
    if (link.empty())
        return;
    QGuiApplication::clipboard()->setText(to_q(link));
    ctx.requester->RequestMessage(to_q(ctx.lang.get("Msg.Info")),
                                  to_q(ctx.lang.get("Msg.LinkToClipboard", {link})),
                                  RequestButtons::Ok, &window);
}

} // namespace qp::ui
