#include "core/command_ids.h"
#include "ui/dialogs/feed_window.h"
#include "ui/dialogs/modal.h"
#include "ui/shell/feed_commands.h"
#include "ui/support/shell_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

namespace qp::ui::testing {
namespace {

class FeedCommandsTest : public ShellTest {
protected:
    Workspace& ws() { return *window_->workspace(ctx_.docs.current()); }
    Doc& doc() { return *ctx_.docs.current(); }
    void open(std::vector<std::string> titles) {
        docs().Document_Open(project("feeds", std::move(titles)));
    }
    void select(int row) { ws().list->setCurrentItem(ws().list->topLevelItem(row)); }
    int selected() { return feed_list_selected_row(ws().list); }
    void type(const QString& text) {
        ws().editor->moveCursor(QTextCursor::End);
        ws().editor->insertPlainText(text);
    }
    std::string titles() {
        std::string s;
        for (const Feed& f : doc().Feeds)
            s += f.FeedTitle;
        return s;
    }
    bool modified() { return (doc().State & kModified) != 0; }
    // Runs command while the feed window it opens gets a title (when given) and OK, or Cancel.
    void with_window(int command, const char* title, bool ok) {
        bool seen = false;
        bool main_disabled = false;
        qp::test::when_modal([&](QWidget* modal) {
            auto* w = dynamic_cast<FeedWindow*>(modal);
            ASSERT_NE(w, nullptr);
            seen = true;
            main_disabled = !window_->isEnabled();
            if (title != nullptr)
                w->control<QLineEdit>(kFeedWinTitle)->setText(title);
            if (ok)
                w->accept();
            if (w->isVisible()) {
                EXPECT_FALSE(ok) << "OK was refused";
                w->reject();
            }
        });
        window_->Main_MenuEvent(command);
        EXPECT_TRUE(seen);
        EXPECT_TRUE(main_disabled);
        EXPECT_TRUE(window_->isEnabled());
    }
};

TEST_F(FeedCommandsTest, AddPutsTheNewFeedOnTopTrimsAndKeepsThePendingText) {
    open({"A", "B", "C"});
    doc().MaxFeed = 3;
    select(1);
    type(" edited");
    with_window(kCmdFeedAdd, "N", true);
    EXPECT_EQ(titles(), "NAB");
    EXPECT_EQ(doc().Feeds[2].FeedDesc, "Text of B edited");
    EXPECT_EQ(doc().Feeds[0].FeedDesc, "");
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(ws().editor->toPlainText(), "");
    EXPECT_TRUE(modified());

    // Every other feed protected: the list grows past the limit and keeps the new feed.
    for (Feed& f : doc().Feeds)
        f.FeedFlag = kNoAutoDelete;
    with_window(kCmdFeedAdd, "M", true);
    EXPECT_EQ(titles(), "MNAB");
}

TEST_F(FeedCommandsTest, CopyGetsANewGuidAndCancelLeavesTheDocumentAsItWas) {
    open({"A", "B"});
    doc().Feeds[1].FeedGUID = "b-guid";
    select(1);
    const Doc before = doc();
    with_window(kCmdFeedCopy, nullptr, false);
    EXPECT_EQ(doc(), before);
    EXPECT_FALSE(modified());
    EXPECT_EQ(selected(), 1);

    type(" edited");
    with_window(kCmdFeedCopy, "B2", true);
    EXPECT_EQ(titles(), "B2AB");
    EXPECT_NE(doc().Feeds[0].FeedGUID, "b-guid");
    // The copy takes the text committed just before it was made.
    EXPECT_EQ(doc().Feeds[0].FeedDesc, "Text of B edited");
    EXPECT_EQ(doc().Feeds[2].FeedDesc, "Text of B edited");
    EXPECT_EQ(selected(), 0);
    EXPECT_TRUE(modified());
}

TEST_F(FeedCommandsTest, DeleteSelectsThePrecedingRowAndTheLastLeavesADisabledEditor) {
    open({"A", "B", "C"});
    select(2);
    type(" edited");
    window_->Main_MenuEvent(kCmdFeedDel);
    EXPECT_EQ(titles(), "AB");
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(doc().Feeds[1].FeedDesc, "Text of B"); // the deleted feed's text went with it
    EXPECT_EQ(ws().editor->toPlainText(), "Text of B");
    select(0);
    window_->Main_MenuEvent(kCmdFeedDel);
    EXPECT_EQ(selected(), 0);
    window_->Main_MenuEvent(kCmdFeedDel);
    EXPECT_TRUE(doc().Feeds.empty());
    EXPECT_FALSE(ws().editor->isEnabled());
    EXPECT_EQ(ws().editor->toPlainText(), "");
    window_->Main_MenuEvent(kCmdFeedDel); // nothing selected: nothing happens
    EXPECT_TRUE(requester_.asked.empty());
}

TEST_F(FeedCommandsTest, MovesStopAtBothEndsAndTheSelectionFollows) {
    open({"A", "B", "C"});
    select(0);
    window_->Main_MenuEvent(kCmdFeedMoveUp);
    select(2);
    window_->Main_MenuEvent(kCmdFeedMoveDown);
    EXPECT_EQ(titles(), "ABC");
    EXPECT_FALSE(modified());

    type(" edited");
    window_->Main_MenuEvent(kCmdFeedMoveUp);
    EXPECT_EQ(titles(), "ACB");
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(doc().Feeds[1].FeedDesc, "Text of C edited");
    EXPECT_EQ(ws().editor->toPlainText(), "Text of C edited");
    window_->Main_MenuEvent(kCmdFeedMoveDown);
    EXPECT_EQ(titles(), "ABC");
    EXPECT_EQ(selected(), 2);
    EXPECT_TRUE(modified());
}

TEST_F(FeedCommandsTest, SortIsStableAndMarksTheDocumentOnlyWhenTheOrderChanged) {
    open({"A", "B", "C", "D"});
    const DateValue dates[] = {20, 10, 20, 10};
    for (std::size_t i = 0; i < 4; ++i)
        doc().Feeds[i].FeedPubDate = dates[i];
    window_->Main_MenuEvent(kCmdFeedSortAscending);
    EXPECT_EQ(titles(), "BDAC");
    EXPECT_TRUE(modified());
    EXPECT_EQ(selected(), 0);

    SetModified(doc(), false);
    window_->Main_MenuEvent(kCmdFeedSortAscending);
    EXPECT_FALSE(modified());

    select(3); // C
    type(" edited");
    window_->Main_MenuEvent(kCmdFeedSortDescending);
    EXPECT_EQ(titles(), "ACBD");
    EXPECT_EQ(doc().Feeds[1].FeedDesc, "Text of C edited");
    EXPECT_EQ(ws().editor->toPlainText(), "Text of A");
}

TEST_F(FeedCommandsTest, PropertyRewritesTheSelectedRowInPlace) {
    open({"A", "B"});
    doc().Feeds[0].FeedGUID = "a";
    select(1);
    with_window(kCmdFeedProperty, "Renamed", false);
    EXPECT_EQ(titles(), "AB");
    EXPECT_FALSE(modified());
    with_window(kCmdFeedProperty, "Renamed", true);
    EXPECT_EQ(titles(), "ARenamed");
    EXPECT_EQ(ws().list->topLevelItem(1)->text(0), "Renamed");
    EXPECT_EQ(selected(), 1);
    EXPECT_TRUE(modified());
}

TEST_F(FeedCommandsTest, UndoKeysInTheListTakeBackEveryChangeUntilTheSavedState) {
    open({"A", "B", "C"});
    for (std::size_t i = 0; i < 3; ++i)
        doc().Feeds[i].FeedPubDate = 10 * (static_cast<DateValue>(i) + 1);
    for (std::size_t i = 0; i < 3; ++i)
        doc().Feeds[i].FeedGUID = doc().Feeds[i].FeedTitle;
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    const Doc saved = doc();
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods) {
        window_->activateWindow(); // the feed window took the activation away
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        ws().list->setFocus();
        QTest::keyClick(ws().list, k, mods);
    };
    select(1);
    window_->Main_MenuEvent(kCmdFeedDel); // asks nothing
    EXPECT_TRUE(requester_.asked.empty());
    select(1);
    window_->Main_MenuEvent(kCmdFeedMoveUp);
    window_->Main_MenuEvent(kCmdFeedSortAscending);
    select(0);
    with_window(kCmdFeedProperty, "Renamed", true);
    EXPECT_EQ(titles(), "RenamedC");
    EXPECT_TRUE(window_->action(kCmdDocUndo)->isEnabled());
    EXPECT_FALSE(window_->action(kCmdDocRedo)->isEnabled());

    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(titles(), "AC");
    EXPECT_TRUE(modified());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(selected(), 1);
    Doc now = doc();
    now.CurrentFeed = saved.CurrentFeed; // follows the selection
    EXPECT_EQ(now, saved);               // field by field, and no longer modified
    EXPECT_FALSE(window_->action(kCmdDocUndo)->isEnabled());

