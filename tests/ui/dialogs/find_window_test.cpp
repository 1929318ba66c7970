#include "core/command_ids.h"
#include "ui/dialogs/find_window.h"
#include "ui/dialogs/modal.h"
#include "ui/support/shell_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <array>
#include <utility>

namespace qp::ui::testing {
namespace {

class FindTest : public ShellTest {
protected:
    void set_text(const QString& text, int from = 0, int to = 0) {
        edit_.setPlainText(text);
        select(from, to);
    }
    void select(int from, int to) {
        QTextCursor cursor = edit_.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit_.setTextCursor(cursor);
    }
    std::pair<int, int> selection() const {
        return {edit_.textCursor().selectionStart(), edit_.textCursor().selectionEnd()};
    }
    int act(FindAction action, const QString& text, FindRequest request = {}) {
        request.text = text;
        return Find_Action(ctx_, &edit_, action, request, nullptr);
    }

    // A document whose editor holds "Text of A" and has the focus in the shown main window.
    QPlainTextEdit* open_editor() {
        docs().Document_Open(project("find", {"A"}));
        window_->show();
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        QPlainTextEdit* editor = window_->workspace(ctx_.docs.current())->editor;
        editor->setFocus();
        return editor;
    }

    QPlainTextEdit edit_;
};

TEST_F(FindTest, SearchesOnFromTheSelectionAndStopsAtEitherEnd) {
    set_text("one two one two one");
    EXPECT_EQ(act(FindAction::Next, "one"), 0);
    EXPECT_EQ(act(FindAction::Next, "one"), 8); // on from the end of the previous match
    EXPECT_EQ(act(FindAction::Next, "one"), 16);
    EXPECT_EQ(act(FindAction::Next, "one"), -1);
    EXPECT_EQ(selection(), std::make_pair(16, 19));
    EXPECT_EQ(act(FindAction::Previous, "one"), 8);
    EXPECT_EQ(act(FindAction::Previous, "one"), 0);
    EXPECT_EQ(act(FindAction::Previous, "one"), -1);
    EXPECT_EQ(selection(), std::make_pair(0, 3));

    // Backward, a match around the caret is not before it.
    set_text("abcabc", 2, 2);
    EXPECT_EQ(act(FindAction::Previous, "bc"), -1);
    select(5, 5);
    EXPECT_EQ(act(FindAction::Previous, "bc"), 1);
}

TEST_F(FindTest, InTheSelectionAMatchNeverCrossesItsEnds) {
    FindRequest inside;
    inside.in_selection = true;
    set_text("cat cat cat cat", 2, 13);
    EXPECT_EQ(act(FindAction::Previous, "cat", inside), 8); // from the end; 12..15 crosses it
    select(2, 13);
    EXPECT_EQ(act(FindAction::Next, "cat", inside), 4);
    select(1, 6);
    EXPECT_EQ(act(FindAction::Next, "cat", inside), -1);
    EXPECT_EQ(act(FindAction::Previous, "cat", inside), -1);
    EXPECT_EQ(selection(), std::make_pair(1, 6));
    EXPECT_TRUE(ctx_.find.in_selection());
}

TEST_F(FindTest, WholeWordAndMatchCase) {
    FindRequest both;
    both.match_case = both.whole_word = true;
    set_text("Cat concat cat");
    EXPECT_EQ(act(FindAction::Next, "cat", both), 11);
    EXPECT_EQ(ctx_.find.flags(), kFindForward | kFindMatchCase | kFindWholeWord);

    FindRequest word;
    word.whole_word = true;
    select(0, 0);
    EXPECT_EQ(act(FindAction::Next, "cat", word), 0);
    EXPECT_EQ(act(FindAction::Next, "cat", word), 11);

    FindRequest exact;
    exact.match_case = true;
    select(0, 0);
    EXPECT_EQ(act(FindAction::Next, "cat", exact), 7);
}

// Each box of the window sets its own option of the request, and only that one.
TEST_F(FindTest, EachBoxOfTheWindowSetsItsOwnOption) {
    const auto ticked_alone = [&](int box) {
        FindWindow window(nullptr, ctx_.lang, FindState{}, true);
        qobject_cast<QCheckBox*>(window.control(box))->click();
        const FindRequest r = window.request();
        return std::array<bool, 3>{r.match_case, r.whole_word, r.in_selection};
    };
    EXPECT_EQ(ticked_alone(kFindBoxCase), (std::array<bool, 3>{true, false, false}));
    EXPECT_EQ(ticked_alone(kFindBoxWholeWord), (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(ticked_alone(kFindBoxSelection), (std::array<bool, 3>{false, false, true}));
}

TEST_F(FindTest, ReplaceAllEndsWhenTheReplacementHoldsTheTextAndUndoesInOneStep) {
    FindRequest request;
    request.replacement = "aa";
    set_text("a a a", 3, 3); // the whole text, wherever the caret is
    edit_.document()->setModified(false);
    EXPECT_EQ(act(FindAction::ReplaceAll, "a", request), -1);
    EXPECT_EQ(edit_.toPlainText(), "aa aa aa");
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].title, "Information");
    EXPECT_EQ(requester_.asked[0].text, "Replacements made: 3");
    EXPECT_TRUE(edit_.document()->isModified());
    edit_.undo();
    EXPECT_EQ(edit_.toPlainText(), "a a a");
    EXPECT_FALSE(edit_.document()->isUndoAvailable());

    act(FindAction::ReplaceAll, "b", request);
    ASSERT_EQ(requester_.asked.size(), 2U);
    EXPECT_EQ(requester_.asked[1].text, "Replacements made: 0");
    EXPECT_FALSE(edit_.document()->isUndoAvailable());

    // Replace next is an undo step of its own too.
    set_text("x y x");
    request.replacement = "z";
    EXPECT_EQ(act(FindAction::ReplaceNext, "x", request), 0);
    EXPECT_EQ(edit_.toPlainText(), "z y x");
    edit_.undo();
    EXPECT_EQ(edit_.toPlainText(), "x y x");
}

TEST_F(FindTest, ReplaceAllInASelectionStopsAtTheEndItHadBefore) {
    FindRequest longer;
    longer.in_selection = true;
    longer.replacement = "abcd";
    set_text("ab ab ab ab", 0, 5);
    act(FindAction::ReplaceAll, "ab", longer);
    EXPECT_EQ(edit_.toPlainText(), "abcd ab ab ab"); // the second was pushed past the end
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text, "Replacements made: 1");
}

TEST_F(FindTest, ReturnOnNextWithTheReplaceBoxTickedReplaces) {
    QPlainTextEdit* editor = open_editor();
    bool owner_disabled = false;
    qp::test::when_modal([&](QWidget* w) {
        auto* window = qobject_cast<FindWindow*>(w);
        ASSERT_NE(window, nullptr);
        owner_disabled = !window_->isEnabled();
        EXPECT_FALSE(window->control(kFindButtonReplaceAll)->isEnabled());
        qobject_cast<QComboBox*>(window->control(kFindComboText))->setEditText("of");
        qobject_cast<QCheckBox*>(window->control(kFindBoxReplace))->click();
        EXPECT_TRUE(window->control(kFindButtonReplaceAll)->isEnabled());
        qobject_cast<QLineEdit*>(window->control(kFindEditReplacement))->setText("OF");
        window->control(kFindButtonNext)->setFocus();
        QTest::keyClick(window->control(kFindButtonNext), Qt::Key_Return);
    });
    window_->Main_MenuEvent(kCmdFindText);
    EXPECT_TRUE(owner_disabled);
    EXPECT_EQ(editor->toPlainText(), "Text OF A");
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(window_->focusWidget(), editor);
    ASSERT_EQ(ctx_.find.history().size(), 1U);
    EXPECT_EQ(ctx_.find.history().front(), "of");
    // The workspace takes the replacement as any typing.
    EXPECT_TRUE(window_->Feed_CommitText());
    EXPECT_EQ(ctx_.docs.current()->Feeds[0].FeedDesc, "Text OF A");
}

TEST_F(FindTest, TheCommandsWorkOnlyInTheFocusedEditor) {
    QPlainTextEdit* editor = open_editor();

    // F3 before any search opens the window; cancelling remembers nothing.
    bool opened = false;
    qp::test::when_modal([&](QWidget* w) {
        opened = true;
        EXPECT_EQ(w->focusWidget(), qobject_cast<FindWindow*>(w)->control(kFindComboText));
        QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
    });
    window_->Main_MenuEvent(kCmdFindNext);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(ctx_.find.history().empty());

    // Without a selection the selection box is off, and so is the remembered choice.
    ctx_.find.find_remember("Text", 0, true);
    qp::test::when_modal([&](QWidget* w) {
        auto* window = qobject_cast<FindWindow*>(w);
        auto* box = qobject_cast<QCheckBox*>(window->control(kFindBoxSelection));
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(qobject_cast<QComboBox*>(window->control(kFindComboText))->currentText(), "Text");
        window->reject();
    });
    window_->Main_MenuEvent(kCmdFindText);
    EXPECT_FALSE(ctx_.find.in_selection());

    // Shift+F3 repeats the last search backward from the caret.
    editor->moveCursor(QTextCursor::End);
    window_->Main_MenuEvent(kCmdFindPrevious);
    EXPECT_EQ(editor->textCursor().selectedText(), "Text");

    // With the focus in the feed list nothing happens, and no window opens.
    editor->moveCursor(QTextCursor::End);
    window_->workspace(ctx_.docs.current())->list->setFocus();
    opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            opened = true;
            w->close();
        }
    });
    for (int command : {kCmdFindText, kCmdFindNext, kCmdFindPrevious})
        window_->Main_MenuEvent(command);
    QTest::qWait(20);
    EXPECT_FALSE(opened);
    EXPECT_FALSE(editor->textCursor().hasSelection());

    // Without a document the guard logs the command.
    window_->Main_MenuEvent(kCmdProjectCloseAll);
    ASSERT_EQ(ctx_.docs.count(), 0);
    const std::size_t logged = ctx_.log.text().size();
    window_->Main_MenuEvent(kCmdFindNext);
    EXPECT_NE(ctx_.log.text().find("* FindText", logged), std::string::npos);
}

} // namespace
} // namespace qp::ui::testing
