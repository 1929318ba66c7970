#include "core/file_io.h"
#include "ui/common/combo.h"
#include "ui/common/control_registry.h"
#include "ui/common/pref_gadgets.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/modal.h"
#include "ui/dialogs/pref_window.h"
#include "ui/support/shell_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace qp::ui::testing {
namespace {

class PrefWindowTest : public ShellTest {
protected:
    PrefWindowTest() {
        // As start-up leaves it: the name of the language in use.
        ctx_.prefs.fixed().MainLang = "english";
    }

    // Runs the window; act works inside it and closes it.
    void run(const std::function<void(PrefWindow&)>& act, FontChooser fonts = font_dialog_choose) {
        bool acted = false;
        qp::test::when_modal([&](QWidget* w) {
            auto* window = dynamic_cast<PrefWindow*>(w);
            acted = window != nullptr;
            if (acted)
                act(*window);
            if (w->isVisible()) {
                ADD_FAILURE() << "the window stayed open";
                w->close();
            }
        });
        PrefWindow_Run(*window_, fonts);
        EXPECT_TRUE(acted);
        EXPECT_TRUE(window_->isEnabled());
    }

    static void assign(PrefWindow& w, int command, KeyCode code) {
        w.panel()->setCurrentIndex(2);
        ItemToCombo_ByData(w.control<QListWidget>(kPrefShortcutList), command,
                           ComboMissing::KeepSelection);
        w.control<QCheckBox>(kPrefShortcutAlt)->setChecked(code & kModAlt);
        w.control<QCheckBox>(kPrefShortcutCtrl)->setChecked(code & kModCtrl);
        w.control<QCheckBox>(kPrefShortcutShift)->setChecked(code & kModShift);
        w.control<QCheckBox>(kPrefShortcutWin)->setChecked(code & kModWin);
        ItemToCombo_ByData(w.control<QComboBox>(kPrefShortcutKey), code & kKeyMask,
                           ComboMissing::KeepSelection);
        w.control<QPushButton>(kPrefShortcutSet)->click();
    }

    std::string settings() {
        std::string bytes;
        EXPECT_TRUE(read_file(ctx_.prefs.settings_path(), bytes).ok());
        return bytes;
    }

    ShortcutKeys& keys() { return window_->shortcuts(); }
};

TEST_F(PrefWindowTest, OnlyOkChangesTheSettingsFile) {
    const std::string hand_written = "; mine\r\nmainwindowx=  250\r\n";
    ASSERT_TRUE(write_file(ctx_.prefs.settings_path(), hand_written).ok());
    ASSERT_EQ(ctx_.prefs.load_preferences(), "");
    ctx_.prefs.fixed().MainLang = "english";

    const std::function<void(PrefWindow&)> closers[] = {
        [](PrefWindow& w) { w.cancel_button()->click(); },
        [](PrefWindow& w) { QTest::keyClick(w.panel(), Qt::Key_Escape); },
        [](PrefWindow& w) { w.close(); },
    };
    for (const auto& close : closers) {
        run([&](PrefWindow& w) {
            w.control<QLineEdit>(kPrefStatusEdit)->setText("edited");
            assign(w, kCmdProjectNew, kModCtrl | 'K');
            close(w);
        });
        EXPECT_EQ(settings(), hand_written);
        EXPECT_EQ(ctx_.prefs.preference_value(kPrefStatusEdit), "");
        EXPECT_EQ(keys().command_of(kModCtrl | 'N'), kCmdProjectNew);
        EXPECT_EQ(keys().command_of(kModCtrl | 'K'), 0);
    }
    EXPECT_TRUE(requester_.asked.empty());

    // OK without a change still rewrites the file; Return in a text field is OK.
    run([](PrefWindow& w) {
        QLineEdit* field = w.control<QLineEdit>(kPrefStatusTree);
        EXPECT_EQ(w.control<QCheckBox>(kPrefOnStartOpenLast)->isChecked(), true);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
    });
    const std::string rewritten = settings();
    EXPECT_NE(rewritten.find("\r\nMainWindowX = 250\r\n"), std::string::npos);
    EXPECT_EQ(rewritten.find("mine"), std::string::npos);
    EXPECT_TRUE(requester_.asked.empty()); // the language stayed

    run([](PrefWindow& w) {
        w.control<QLineEdit>(kPrefStatusEdit)->setText("%x *");
        w.control<QCheckBox>(kPrefOnStartOpenLast)->setChecked(false);
        w.ok_button()->click();
    });
    EXPECT_NE(settings().find("\r\nPref.OnStartOpenLast = Off\r\nPref.StatusEdit = %x *\r\n"),
              std::string::npos);
}

// Every setting of the window, ticked or typed with a value no other one has, is stored into its
// own item and shown again from it; the two rounds flip the boxes so that no two boxes agree.
TEST_F(PrefWindowTest, EachControlIsStoredIntoItsOwnSettingAndShownFromIt) {
    std::vector<const PrefItem*> items;
    std::vector<int> box_number; // counts the boxes only, so that neighbours alternate
    int boxes = 0;
    for (const PrefItem& item : ctx_.prefs.table())
        if (item.Window == kWindowPreferences &&
            (item.Kind == PrefKind::Flag || item.Kind == PrefKind::Text)) {
            items.push_back(&item);
            box_number.push_back(item.Kind == PrefKind::Flag ? boxes++ : -1);
        }
    for (int round = 0; round < 2; ++round) {
        auto wanted = [&](std::size_t i) {
            if (box_number[i] >= 0)
                return std::string((box_number[i] + round) % 2 == 0 ? "Off" : "On");
            return items[i]->Name + " " + std::to_string(round);
        };
        int set = 0;
        run([&](PrefWindow& w) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (auto* box = w.control<QCheckBox>(items[i]->Id)) {
                    box->setChecked(wanted(i) == "On");
                    ++set;
                } else if (auto* field = w.control<QLineEdit>(items[i]->Id)) {
                    field->setText(to_q(wanted(i)));
                    ++set;
                }
            }
            w.ok_button()->click();
        });
        EXPECT_GE(set, 4) << "the window shows its two boxes and two templates";
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i]->Id != kEditorFontItem) {
                EXPECT_EQ(ctx_.prefs.preference_value(items[i]->Id), wanted(i)) << items[i]->Name;
            }
        }
        run([&](PrefWindow& w) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (auto* box = w.control<QCheckBox>(items[i]->Id)) {
                    EXPECT_EQ(box->isChecked(), wanted(i) == "On") << items[i]->Name;
                } else if (auto* field = w.control<QLineEdit>(items[i]->Id)) {
                    EXPECT_EQ(from_q(field->text()), wanted(i)) << items[i]->Name;
                }
            }
            w.cancel_button()->click();
        });
    }
}

