#include "core/command_ids.h"
#include "ui/support/shell_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace qp::ui::testing {
namespace {

class CommandTable : public ShellTest {
protected:
    Workspace& current() { return *window_->workspace(ctx_.docs.current()); }
};

TEST_F(CommandTable, DispatchesEveryCommandNumberToItsCommand) {
    int hook_calls = 0;
    auto count = [&hook_calls] { ++hook_calls; };
    ctx_.hooks.About_Show = count;
    ctx_.hooks.WhatsNew_Show = count;
    ctx_.hooks.Help_Show = count;
    ctx_.hooks.Log_Show = count;
    ctx_.hooks.CheckNewVersion = count;
    for (int c : {kCmdAbout, kCmdWhatsNew, kCmdHelp, kCmdShowLog, kCmdCheckNewVersion})
        window_->Main_MenuEvent(c);
    EXPECT_EQ(hook_calls, 5);
    EXPECT_TRUE(requester_.asked.empty());

    // Numbers between and beyond the commands do nothing.
    for (int c : {0, 15, 29, 57, 131, 137, 165, 181, 9999})
        window_->Main_MenuEvent(c);
    EXPECT_TRUE(requester_.asked.empty());
    EXPECT_TRUE(files_.asked.empty());

    window_->Main_MenuEvent(kCmdProjectNew);
    window_->Main_MenuEvent(kCmdProjectNew);
    ASSERT_EQ(ctx_.docs.count(), 2);
    window_->Main_MenuEvent(kCmdNextProject);
    EXPECT_EQ(ctx_.docs.current_index(), 0);
    window_->Main_MenuEvent(kCmdPrevProject);
    EXPECT_EQ(ctx_.docs.current_index(), 1);
    window_->Main_MenuEvent(kCmdDocumentFirst);
    EXPECT_EQ(ctx_.docs.current_index(), 0);

    window_->Main_MenuEvent(kCmdProjectOpen);
    window_->Main_MenuEvent(kCmdProjectSave);
    window_->Main_MenuEvent(kCmdProjectSaveAs);
    ASSERT_EQ(files_.asked.size(), 3U); // nothing chosen each time
    EXPECT_TRUE(files_.asked[0].for_open);
    EXPECT_FALSE(files_.asked[1].for_open);

    window_->Main_MenuEvent(kCmdProjectClose);
    EXPECT_EQ(ctx_.docs.count(), 1);
    window_->Main_MenuEvent(kCmdProjectCloseAll);
    EXPECT_EQ(ctx_.docs.count(), 0);

    QSignalSpy quit(window_.get(), &MainWindow::quit_confirmed);
    window_->Main_MenuEvent(kCmdQuit);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(CommandTable, MenuEntriesCarryTheirNumbers) {
    std::vector<int> numbers;
    for (QAction* title : window_->menuBar()->actions()) {
        std::function<void(QMenu*)> walk = [&](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                if (a->menu())
                    walk(a->menu());
                else if (!a->isSeparator())
                    numbers.push_back(a->data().toInt());
            }
        };
        walk(title->menu());
    }
    // Project (7 + preferences + 10 recent + quit), edit 2 + 3, feeds 8, RSS 4, display 7,
    // help 3.
    EXPECT_EQ(numbers.size(), 19U + 5 + 8 + 4 + 7 + 3);
    EXPECT_EQ(numbers.front(), kCmdProjectNew);
    EXPECT_EQ(numbers.back(), kCmdAbout);
    EXPECT_EQ(window_->action(kCmdRecentLast)->text(), "...");
    // Without the history file the help menu has three entries and no "what's new".
    EXPECT_EQ(window_->about_menu()->actions().size(), 3);
    EXPECT_EQ(window_->action(kCmdWhatsNew), nullptr);
}

TEST_F(CommandTable, EditCommandsActOnTheCurrentEditor) {
    const std::string path = project("edit", {"First"});
    docs().Document_Open(path);
    QPlainTextEdit* editor = current().editor;
    editor->selectAll();
    window_->Main_MenuEvent(kCmdCopy);
    EXPECT_EQ(QApplication::clipboard()->text(), "Text of First");
    window_->Main_MenuEvent(kCmdCut);
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    window_->Main_MenuEvent(kCmdUndo);
    EXPECT_EQ(editor->toPlainText(), "Text of First");
    window_->Main_MenuEvent(kCmdRedo);
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    window_->Main_MenuEvent(kCmdPasteInsert);
    window_->Main_MenuEvent(kCmdPaste);
    EXPECT_EQ(editor->toPlainText(), "Text of FirstText of First");
}

TEST_F(CommandTable, ShortcutsComeFromThePreferencesAndShowInTheMainMenuOnly) {
    ShortcutKeys& keys = window_->shortcuts();
    EXPECT_EQ(keys.command_of(kModCtrl | 'N'), kCmdProjectNew);
    EXPECT_EQ(keys.command_of(kModAlt | kVkF1), kCmdShowLog);
    EXPECT_EQ(keys.command_of(kModCtrl | 'X'), kCmdCut);
    EXPECT_EQ(window_->action(kCmdProjectNew)->text(), "&New\tCtrl+N");
    EXPECT_EQ(window_->action(kCmdProjectCloseAll)->text(), "Close A&ll");
    EXPECT_FALSE(window_->editor_popup()->actions().front()->text().contains('\t'));

    // A real key press runs the command.
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(ctx_.docs.count(), 1);

    // A configured key takes a fixed key over; the Win bit is dropped in the window, and a
    // removed shortcut clears its menu text.
    window_->Main_RemoveShortcuts();
    ASSERT_TRUE(ctx_.prefs.Pref_Find(kCmdProjectNew));
    ctx_.prefs.set_preference_value(kCmdProjectNew, std::to_string(kModCtrl | 'X'));
    ctx_.prefs.set_preference_value(kCmdHelp, std::to_string(kModWin | (kVkF1 + 4)));
    ctx_.prefs.set_preference_value(kCmdProjectSave, "0");
    window_->Main_ApplyShortcuts();
    EXPECT_EQ(keys.command_of(kModCtrl | 'X'), kCmdProjectNew);
    EXPECT_EQ(keys.command_of(kModCtrl | 'N'), 0);
    EXPECT_EQ(keys.command_of(kVkF1 + 4), kCmdHelp);
    EXPECT_EQ(keys.command_of(kModCtrl | 'S'), 0);
    EXPECT_EQ(window_->action(kCmdProjectSave)->text(), "&Save");
    EXPECT_EQ(window_->action(kCmdProjectNew)->text(), "&New\tCtrl+X");
}

// A key of the numeric pad fires its command; the same key of the main keyboard does not.
TEST_F(CommandTable, KeypadKeysFireOnlyFromTheKeypad) {
    window_->shortcuts().install(kModCtrl | (kVkNumpad0 + 5), kCmdProjectNew);
    const int before = ctx_.docs.count();
    QTest::keyClick(window_.get(), Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(ctx_.docs.count(), before);
    QTest::keyClick(window_.get(), Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(ctx_.docs.count(), before + 1);
}

TEST_F(CommandTable, RefusedHotkeysAreLoggedAndTheProgramGoesOn) {
    ctx_.prefs.add_global_shortcut_preference("Main\\Shortcut.Test", 200, kWindowMain,
                                              kModCtrl | kModAlt | 'L', kMenuNone);
    window_->Main_ApplyShortcuts();
    EXPECT_NE(ctx_.log.text().find("! Error AddGlobalShortcut,  WindowID=0 HotKey=Alt+Ctrl+L "
                                   "MenuID=200"),
              std::string::npos);
    EXPECT_EQ(window_->shortcuts().command_of(kModCtrl | kModAlt | 'L'), 0);

    int registered = 0;
    ctx_.hooks.RegisterHotKey = [&](int, KeyCode, int command) {
        registered = command;
        return true;
    };
    window_->Main_ApplyShortcuts();
    EXPECT_EQ(registered, 200);
    EXPECT_NE(ctx_.log.text().find("- AddGlobalShortcut,  WindowID=0"), std::string::npos);
}

} // namespace
} // namespace qp::ui::testing
