#include "ui/shell/document_commands.h"

#include "core/clock.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/project_file.h"
#include "core/text.h"
#include "ui/common/long_work.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/context/file_picker.h"
#include "ui/dialogs/import_window.h"
#include "ui/shell/main_window.h"

#include <QUndoStack>

#include <unistd.h>

namespace qp::ui {

DocumentCommands::DocumentCommands(AppContext& context, MainWindow& window)
    : ctx_(context), window_(window) {}

void DocumentCommands::error(std::string_view key, std::string_view detail) {
    ctx_.log.add("! " + std::string(key));
    std::string text = ctx_.lang.get(key);
    if (!detail.empty())
        text += "\r\n\r\n" + std::string(detail);
    ctx_.requester->RequestMessage(to_q(ctx_.lang.get("Msg.Error")), to_q(text), RequestButtons::Ok,
                                   &window_);
}

void DocumentCommands::enter_folder_of(const std::string& path) {
    const std::string folder = folder_part(path);
    if (is_absolute_path(path) && !folder.empty())
        (void)::chdir(folder.c_str());
}

void DocumentCommands::Document_New() {
    ctx_.log.add("* Document_New()");
    if (ctx_.docs.full()) {
        error("Doc\\Error.MaxOpened");
        return;
    }
    Doc doc;
    DocDefaults(doc);
    doc.FileName.clear();
    doc.Lang = "fr";
    // Stored with the document: older documents keep the mask they were made with.
    doc.FormatDate = std::string(kStandardRssDateMask);
    doc.LastBuildDate = now_in(doc.TimeZone);
    Doc* added = ctx_.docs.add(std::move(doc));
    if (added == nullptr) {
        error("Doc\\Error.New");
        return;
    }
    window_.Doc_CreateGadgets(*added);
    ctx_.log.add("- Created !");
    window_.update_all();
}

void DocumentCommands::import_feed() {
    ctx_.log.add("* Document_Import()");
    if (ctx_.docs.full()) {
        error("Doc\\Error.MaxOpened");
        return;
    }
    Result<ImportOutcome> imported = import_window_run(ctx_, &window_);
    if (!imported) {
        if (imported.kind() != ErrorKind::Cancelled)
            error("Import.Error", imported.error_text());
        return;
    }
    add_imported(std::move(imported).value());
}

void DocumentCommands::add_imported(ImportOutcome outcome) {
    Doc doc = std::move(outcome.feed.doc);
    doc.FileName.clear();
    doc.SuggestedName = doc.Title;
    // Nothing of it is on disk yet: closing asks to save it.
    doc.State |= kModified;
    Doc* added = ctx_.docs.add(std::move(doc));
    if (added == nullptr) {
        error("Doc\\Error.New");
        return;
    }
    window_.Doc_CreateGadgets(*added);
    ctx_.log.add("- Imported " + std::to_string(added->Feeds.size()) + " episodes");
    window_.update_all();
    if (!outcome.downloads && outcome.downloads.kind() != ErrorKind::Cancelled)
        error("Import.DownloadError", outcome.downloads.error_text());
}

void DocumentCommands::Document_Open(const std::string& given) {
    ctx_.log.add("* Document_Open( " + given + " )");
    if (ctx_.docs.full()) {
        error("Doc\\Error.MaxOpened");
        return;
    }
    std::string path = given;
    if (path.empty())
        path = FileDialog(ctx_.prefs.preference_value(kPrefDefaultPath), true);
    if (path.empty()) {
        ctx_.log.add("- Aborted !");
        return;
    }
    // Opening and saving make other folders current, so a relative name would later save into
    // whichever folder is current then.
    if (!is_absolute_path(path))
        path = current_directory() + path;
    if (const int n = ctx_.docs.FindOpenDoc(path); n != 0) {
        SelectDoc(0, n - 1);
        return;
    }

    Doc doc;
    bool from_backup = false;
    if (backup_is_newer(path) && file_exists(path + ".Bak")) {
        from_backup =
            ctx_.requester->RequestMessage(to_q(ctx_.lang.get("Msg.Info")),
                                           to_q(ctx_.lang.get("Doc\\Open.ChooseBak")),
                                           RequestButtons::YesNo, &window_) == RequestAnswer::Yes;
    }
    const std::string read_path = from_backup ? path + ".Bak" : path;
    FileResult read;
    (void)long_work_run(
        &window_, to_q(ctx_.lang.get("Work.Opening")), {}, std::make_shared<WorkState>(),
        [&] { read = LoadDoc(doc, read_path, ctx_.log); }, false);
    if (!read.ok()) {
        error("Doc\\Error.OpenXML", read_path + ": " + read.error_text());
        return;
    }
    enter_folder_of(read_path);
    // The project is what the user opened, also when its backup was read: listing the backup
    // would later open it as a project of its own.
    ctx_.prefs.recent_add(path);
    if (from_backup)
        SetModified(doc, true);
    doc.FileName = path;

    Doc* added = ctx_.docs.add(std::move(doc));
    if (added == nullptr) {
        error("Doc\\Error.AddInList");
        return;
    }
    window_.Doc_CreateGadgets(*added);
    ctx_.log.add("- Opened !");
    enter_folder_of(path);
    window_.update_all();
}

std::string DocumentCommands::FileDialog(std::string default_path, bool for_open) {
    if (default_path.empty())
        default_path = ctx_.prefs.preference_value(kPrefDefaultPath);
    const QString filter = file_dialog_filter(ctx_.lang.get("FileDialog.Filter"));
    const QString title = to_q(ctx_.lang.get(for_open ? "FileDialog.Open" : "FileDialog.Save"));
    const QString chosen = for_open
                               ? ctx_.files->open_file(&window_, title, to_q(default_path), filter)
                               : ctx_.files->save_file(&window_, title, to_q(default_path), filter);
    return from_q(chosen);
}

SaveOutcome DocumentCommands::SaveDoc(Doc& doc, bool ask_name) {
    return SaveDoc(doc, ask_name, [this](Doc& d, const std::string& file) {
        return qp::SaveDoc(d, file, ctx_.log);
    });
}

SaveOutcome DocumentCommands::SaveDoc(Doc& doc, bool ask_name, const SaveStep& save,
                                      std::string_view work_key) {
    std::string file = doc.FileName;
    if (ask_name || file.empty())
        file = FileDialog(doc.FileName.empty() && !doc.SuggestedName.empty()
                              ? folder_part(ctx_.prefs.preference_value(kPrefDefaultPath)) +
                                    project_file_name(doc.SuggestedName)
                              : doc.FileName,
                          false);
    for (;;) {
        // A large project takes a while to write; the window keeps answering meanwhile.
        SaveResult saved;
        (void)long_work_run(
            &window_, to_q(ctx_.lang.get(work_key)), {}, std::make_shared<WorkState>(),
            [&] { saved = save(doc, file); }, false);
        if (saved.saved())
            break;
        if (saved.status == SaveStatus::NoFileName)
            return SaveOutcome::NotSaved;
        if (saved.status == SaveStatus::TargetExists) {
            // The extension made the name, so the user has not yet chosen to replace that file.
            const QString text = to_q(ctx_.lang.Lang_Get("Doc\\Error.SaveExists", saved.target));
            if (ctx_.requester->RequestMessage(to_q(ctx_.lang.get("Msg.Info")), text,
                                               RequestButtons::YesNo,
                                               &window_) == RequestAnswer::Yes)
                file = saved.target;
            else
                file = FileDialog(saved.target, false);
            continue;
        }
        const QString text =
            to_q(ctx_.lang.Lang_Get("Doc\\Error.Save", saved.target, saved.reason));
        ctx_.requester->RequestMessage(to_q(ctx_.lang.get("Msg.Error")), text, RequestButtons::Ok,
                                       &window_);
        return SaveOutcome::NotSaved;
    }
    // What is saved is what undoing comes back to as unmodified.
    if (Workspace* w = window_.workspace(&doc))
        w->undo->setClean();
    enter_folder_of(doc.FileName);
    ctx_.prefs.recent_add(doc.FileName);
    return SaveOutcome::Saved;
}

void DocumentCommands::Document_Save(bool ask_name) {
    ctx_.log.add("* Document_Save(" + std::to_string(ask_name ? 1 : 0) + " )");
    Doc* doc = ctx_.docs.current();
    if (!ctx_.docs.can_run_document_command("Document_Save", ctx_.log, false) || doc == nullptr)
        return;
    window_.Feed_CommitText(doc);
    (void)SaveDoc(*doc, ask_name);
    window_.update_window_title();
    window_.update_menu();
}

CloseChoice DocumentCommands::CanClose(Doc& doc) {
    // The document's own editor: a hidden document may hold an edit not yet committed.
    window_.Feed_CommitText(&doc);
    if ((doc.State & kModified) == 0)
        return CloseChoice::Close;
    const RequestAnswer answer = ctx_.requester->RequestMessage(
        to_q(ctx_.lang.get("Doc\\Close.Title")),
        to_q(ctx_.lang.get("Doc\\Close.AskSave", {DocDisplayName(doc, ctx_.lang)})),
        RequestButtons::YesNoCancel, &window_);
    if (answer == RequestAnswer::Yes)
        return SaveDoc(doc, false) == SaveOutcome::Saved ? CloseChoice::Close : CloseChoice::Keep;
    return answer == RequestAnswer::No ? CloseChoice::Close : CloseChoice::Keep;
}

void DocumentCommands::Document_Close() {
    Doc* doc = ctx_.docs.current();
    if (!ctx_.docs.can_run_document_command("Document_Close", ctx_.log, false) || doc == nullptr)
        return;
    if (CanClose(*doc) == CloseChoice::Keep)
        return;
    window_.Doc_FreeGadgets(*doc);
    (void)ctx_.docs.remove(ctx_.docs.current_index());
    // The list made the document before the closed one current; it stays so.
    SelectDoc(0, ctx_.docs.current_index());
}

CloseChoice DocumentCommands::Document_CloseAll() {
    window_.Feed_CommitText();
    while (!ctx_.docs.empty()) {
        Doc& doc = ctx_.docs.at(0);
        if (CanClose(doc) == CloseChoice::Keep) {
            ctx_.docs.set_current(0);
            window_.update_display();
            return CloseChoice::Keep;
        }
        window_.Doc_FreeGadgets(doc);
        (void)ctx_.docs.remove(0);
    }
    window_.update_display();
    return CloseChoice::Close;
}

void DocumentCommands::SelectDoc(int step, int index) {
    ctx_.docs.SelectDoc(step, index);
    window_.update_display();
}

void DocumentCommands::OpenRecent(int index) {
    const auto& recent = ctx_.prefs.recent();
    if (index < 0 || index >= static_cast<int>(recent.size()))
        return;
    const std::string path = recent[static_cast<std::size_t>(index)];
    if (!path.empty())
        Document_Open(path);
}

void DocumentCommands::StartupDocs() {
    if (Pref_IsOn(ctx_.prefs.preference_value(kPrefOnStartOpenLast)))
        LastDoc_Reopen();
    if (ctx_.docs.empty()) {
        Document_New();
    } else if (ctx_.docs.count() > 1) {
        ctx_.docs.set_current(0);
        window_.update_all();
    }
}

void DocumentCommands::LastDoc_Reopen() {
    for (const std::string& path : ctx_.prefs.LastDoc_Reopen()) {
        if (ctx_.docs.full())
            break;
        Document_Open(path);
    }
}

void DocumentCommands::LastDoc_Store() {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(ctx_.docs.count()));
    for (int i = 0; i < ctx_.docs.count(); ++i)
        names.push_back(ctx_.docs.at(i).FileName);
    if (const std::string failed = ctx_.prefs.LastDoc_Store(names); !failed.empty())
        ctx_.log.add("! Error, Not saved " + ctx_.prefs.last_docs_path() + ": " + failed);
}

} // namespace qp::ui