TEST_F(PrefWindowTest, ShortcutsAreRefusedAsTheRulesSayAndAppliedAtOnceOnOk) {
    const QString new_entry = window_->action(kCmdProjectNew)->text();
    run([&](PrefWindow& w) {
        auto* list = w.control<QListWidget>(kPrefShortcutList);
        assign(w, kCmdFindText, kModCtrl | 'N'); // New's key
        ASSERT_EQ(requester_.asked.size(), 1U);
        EXPECT_EQ(requester_.asked[0].title, "Error");
        EXPECT_EQ(requester_.asked[0].text, to_q(ctx_.lang.get("Msg.ExistShortcut") + "\r\n" +
                                                 ctx_.lang.get("Main\\Shortcut.NewProject")));

        assign(w, kCmdFindText, kModCtrl); // a modifier without a key
        ASSERT_EQ(requester_.asked.size(), 2U);
        EXPECT_EQ(requester_.asked[1].text, to_q(ctx_.lang.get("Msg.NoKeySelected")));
        EXPECT_TRUE(list->currentItem()->text().endsWith("=Ctrl+F"));

        assign(w, kCmdFindText, 0);                 // cleared
        assign(w, kCmdProjectNew, kModCtrl | 'X');  // takes the fixed Cut key over
        assign(w, kCmdProjectSave, kModCtrl | 'F'); // Find's old key, free now
        EXPECT_EQ(requester_.asked.size(), 2U);
        EXPECT_TRUE(list->currentItem()->text().endsWith("=Ctrl+F"));
        EXPECT_EQ(w.focusWidget(), list);

        // Choosing a command shows its key.
        ItemToCombo_ByData(list, kCmdProjectNew, ComboMissing::KeepSelection);
        EXPECT_TRUE(w.control<QCheckBox>(kPrefShortcutCtrl)->isChecked());
        EXPECT_FALSE(w.control<QCheckBox>(kPrefShortcutAlt)->isChecked());
        EXPECT_EQ(w.control<QComboBox>(kPrefShortcutKey)->currentData().toInt(), 'X');
        w.ok_button()->click();
    });
    EXPECT_EQ(keys().command_of(kModCtrl | 'F'), kCmdProjectSave);
    EXPECT_EQ(keys().command_of(kModCtrl | 'S'), 0);
    EXPECT_EQ(keys().command_of(kModCtrl | 'N'), 0);
    EXPECT_FALSE(window_->action(kCmdFindText)->text().contains('\t'));
    EXPECT_TRUE(window_->action(kCmdProjectNew)->text().endsWith("\tCtrl+X"));
    EXPECT_NE(settings().find("\r\nMain\\Shortcut.FindText = 0\r\n"), std::string::npos);

    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ctx_.docs.count(), 1);

    // Giving New its key back frees Ctrl+X for Cut again.
    run([](PrefWindow& w) {
        assign(w, kCmdProjectNew, kModCtrl | 'N');
        w.ok_button()->click();
    });
    EXPECT_EQ(keys().command_of(kModCtrl | 'X'), kCmdCut);
    EXPECT_EQ(window_->action(kCmdProjectNew)->text(), new_entry);
}

