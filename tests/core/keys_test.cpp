#include "core/keys.h"

#include <gtest/gtest.h>

using namespace qp;

TEST(KeyName, ModifiersAndKeys) {
    KeyTexts t;
    EXPECT_EQ(Key_Name(0x20046, t), "Key.Ctrl+F");
    EXPECT_EQ(Key_Name(0x6000D, t), "Key.Alt+Key.Ctrl+Key.Return"); // Alt first whatever the bits
    EXPECT_EQ(Key_Name(kModWin | kModShift | '7', t), "Key.Shift+Key.Win+7");
    EXPECT_EQ(Key_Name(0x20000, t), "Key.Ctrl"); // no key: no trailing "+"
    EXPECT_EQ(Key_Name(kModAlt | 0xBA, t), "Key.Alt");
    EXPECT_EQ(Key_Name(0, t), "");
    EXPECT_EQ(Key_Name(0xBA, t), "");
    EXPECT_EQ(Key_Name(0x67, t), "Key.Pad7");
    EXPECT_EQ(Key_Name(0x70, t), "F1");
    EXPECT_EQ(Key_Name(0x87, t), "F24");
    EXPECT_EQ(Key_Name(0xDE, t), "Key.Pow2");
    EXPECT_EQ(Key_Name(-1, t), "Key.Alt+Key.Ctrl+Key.Shift+Key.Win"); // hand-edited nonsense
}

TEST(KeyName, NamedKeysAreTheTableOnes) {
    int named = 0;
    for (int vk = 0; vk < 256; ++vk)
        named += key_has_name(vk);
    EXPECT_EQ(named, 99);
    for (int vk : {0x00, 0x0A, 0x29, 0x2B, 0x2F, 0x3A, 0x40, 0x5B, 0x5C, 0x5E, 0x88, 0xFF})
        EXPECT_FALSE(key_has_name(vk)) << vk;
}

TEST(Shortcut, GlobalQualification) {
    EXPECT_TRUE(Shortcut_IsGlobal(kModCtrl | kModAlt | 'L'));
    EXPECT_TRUE(Shortcut_IsGlobal(kModAlt | kModShift | kVkF1));
    EXPECT_TRUE(Shortcut_IsGlobal(kModWin | 'A'));
    EXPECT_FALSE(Shortcut_IsGlobal(kModCtrl | kModShift | 'S'));
    EXPECT_FALSE(Shortcut_IsGlobal(kModAlt | kVkF1));
    EXPECT_EQ(shortcut_window_key(kModWin | kVkF1), kVkF1); // Win+F1 acts as F1 in a window
    EXPECT_EQ(Shortcut_Modifiers(true, false, true, false), kModAlt | kModShift);
}

TEST(Shortcut, MenuTextShowsTheKeyAfterATab) {
    KeyTexts t;
    EXPECT_EQ(shortcut_menu_text("Find", kModCtrl | 'F', t), "Find\tKey.Ctrl+F");
    EXPECT_EQ(shortcut_menu_text("Find\tKey.Ctrl+F", kModShift | (kVkF1 + 2), t),
              "Find\tKey.Shift+F3");
    EXPECT_EQ(shortcut_menu_text("Find\tKey.Ctrl+F", 0, t), "Find"); // a removed key clears it
}
