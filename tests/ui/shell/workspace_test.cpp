#include "core/clock.h"
#include "core/command_ids.h"
#include "core/dates.h"
#include "ui/shell/status_line.h"
#include "ui/support/shell_fixture.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

namespace qp::ui::testing {
namespace {

class WorkspaceTest : public ShellTest {
protected:
    Workspace& ws() { return *window_->workspace(ctx_.docs.current()); }
    Doc& doc() { return *ctx_.docs.current(); }
    void select(int row) { ws().list->setCurrentItem(ws().list->topLevelItem(row)); }
    void type(const QString& text) {
        ws().editor->setFocus();
        ws().editor->moveCursor(QTextCursor::End);
        ws().editor->insertPlainText(text);
    }
};

TEST_F(WorkspaceTest, SelectingARowCommitsTheTextToItsOwnFeed) {
    FixedClock clock(1'700'000'000, 0);
    ScopedClock fixed(clock);
    docs().Document_Open(project("feeds", {"A", "B"}));
    doc().Feeds[0].FeedFlag = kAutoPubDate;
    EXPECT_EQ(ws().bound, 0);
    type(QString::fromUtf8(" \xC2\xA0»\nnext line"));
    select(1);
    EXPECT_EQ(doc().Feeds[0].FeedDesc, "Text of A \xC2\xA0\xC2\xBB\r\nnext line");
    EXPECT_EQ(doc().Feeds[0].FeedPubDate, Now());
    EXPECT_EQ(doc().Feeds[1].FeedPubDate, 0);
    EXPECT_TRUE(doc().State & kModified);
    EXPECT_EQ(ws().editor->toPlainText(), "Text of B");
    EXPECT_FALSE(ws().editor->document()->isUndoAvailable());
}

TEST_F(WorkspaceTest, ARowWhoseFeedIsGoneBindsNoFeed) {
    docs().Document_Open(project("gone", {"A", "B"}));
    doc().Feeds.pop_back(); // the list still shows two rows
    select(1);
    EXPECT_EQ(ws().bound, -1);
    EXPECT_FALSE(ws().editor->isEnabled());
    type("typed");
    select(0);
    EXPECT_EQ(doc().Feeds[0].FeedDesc, "Text of A");
    EXPECT_TRUE(ws().editor->isEnabled());
}

TEST_F(WorkspaceTest, ADocumentWithoutFeedsHasADisabledEmptyEditor) {
    docs().Document_New();
    EXPECT_EQ(ws().list->topLevelItemCount(), 0);
    EXPECT_FALSE(ws().editor->isEnabled());
    ctx_.prefs.set_preference_value(kPrefStatusTree, "%EP/%EC");
    ws().list->setFocus();
    window_->update_status_bar();
    EXPECT_EQ(window_->status_text(), "0/0");
}

TEST_F(WorkspaceTest, StatusLineFillsPlaceholdersForTheFocusedControl) {
    docs().Document_Open(project("one", {"A", "B", "C"}));
    docs().Document_Open(project("two", {"A", "B"}));
    ctx_.prefs.set_preference_value(kPrefStatusTree, "%dc and %DC, row %EP of %ec");
    ws().list->setFocus();
    window_->update_status_bar();
    EXPECT_EQ(window_->status_text(), "2 and 2, row 1 of 2");

    ws().editor->setFocus();
    QTextCursor cursor = ws().editor->textCursor();
    cursor.setPosition(2);
    ws().editor->setTextCursor(cursor);
    window_->update_status_bar(); // empty template: the language's default
    EXPECT_EQ(window_->status_text(), "Project 2/2 - Line 1/1 - Column 3/9 - Position 2/9 (22.2%)");
    ctx_.prefs.set_preference_value(kPrefStatusEdit, "%RP of %RC = %RL, document %DP");
    window_->update_status_bar();
    EXPECT_EQ(window_->status_text(), "2 of 9 = 22.2%, document 2");
    ctx_.prefs.set_preference_value(kPrefStatusEdit, "no placeholder");
    window_->update_status_bar();
    EXPECT_EQ(window_->status_text(), "no placeholder");
}

TEST_F(WorkspaceTest, StatusFormatReplacesEachPlaceholderOnce) {
    // "%RL" on an empty text has no share; a value must not be taken for a later placeholder.
    EXPECT_EQ(status_line_format("%rl %DC", {.DC = 1}), "0.0% 1");
    EXPECT_EQ(status_line_format("%EP%EC", {.EP = 3, .EC = 12}), "312");
}

TEST_F(WorkspaceTest, SwitchingShowsOnlyTheCurrentWorkspaceAndKeepsHiddenEdits) {
    docs().Document_Open(project("first", {"A"}));
    type(" edited");
    Doc* first = ctx_.docs.current();
    docs().Document_Open(project("second", {"B"}));
    Workspace* hidden = window_->workspace(first);
    EXPECT_TRUE(hidden->list->isHidden());
    EXPECT_FALSE(hidden->editor->isEnabled());
    EXPECT_TRUE(ws().editor->isVisibleTo(window_.get()));
    EXPECT_EQ(window_->windowTitle(), "second - Quillpost");

    // The edit of the hidden document is asked about at close-all, not dropped.
    requester_.answers = {RequestAnswer::Cancel};
    EXPECT_EQ(docs().Document_CloseAll(), CloseChoice::Keep);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              "“first” has been modified. Do you want to save it?");
    EXPECT_EQ(first->Feeds[0].FeedDesc, "Text of A edited");
    EXPECT_EQ(ctx_.docs.current(), first);
}

TEST_F(WorkspaceTest, OpenDocumentAndRecentEntriesFollowTheLists) {
    docs().Document_New();
    docs().Document_Open(project("a&b", {"A"}));
    EXPECT_EQ(window_->action(kCmdDocumentFirst)->text(), "1- Unsaved project");
    EXPECT_EQ(window_->action(kCmdDocumentFirst + 1)->text(), "2- a&&b.qprj");
    EXPECT_TRUE(window_->action(kCmdDocumentFirst + 1)->isChecked());
    EXPECT_FALSE(window_->action(kCmdDocumentFirst + 2)->isEnabled());
    EXPECT_EQ(window_->action(kCmdRecentFirst)->text().toStdString(), "a&&b.qprj, " + tmp_.path());
    EXPECT_FALSE(window_->action(kCmdRecentFirst + 1)->isEnabled());
}

TEST_F(WorkspaceTest, FeedPopupFollowsTheSelectedRow) {
    docs().Document_Open(project("pop", {"A", "B"}));
    auto entry = [this](int command) {
        for (QAction* a : window_->feed_popup()->actions())
            if (a->data().toInt() == command)
                return a->isEnabled();
        return false;
    };
    window_->update_feed_popup_menu();
    EXPECT_FALSE(entry(kCmdFeedMoveUp));
    EXPECT_TRUE(entry(kCmdFeedMoveDown));
    select(1);
    window_->update_feed_popup_menu();
    EXPECT_TRUE(entry(kCmdFeedMoveUp));
    EXPECT_FALSE(entry(kCmdFeedMoveDown));
    EXPECT_TRUE(entry(kCmdFeedDel));
}

TEST_F(WorkspaceTest, ThePopupKeyShowsThePopupOfTheFocusedControlAtTheMouse) {
    docs().Document_Open(project("keys", {"A"}));
    window_->show();
    QCursor::setPos(window_->geometry().center());
    ws().list->setFocus();
    window_->Main_MenuEvent(kCmdPopupMenu);
    EXPECT_TRUE(window_->feed_popup()->isVisible());
    EXPECT_FALSE(window_->editor_popup()->isVisible());
    EXPECT_EQ(window_->feed_popup()->pos(), QCursor::pos());
    window_->feed_popup()->close();

    ws().editor->setFocus();
    window_->Main_MenuEvent(kCmdPopupMenu);
    EXPECT_TRUE(window_->editor_popup()->isVisible());
    window_->editor_popup()->close();

    window_->menuBar()->setFocus(); // neither control: nothing
    window_->Main_MenuEvent(kCmdPopupMenu);
    EXPECT_FALSE(window_->feed_popup()->isVisible() || window_->editor_popup()->isVisible());
}

TEST_F(WorkspaceTest, PlacementIsStoredOnlyWhileTheWindowIsNormal) {
    window_->placement_restore();
    FixedSettings& f = ctx_.prefs.fixed();
    window_->setWindowState(Qt::WindowMaximized);
    window_->placement_state_changed(Qt::WindowMaximized);
    EXPECT_EQ(f.MainWindowZ, 16777216);
    window_->placement_moved({50, 60});
    window_->placement_resized({900, 700});
    EXPECT_EQ(f.MainWindowX, 0);
    EXPECT_EQ(f.MainWindowW, 600);

    window_->setWindowState(Qt::WindowMinimized);
    window_->placement_state_changed(Qt::WindowMinimized);
    EXPECT_EQ(f.MainWindowZ, 16777216);
    window_->placement_moved({50, 60});
    EXPECT_EQ(f.MainWindowX, 0);

    window_->setWindowState(Qt::WindowNoState);
    window_->placement_state_changed(Qt::WindowNoState);
    EXPECT_EQ(f.MainWindowZ, 0);
    window_->placement_moved({50, 60});
    window_->placement_resized({900, 700});
    EXPECT_EQ(f.MainWindowX, 50);
    EXPECT_EQ(f.MainWindowH, 700);
    EXPECT_TRUE(ctx_.prefs.save_needed());
}

} // namespace
} // namespace qp::ui::testing