    // Both redo keys, then the menu entry.
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(titles(), "AC");
    EXPECT_TRUE(modified());
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(titles(), "CA");
    window_->action(kCmdDocRedo)->trigger();
    window_->action(kCmdDocRedo)->trigger();
    EXPECT_EQ(titles(), "RenamedC");

    // Saved here: undoing now leaves the document modified, redoing comes back unmodified.
    docs().Document_Save(false);
    EXPECT_FALSE(modified());
    window_->action(kCmdDocUndo)->trigger();
    EXPECT_EQ(titles(), "AC");
    EXPECT_TRUE(modified());
    window_->action(kCmdDocRedo)->trigger();
    EXPECT_FALSE(modified());

    // In the editor the keys undo typing, not the document.
    select(1);
    ws().editor->setFocus();
    type(" typed");
    QTest::keyClick(ws().editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ws().editor->toPlainText(), "Text of C");
    EXPECT_EQ(titles(), "RenamedC");
    // Stored text is one step of the document.
    type(" kept");
    select(0);
    EXPECT_EQ(doc().Feeds[1].FeedDesc, "Text of C kept");
    window_->action(kCmdDocUndo)->trigger();
    EXPECT_EQ(doc().Feeds[1].FeedDesc, "Text of C");
    EXPECT_FALSE(modified());
}

} // namespace
} // namespace qp::ui::testing
