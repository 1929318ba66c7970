#include "ui/shell/rss_command.h"

#include "core/rss_create.h"
#include "ui/app/app_context.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/ftp_window.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"

namespace qp::ui {

void Rss_Create(MainWindow& window, const net::FtpJobSeams& seams) {
    AppContext& ctx = window.context();
    Doc* doc = ctx.docs.current();
    if (!ctx.docs.IsDpc("Rss_Create", ctx.log, true) || doc == nullptr)
        return;
    window.Feed_CommitText(doc);

    RssCreateResult made;
    const auto save_and_write = [&](Doc& d, const std::string& file) -> SaveResult {
        if (file.empty()) // the file dialog was cancelled: nothing is stamped or written
            return {SaveStatus::NoFileName, {}, {}, {}};
        // The core command saves under the document's name; a refused name is taken back.
        const std::string kept = d.FileName;
        d.FileName = file;
        made = qp::Rss_Create(d, ctx.log, ctx.paths);
        if (made.save != SaveStatus::Saved)
            d.FileName = kept;
        return {made.save, made.error, made.save_target, made.save_reason};
    };
    const int saved = window.documents().SaveDoc(*doc, false, save_and_write);
    window.Actu_WindowTitle();
    window.Actu_Menu();
    window.Actu_StatusBar();
    if (saved == 0)
        return;

    if (!made.error.empty()) {
        ctx.requester->RequestMessage(toQ(ctx.lang.get("Msg.Error")), toQ(made.error), kRequestOk,
                                      &window);
        return;
    }
    if (ctx.requester->RequestMessage(toQ(ctx.lang.get("Msg.Info")),
                                      toQ(ctx.lang.get("CreateRss.Ok")), kRequestYesNo,
                                      &window) != kAnswerYes)
        return;
    net::FTPJob job;
    net::FTP_AddUploads(job, made.job);
    (void)Rss_Upload(*doc, made.rss_path, job, &window, ctx.lang, seams);
}

} // namespace qp::ui
