#include "ui/shell/rss_command.h"

#include "core/doc_edits.h"
#include "core/preferences.h"
#include "core/rss_create.h"
#include "ui/common/long_work.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/ftp_window.h"
#include "ui/dialogs/trust_prompt.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/feed_commands.h"
#include "ui/shell/main_window.h"

#include <QTreeWidget>
#include <QUndoStack>

namespace qp::ui {

namespace {

// The check reads every episode's file; on a large feed that is long work.
std::vector<CheckFinding> check(MainWindow& window, const Doc& doc) {
    AppContext& ctx = window.context();
    std::vector<CheckFinding> findings;
    (void)long_work_run(
        &window, to_q(ctx.lang.get("Work.Checking")), {}, std::make_shared<WorkState>(),
        [&] { findings = feed_check(doc, ctx.paths); }, false);
    return findings;
}

} // namespace

bool check_show(MainWindow& window, Doc& doc, const std::vector<CheckFinding>& findings,
                CheckMode mode) {
    Doc before = doc_channel_settings(doc);
    const CheckChoice choice =
        check_window_run(doc, findings, window.context().lang, mode, &window);
    if (choice.answer == CheckAnswer::DateMask) {
        // The new mask is a change like any other: undone, it leaves the document as saved.
        doc_record(window, doc, edit_channel_changed(std::move(before), doc));
        window.update_window_title();
        window.update_menu();
        window.update_status_bar();
    }
    if (choice.answer == CheckAnswer::ShowFeed) {
        window.update_feed_row(choice.feed);
        if (Workspace* w = window.workspace(&doc))
            w->list->setFocus(Qt::OtherFocusReason);
    }
    return choice.answer == CheckAnswer::Publish;
}

void Rss_Create(MainWindow& window, const net::FtpJobSeams* seams) {
    AppContext& ctx = window.context();
    Doc* doc = ctx.docs.current();
    if (!ctx.docs.can_run_document_command("Rss_Create", ctx.log, true) || doc == nullptr)
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
    const SaveOutcome saved = window.documents().SaveDoc(*doc, false, save_and_write, "Work.Rss");
    if (saved == SaveOutcome::NotSaved && (doc->State & kModified) != 0) {
        // The build date was stamped but not saved: no undo makes the document unmodified.
        if (Workspace* w = window.workspace(doc))
            w->undo->resetClean();
    }
    window.update_window_title();
    window.update_menu();
    window.update_status_bar();
    if (saved == SaveOutcome::NotSaved)
        return;

    if (!made.error.empty()) {
        ctx.requester->RequestMessage(to_q(ctx.lang.get("Msg.Error")), to_q(made.error),
                                      RequestButtons::Ok, &window);
        return;
    }
    const std::vector<CheckFinding> findings = check(window, *doc);
    if (!findings.empty()) {
        // The RSS file stays written whatever the answer.
        if (!check_show(window, *doc, findings, CheckMode::BeforePublish))
            return;
    } else if (ctx.requester->RequestMessage(
                   to_q(ctx.lang.get("Msg.Info")), to_q(ctx.lang.get("CreateRss.Ok")),
                   RequestButtons::YesNo, &window) != RequestAnswer::Yes) {
        return;
    }
    net::FTPJob job;
    job.check_addresses = Pref_IsOn(ctx.prefs.preference_value(kPrefCheckAddresses));
    net::ftp_add_uploads(job, made.job, *doc);
    (void)Rss_Upload(*doc, made.rss_path, job, &window, ctx.lang,
                     seams != nullptr ? *seams
                                      : net::ftp_client_seams(trust_window_settings(
                                            *ctx.requester, ctx.lang, ctx.prefs)));
    for (const std::string& answer : job.notice.answers)
        ctx.log.add("- " + answer);
}

void rss_check(MainWindow& window) {
    AppContext& ctx = window.context();
    Doc* doc = ctx.docs.current();
    if (!ctx.docs.can_run_document_command("Rss_Check", ctx.log, true) || doc == nullptr)
        return;
    window.Feed_CommitText(doc);
    const std::vector<CheckFinding> findings = check(window, *doc);
    if (findings.empty()) {
        ctx.requester->RequestMessage(to_q(ctx.lang.get("Msg.Info")),
                                      to_q(ctx.lang.get("CheckWin.NoProblem")), RequestButtons::Ok,
                                      &window);
        return;
    }
    (void)check_show(window, *doc, findings, CheckMode::OnDemand);
}

} // namespace qp::ui
