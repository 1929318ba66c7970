#include "ui/dialogs/lang_editor.h"

#include "core/command_ids.h"
#include "core/file_io.h"
#include "ui/dialogs/modal.h"
#include "ui/support/shell_fixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <regex>

namespace qp::ui {
namespace {

// The editor's own texts, sorted, so that none of its lookups adds a row.
const std::string kEditorKeys =
    "LangEdit.DelLabel=Delete\r\nLangEdit.LabelList=Entries\r\nLangEdit.Next=Next\r\n"
    "LangEdit.Prior=Prior\r\nLangEdit.Quit=Quit\r\nLangEdit.QuitAndSave=Save\r\n"
    "LangEdit.SaveError=Can't save file !\r\nLangEdit.Text=Text\r\n"
    "LangEdit.Title=Translation\r\nLangEdit.UpdateText=Update\r\nMsg.Error=Error\r\n";

// Rows once sorted: 0 "A.One" (no text), 1 "B.Two", 2 "C.Eq" (a text that starts with "="),
// 3 "D.Four", 4 "E.Five" (no text), 5 to 15 the editor's texts, 16 "ZQT-Author", 17 "b.low".
const std::string kFile = "\xEF\xBB\xBF; test\r\nD.Four=Four\r\nb.low=low\r\nA.One=\r\n"
                          "ZQT-Author=Me\r\nC.Eq==x\r\nE.Five=\r\n" +
                          kEditorKeys + "B.Two=Two\r\n";
constexpr int kRows = 18;

class LangEditorTest : public ::testing::Test {
protected:
    LangEditorTest() : ctx_(Paths(tmp_.path(), tmp_.path(), "/opt/", "")) {
        ctx_.requester = &requester_;
        ctx_.lang.set_folders({tmp_.path()});
        EXPECT_TRUE(write_file(path(), kFile).ok());
        EXPECT_EQ(ctx_.lang.Lang_Select("test"), "test");
    }

    std::string path() const { return tmp_.path() + "test.Lng"; }

    // The editor shown and active, so that its keys and focus behave as for the user.
    std::unique_ptr<LangEditor> open(std::string language = "test") {
        auto editor = std::make_unique<LangEditor>(ctx_, std::move(language), nullptr);
        editor->show();
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        return editor;
    }

    static void click(LangEditor& e, int number) {
        QTest::mouseClick(e.control(number), Qt::LeftButton);
    }
    static std::string row(const LangEditor& e, int r) {
        return e.list()->item(r)->text().toStdString();
    }