TEST_F(PrefWindowTest, AnotherLanguageIsAnnouncedOnceAndTakesEffectAtTheNextStart) {
    const QString menu = window_->action(kCmdProjectNew)->text();
    run([](PrefWindow& w) {
        auto* languages = w.control<QComboBox>(kPrefLanguage);
        EXPECT_EQ(languages->currentText(), "English");
        languages->setCurrentIndex(languages->findText("Français"));
        w.ok_button()->click();
    });
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              "La nouvelle langue sera utilisée au prochain démarrage de Quillpost.");
    EXPECT_EQ(ctx_.prefs.fixed().MainLang, "français");
    EXPECT_NE(settings().find("\r\nMainLang = fran"), std::string::npos);
    EXPECT_EQ(window_->action(kCmdProjectNew)->text(), menu);

    // With no language file to offer, the choice made before stays and nothing is announced.
    ctx_.lang.set_folders({tmp_.path() + "none/"});
    run([](PrefWindow& w) {
        EXPECT_EQ(w.control<QComboBox>(kPrefLanguage)->count(), 0);
        w.ok_button()->click();
    });
    EXPECT_EQ(ctx_.prefs.fixed().MainLang, "français");
    EXPECT_EQ(requester_.asked.size(), 1U);
}

TEST_F(PrefWindowTest, TheChosenFontIsStoredAndShownInEveryEditor) {
    docs().Document_New();
    QPlainTextEdit* editor = window_->workspace(ctx_.docs.current())->editor;
    std::optional<QFont> answer;
    const FontChooser chooser = [&](QWidget*, const QFont&) { return answer; };
    auto choose_then = [](void (PrefWindow::*close)()) {
        return [close](PrefWindow& w) {
            w.control<QPushButton>(kPrefFontButton)->click();
            (w.*close)();
        };
    };

    run(choose_then(&PrefWindow::accept), chooser); // the chooser cancelled
    answer = QFont("Serif Test", 14);
    run(choose_then(&PrefWindow::reject), chooser); // the window cancelled
    EXPECT_EQ(ctx_.prefs.preference_value(kEditorFontItem), "");
    EXPECT_EQ(editor->font().pointSize(), 10);

    run(choose_then(&PrefWindow::accept), chooser);
    EXPECT_NE(settings().find("\r\nPref.EditorFont = Serif Test;14\r\n"), std::string::npos);
    EXPECT_EQ(editor->font().family(), "Serif Test");
    EXPECT_EQ(editor->font().pointSize(), 14);
}

TEST(PrefGadgets, ItemsFollowOnlyControlsOfTheirKindInTheirWindow) {
    Paths paths("/m/", "", "", "");
    Log log;
    Preferences prefs(paths, log);
    prefs.add_state_preference("State", 2, 76, 2);
    prefs.add_text_preference("OnButton", 4, 76, "name;12");
    prefs.add_text_preference("OtherWindow", 5, 0, "kept");
    QWidget parent;
    auto* state = new QComboBox(&parent);
    state->addItems({"a", "b", "c"});
    auto* button = new QPushButton("caption", &parent);
    auto* other = new QLineEdit(&parent);
    ControlRegistry controls;
    controls.add(2, state);
    controls.add(4, button);
    controls.add(5, other);

    Pref_ToGadgets(prefs, 76, controls);
    EXPECT_EQ(state->currentIndex(), 2);
    EXPECT_EQ(button->text(), "caption");
    EXPECT_EQ(other->text(), "");
    state->setCurrentIndex(0);
    Pref_FromGadgets(prefs, 76, controls);
    EXPECT_EQ(prefs.preference_value(2), "0");
    EXPECT_EQ(prefs.preference_value(4), "name;12");
    EXPECT_EQ(prefs.preference_value(5), "kept");
}

} // namespace
} // namespace qp::ui::testing
