// Every command number of the main window and what it runs: one table, so a number reaches its
// command the same way from a menu entry, a pop-up entry or a shortcut.
#include "core/command_ids.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/find_window.h"
#include "ui/dialogs/lang_editor.h"
#include "ui/dialogs/pref_window.h"
#include "ui/shell/channel_commands.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/feed_commands.h"
#include "ui/shell/main_window.h"
#include "ui/shell/media_commands.h"
#include "ui/shell/rss_command.h"

#include <QPlainTextEdit>

namespace qp::ui {

namespace {

using Run = void (*)(MainWindow&, int command);

struct Command {
    int first;
    int last;
    Run run;
};

// The find commands act only while the current document's editor has the focus; null otherwise.
QPlainTextEdit* focused_editor(MainWindow& w) {
    AppContext& ctx = w.context();
    if (!ctx.docs.can_run_document_command("FindText", ctx.log))
        return nullptr;
    const Workspace* workspace = w.workspace(ctx.docs.current());
    if (workspace == nullptr || w.focusWidget() != workspace->editor)
        return nullptr;
    return workspace->editor;
}

const Command kCommands[] = {
    {kCmdProjectNew, kCmdProjectNew, [](MainWindow& w, int) { w.documents().Document_New(); }},
    {kCmdProjectOpen, kCmdProjectOpen, [](MainWindow& w, int) { w.documents().Document_Open({}); }},
    {kCmdProjectImport, kCmdProjectImport, [](MainWindow& w, int) { w.documents().import_feed(); }},
    {kCmdProjectSave, kCmdProjectSave,
     [](MainWindow& w, int) { w.documents().Document_Save(false); }},
    {kCmdProjectSaveAs, kCmdProjectSaveAs,
     [](MainWindow& w, int) { w.documents().Document_Save(true); }},
    {kCmdProjectClose, kCmdProjectClose,
     [](MainWindow& w, int) { w.documents().Document_Close(); }},
    {kCmdProjectCloseAll, kCmdProjectCloseAll,
     [](MainWindow& w, int) { (void)w.documents().Document_CloseAll(); }},
    {kCmdEditPref, kCmdEditPref, [](MainWindow& w, int) { PrefWindow_Run(w); }},
    {kCmdQuit, kCmdQuit,
     [](MainWindow& w, int) {
         if (w.quit_request())
             emit w.quit_confirmed();
     }},
    {kCmdFindText, kCmdFindText,
     [](MainWindow& w, int) { Find_Dialog(w.context(), focused_editor(w), &w); }},
    {kCmdFindNext, kCmdFindNext,
     [](MainWindow& w, int) { Find_Again(w.context(), focused_editor(w), true, &w); }},
    {kCmdFindPrevious, kCmdFindPrevious,
     [](MainWindow& w, int) { Find_Again(w.context(), focused_editor(w), false, &w); }},
    {kCmdRssProperty, kCmdRssProperty, [](MainWindow& w, int) { Doc_Property(w); }},
    {kCmdLinkToClipboard, kCmdLinkToClipboard, [](MainWindow& w, int) { LinkToClipboard(w); }},
    {kCmdFeedAdd, kCmdFeedAdd, [](MainWindow& w, int) { Feed_Add(w); }},
    {kCmdFeedCopy, kCmdFeedCopy, [](MainWindow& w, int) { Feed_Copy(w); }},
    {kCmdFeedMoveUp, kCmdFeedMoveUp, [](MainWindow& w, int) { Feed_MoveUp(w); }},
    {kCmdFeedMoveDown, kCmdFeedMoveDown, [](MainWindow& w, int) { Feed_MoveDown(w); }},
    {kCmdFeedSortAscending, kCmdFeedSortAscending,
     [](MainWindow& w, int) { Feed_Sort(w, SortOrder::Ascending); }},
    {kCmdFeedSortDescending, kCmdFeedSortDescending,
     [](MainWindow& w, int) { Feed_Sort(w, SortOrder::Descending); }},
    {kCmdFeedProperty, kCmdFeedProperty, [](MainWindow& w, int) { Feed_Property(w); }},
    {kCmdFeedDel, kCmdFeedDel, [](MainWindow& w, int) { Feed_Del(w); }},
    {kCmdFeedRefreshMedia, kCmdFeedRefreshMedia, [](MainWindow& w, int) { feed_refresh_media(w); }},
    {kCmdRssCreate, kCmdRssCreate, [](MainWindow& w, int) { Rss_Create(w); }},
    {kCmdRssCheck, kCmdRssCheck, [](MainWindow& w, int) { rss_check(w); }},
    {kCmdAbout, kCmdAbout, [](MainWindow& w, int) { w.run_hook(w.context().hooks.About_Show); }},
    {kCmdWhatsNew, kCmdWhatsNew,
     [](MainWindow& w, int) { w.run_hook(w.context().hooks.WhatsNew_Show); }},
    {kCmdHelp, kCmdHelp, [](MainWindow& w, int) { w.run_hook(w.context().hooks.Help_Show); }},
    {kCmdShowLog, kCmdShowLog, [](MainWindow& w, int) { w.run_hook(w.context().hooks.Log_Show); }},
    {kCmdCheckNewVersion, kCmdCheckNewVersion,
     [](MainWindow& w, int) { w.run_hook(w.context().hooks.CheckNewVersion); }},
    {kCmdEditLang, kCmdEditLang,
     [](MainWindow& w, int) { LangEdit_Run(w.context(), w.context().prefs.fixed().MainLang, &w); }},
    {kCmdNextProject, kCmdNextProject, [](MainWindow& w, int) { w.documents().SelectDoc(1, -1); }},
    {kCmdPrevProject, kCmdPrevProject, [](MainWindow& w, int) { w.documents().SelectDoc(-1, -1); }},
    {kCmdPopupMenu, kCmdPopupMenu, [](MainWindow& w, int) { w.PopUpMenuDisplay(); }},
    {kCmdDocUndo, kCmdDocUndo, [](MainWindow& w, int) { doc_undo(w); }},
    {kCmdDocRedo, kCmdDocRedo, [](MainWindow& w, int) { doc_redo(w); }},
    {kCmdUndo, kCmdPasteInsert, [](MainWindow& w, int c) { w.Edit_Command(c); }},
    {kCmdDocumentFirst, kCmdDocumentLast,
     [](MainWindow& w, int c) { w.documents().SelectDoc(0, c - kCmdDocumentFirst); }},
    {kCmdRecentFirst, kCmdRecentLast,
     [](MainWindow& w, int c) { w.documents().OpenRecent(c - kCmdRecentFirst); }},
};

} // namespace

void MainWindow::Main_MenuEvent(int command) {
    for (const Command& c : kCommands) {
        // Odd numbers inside a range (the gaps between commands) do nothing.
        if (command < c.first || command > c.last)
            continue;
        const bool ranged =
            c.last > c.first && c.first != kCmdDocumentFirst && c.first != kCmdRecentFirst;
        if (ranged && (command - c.first) % 2 != 0)
            return;
        c.run(*this, command);
        return;
    }
}

} // namespace qp::ui
