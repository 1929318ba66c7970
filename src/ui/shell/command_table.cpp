// Every command number of the main window and what it runs: one table, so a number reaches its
// command the same way from a menu entry, a pop-up entry or a shortcut.
#include "core/command_ids.h"
#include "ui/app/app_context.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"
#include "ui/shell/rss_command.h"

namespace qp::ui {

namespace {

using Run = void (*)(MainWindow&, int command);

struct Command {
    int first;
    int last;
    Run run;
};

void not_there_yet(MainWindow& w, int) {
    w.NotThereYet();
}

const Command kCommands[] = {
    {kCmdProjectNew, kCmdProjectNew, [](MainWindow& w, int) { w.documents().Document_New(); }},
    {kCmdProjectOpen, kCmdProjectOpen, [](MainWindow& w, int) { w.documents().Document_Open({}); }},
    {kCmdProjectSave, kCmdProjectSave,
     [](MainWindow& w, int) { w.documents().Document_Save(false); }},
    {kCmdProjectSaveAs, kCmdProjectSaveAs,
     [](MainWindow& w, int) { w.documents().Document_Save(true); }},
    {kCmdProjectClose, kCmdProjectClose,
     [](MainWindow& w, int) { w.documents().Document_Close(); }},
    {kCmdProjectCloseAll, kCmdProjectCloseAll,
     [](MainWindow& w, int) { (void)w.documents().Document_CloseAll(); }},
    {kCmdEditPref, kCmdEditPref, not_there_yet},
    {kCmdQuit, kCmdQuit,
     [](MainWindow& w, int) {
         if (w.Quit_Request())
             emit w.quitConfirmed();
     }},
    {kCmdFindText, kCmdFindText, not_there_yet},
    {kCmdFindNext, kCmdFindNext, not_there_yet},
    {kCmdFindPrevious, kCmdFindPrevious, not_there_yet},
    {kCmdFeedAdd, kCmdFeedAdd, not_there_yet},
    {kCmdFeedCopy, kCmdFeedCopy, not_there_yet},
    {kCmdFeedMoveUp, kCmdFeedMoveUp, not_there_yet},
    {kCmdFeedMoveDown, kCmdFeedMoveDown, not_there_yet},
    {kCmdFeedSortAscending, kCmdFeedSortAscending, not_there_yet},
    {kCmdFeedSortDescending, kCmdFeedSortDescending, not_there_yet},
    {kCmdFeedProperty, kCmdFeedProperty, not_there_yet},
    {kCmdFeedDel, kCmdFeedDel, not_there_yet},
    {kCmdRssProperty, kCmdRssProperty, not_there_yet},
    {kCmdLinkToClipboard, kCmdLinkToClipboard, not_there_yet},
    {kCmdRssCreate, kCmdRssCreate, [](MainWindow& w, int) { Rss_Create(w); }},
    {kCmdAbout, kCmdAbout, [](MainWindow& w, int) { w.runHook(w.context().hooks.About_Show); }},
    {kCmdWhatsNew, kCmdWhatsNew,
     [](MainWindow& w, int) { w.runHook(w.context().hooks.WhatsNew_Show); }},
    {kCmdHelp, kCmdHelp, [](MainWindow& w, int) { w.runHook(w.context().hooks.Help_Show); }},
    {kCmdShowLog, kCmdShowLog, [](MainWindow& w, int) { w.runHook(w.context().hooks.Log_Show); }},
    {kCmdCheckNewVersion, kCmdCheckNewVersion,
     [](MainWindow& w, int) { w.runHook(w.context().hooks.CheckNewVersion); }},
    {kCmdEditLang, kCmdEditLang, not_there_yet},
    {kCmdNextProject, kCmdNextProject, [](MainWindow& w, int) { w.documents().SelectDoc(1, -1); }},
    {kCmdPrevProject, kCmdPrevProject, [](MainWindow& w, int) { w.documents().SelectDoc(-1, -1); }},
    {kCmdPopupMenu, kCmdPopupMenu, [](MainWindow& w, int) { w.PopUpMenuDisplay(); }},
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