    qp::test::TempDir tmp_;
    AppContext ctx_;
    testing::QueuedRequester requester_;
};

TEST_F(LangEditorTest, NextAndPriorSkipTheSelectedRowOnlyWhenTheListHasTheFocus) {
    auto e = open();
    QListWidget* list = e->list();
    ASSERT_EQ(list->count(), kRows);
    EXPECT_EQ(row(*e, 0), "A.One = ");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(e->focusWidget(), list);

    click(*e, kLangEditNext); // the click leaves the focus on the list
    EXPECT_EQ(list->currentRow(), 4) << "a text starting with \"=\" is not missing";
    click(*e, kLangEditNext);
    EXPECT_EQ(list->currentRow(), 4) << "nothing missing below";
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(list->currentRow(), 0);
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(list->currentRow(), 0) << "nothing above the first row";

    // From the text field the selected row itself is looked at first.
    e->field()->setFocus();
    click(*e, kLangEditNext);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(e->focusWidget(), list);
    list->setCurrentRow(1);
    e->field()->setFocus();
    QTest::keyClick(e->field(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(list->currentRow(), 4);
}

TEST_F(LangEditorTest, StoredTextsAreMarkedAndCountAsMissingAndReturnStoresOnlyFromTheField) {
    auto e = open();
    QListWidget* list = e->list();
    list->setCurrentRow(3);
    EXPECT_EQ(e->field()->text(), "Four");
    e->field()->setText("Vier");
    e->field()->setFocus();
    QTest::keyClick(e->field(), Qt::Key_Return);
    EXPECT_EQ(row(*e, 3), "D.Four == Vier");
    EXPECT_EQ(ctx_.lang.get("d.four"), "Vier");
    EXPECT_EQ(e->focusWidget(), list);

    click(*e, kLangEditNext); // moves on from the stored row
    EXPECT_EQ(list->currentRow(), 4);
    click(*e, kLangEditPrior);
    EXPECT_EQ(list->currentRow(), 3) << "a stored row is found again";

    list->setCurrentRow(1);
    e->field()->setText("changed");
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(row(*e, 1), "B.Two = Two");
    EXPECT_EQ(ctx_.lang.get("B.Two"), "Two");

    e->control(kLangEditUpdate)->setFocus();
    QTest::keyClick(e->control(kLangEditUpdate), Qt::Key_Return);
    EXPECT_EQ(row(*e, 1), "B.Two == changed");
    click(*e, kLangEditQuit);
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(ctx_.lang.get("B.Two"), "changed") << "edits stay for the rest of the run";
    std::string bytes;
    ASSERT_TRUE(read_file(path(), bytes).ok());
    EXPECT_EQ(bytes, kFile) << "quitting writes nothing";
}

TEST_F(LangEditorTest, DeletingSelectsTheRowAboveOrNoneDownToAnEmptyList) {
    auto e = open();
    QListWidget* list = e->list();
    list->setCurrentRow(2);
    click(*e, kLangEditDelete);
    EXPECT_FALSE(ctx_.lang.find("C.Eq").has_value());
    ASSERT_EQ(list->count(), kRows - 1);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(e->field()->text(), "Two");
    EXPECT_EQ(e->focusWidget(), list);

    list->setCurrentRow(0);
    e->field()->setText("typed");
    click(*e, kLangEditDelete);
    EXPECT_FALSE(ctx_.lang.find("A.One").has_value());
    EXPECT_EQ(list->count(), kRows - 2);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(e->field()->text(), "typed");
    click(*e, kLangEditUpdate); // nothing selected: nothing stored
    EXPECT_EQ(row(*e, 0), "B.Two = Two");

    for (int left = list->count(); left > 0; --left) {
        list->setCurrentRow(0);
        e->field()->setText("typed");
        click(*e, kLangEditDelete);
    }
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(ctx_.lang.entries().empty());
    EXPECT_EQ(e->field()->text(), "typed");
    click(*e, kLangEditNext);
    QTest::keyClick(e->field(), Qt::Key_Return);
    EXPECT_TRUE(ctx_.lang.entries().empty());
}

TEST_F(LangEditorTest, QuitAndSaveWritesTheSortedFileOrStaysOpenWithTheMessage) {
    auto e = open();
    e->list()->setCurrentRow(0);
    e->field()->setText("Eins");
    click(*e, kLangEditUpdate);
    click(*e, kLangEditQuitAndSave);
    EXPECT_FALSE(e->isVisible());
    EXPECT_TRUE(requester_.asked.empty());
    std::string bytes;
    ASSERT_TRUE(read_file(path(), bytes).ok());
    const std::size_t date = bytes.find("\r\n") + 2;
    const std::size_t names = bytes.find("\r\n", date) + 2;
    EXPECT_EQ(bytes.substr(0, date), "\xEF\xBB\xBF; Lang for Quillpost V:0,28,1305,1700\r\n");
    EXPECT_TRUE(std::regex_match(bytes.substr(date, names - date),
                                 std::regex(R"(; \d{4}/\d\d/\d\d \d\d:\d\d:\d\d\r\n)")));
    EXPECT_EQ(bytes.substr(names),
              "; Lang = test\r\nZQT-Author=Me\r\n\r\n"
              "A.One=Eins\r\nB.Two=Two\r\nC.Eq==x\r\nD.Four=Four\r\nE.Five=\r\n" +
                  kEditorKeys + "b.low=low\r\n");
    EXPECT_FALSE(file_exists(path() + ".New"));

    // A language without a file gets one, as any file the program saves.
    auto fresh = open("missing");
    click(*fresh, kLangEditQuitAndSave);
    EXPECT_FALSE(fresh->isVisible());
    EXPECT_TRUE(requester_.asked.empty());
    EXPECT_TRUE(file_exists(tmp_.path() + "missing.Lng"));
    EXPECT_FALSE(file_exists(tmp_.path() + "missing.Lng.New"));
}

class LangEditorCommand : public testing::ShellTest {};

TEST_F(LangEditorCommand, OpensModalOnTheMainWindowWithTheEnglishTexts) {
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    bool seen = false;
    qp::test::when_modal([&](QWidget* w) {
        auto* e = dynamic_cast<LangEditor*>(w);
        ASSERT_NE(e, nullptr);
        seen = true;
        EXPECT_FALSE(window_->isEnabled());
        EXPECT_EQ(e->windowTitle(), "Interface translation");
        EXPECT_EQ(e->size(), QSize(400, 243));
        EXPECT_EQ(e->list()->geometry(), QRect(5, 108, 390, 22));
        EXPECT_EQ(e->field()->geometry(), QRect(163, 135, 232, 22));
        EXPECT_LE(
            (e->frameGeometry().center() - window_->frameGeometry().center()).manhattanLength(), 4);
        EXPECT_EQ(e->list()->count(), static_cast<int>(ctx_.lang.entries().size()));
        QTest::mouseClick(e->control(kLangEditQuit), Qt::LeftButton);
    });
    window_->Main_MenuEvent(kCmdEditLang);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(window_->isEnabled());
}

} // namespace
} // namespace qp::ui
