#include "core/shortcut_edit.h"

#include <gtest/gtest.h>

using namespace qp;

namespace {

class ShortcutPage : public ::testing::Test {
protected:
    void SetUp() override {
        pref_register_all(prefs_);
        run("fillkey");
        run("filllist");
        run("setcheckbox");
    }
    std::optional<PanelMessage> run(std::string_view action) {
        return Pref_ShortcutPanel(action, edit_, panel_, prefs_, texts_);
    }
    static void select(ListModel& list, int data) {
        for (std::size_t i = 0; i < list.items.size(); ++i)
            if (list.items[i].data == data)
                list.selected = static_cast<int>(i);
    }
    void select_command(int id) {
        select(panel_.commands, id);
        run("setcheckbox");
    }
    void select_key(int vk) { select(panel_.keys, vk); }
    std::string value_of(int id) {
        for (const ShortcutElement& e : edit_.elements)
            if (e.Id == id)
                return e.Value;
        return "none";
    }

    Paths paths_{"/m/", "", "", ""};
    Log log_;
    Preferences prefs_{paths_, log_};
    KeyTexts texts_;
    ShortcutEdit edit_;
    ShortcutPanel panel_;
};

} // namespace

TEST_F(ShortcutPage, ListsKeysAndCommands) {
    ASSERT_EQ(panel_.keys.items.size(), 100u);
    EXPECT_EQ(panel_.keys.items[0].text, "Key.NoKey");
    EXPECT_EQ(panel_.keys.items[99].text, "Key.Pow2");
    for (std::size_t i = 2; i < panel_.keys.items.size(); ++i)
        EXPECT_LT(panel_.keys.items[i - 1].data, panel_.keys.items[i].data);

    ASSERT_EQ(panel_.commands.items.size(), 21u);
    EXPECT_EQ(panel_.commands.items[0].text, "Main\\Shortcut.Help=F1");
    EXPECT_EQ(panel_.commands.items[6].text, "Main\\Shortcut.CloseAllProject=");
    EXPECT_EQ(panel_.commands.selected, 0);

    run("FillList"); // a second fill lists each command once
    EXPECT_EQ(edit_.elements.size(), 21u);
    EXPECT_EQ(panel_.commands.items.size(), 21u);
}

TEST_F(ShortcutPage, SelectionShowsTheKey) {
    EXPECT_TRUE(panel_.set_enabled && panel_.keys.enabled && panel_.modifiers_enabled);
    select_command(kCmdFindPrevious); // Shift+F3
    EXPECT_TRUE(panel_.shift);
    EXPECT_FALSE(panel_.ctrl || panel_.alt || panel_.win);
    ASSERT_NE(panel_.keys.selected_entry(), nullptr);
    EXPECT_EQ(panel_.keys.selected_entry()->text, "F3");

    select_command(kCmdProjectCloseAll); // no key
    EXPECT_EQ(panel_.keys.selected, 0);
    EXPECT_FALSE(panel_.shift);

    edit_.elements[0].Value = std::to_string(kModCtrl | 0xBA); // a key the list lacks
    select_command(kCmdHelp);
    EXPECT_TRUE(panel_.ctrl);
    EXPECT_EQ(panel_.keys.selected, -1);
}

TEST_F(ShortcutPage, ChangeRefusesIncompleteAndTakenKeys) {
    select_command(kCmdFindText);
    panel_.shift = false;
    panel_.ctrl = true;
    select_key(0);
    auto msg = run("change");
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->title_key + " " + msg->text, "Msg.Error Msg.NoKeySelected");
    EXPECT_EQ(msg->parent, 76);
    EXPECT_EQ(value_of(kCmdFindText), "131142");

    select_key('S'); // Ctrl+S belongs to SaveProject
    msg = run("change");
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->text, "Msg.ExistShortcut\r\nMain\\Shortcut.SaveProject");
    EXPECT_EQ(value_of(kCmdFindText), "131142");

    edit_.elements[0].Value = "+131160"; // Help holds Ctrl+X, written by hand
    select_key('X');
    msg = run("change");
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->text, "Msg.ExistShortcut\r\nMain\\Shortcut.Help");

    select_key('F'); // its own key again is no conflict
    EXPECT_FALSE(run("change").has_value());
}

TEST_F(ShortcutPage, ChangeAssignsAndUpdateCopiesBack) {
    select_command(kCmdFindNext);
    panel_.ctrl = true;
    panel_.win = true;
    select_key('C'); // a fixed key of the main window, not a shortcut item: accepted
    panel_.commands.focused = false;
    EXPECT_FALSE(run("change").has_value());
    EXPECT_EQ(value_of(kCmdFindNext), std::to_string(kModCtrl | kModWin | 'C'));
    EXPECT_EQ(panel_.commands.selected_entry()->text, "Main\\Shortcut.FindNext=Key.Ctrl+Key.Win+C");
    EXPECT_TRUE(panel_.commands.focused);

    select_command(kCmdHelp);
    panel_.ctrl = panel_.alt = panel_.shift = panel_.win = false;
    select_key(0);
    EXPECT_FALSE(run("change").has_value());
    EXPECT_EQ(value_of(kCmdHelp), "0");

    EXPECT_EQ(prefs_.preference_value(kCmdHelp), "112"); // nothing reaches the table before OK
    EXPECT_TRUE(edit_.differs_from(prefs_));
    run("UPDATE");
    EXPECT_EQ(prefs_.preference_value(kCmdHelp), "0");
    EXPECT_EQ(prefs_.preference_value(kCmdFindNext), std::to_string(kModCtrl | kModWin | 'C'));
    EXPECT_FALSE(edit_.differs_from(prefs_));
}

TEST_F(ShortcutPage, SystemWideItemsWarnButKeepANonGlobalKey) {
    prefs_.add_global_shortcut_preference("Main\\Shortcut.Show", 900, kWindowMain, kModWin | 'Q',
                                          kMenuNone);
    prefs_.add_shortcut_preference("Other\\Shortcut.X", 901, 2, kVkF1 + 4, kMenuNone);
    run("filllist");
    ASSERT_EQ(edit_.elements.size(), 22u); // the other window's item is not listed
    EXPECT_EQ(edit_.elements.back().Id, 900);

    select_command(900);
    EXPECT_TRUE(panel_.win);
    panel_.win = false;
    panel_.alt = true;
    select_key(kVkF1 + 9);
    auto msg = run("change");
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->title_key + " " + msg->text, "Msg.Warning Msg.NotGlobalShortcut");
    EXPECT_EQ(value_of(900), std::to_string(kModAlt | (kVkF1 + 9)));
}
