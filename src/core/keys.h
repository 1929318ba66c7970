// Key codes, their display names, and the configurable commands of the main window with their
// default keys.
#pragma once

#include "core/command_ids.h"
#include "core/texts.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

// A virtual-key code of the Windows keyboard in bits 0-7 plus modifier bits; 0 means no key.
// Stored in the preference file as a decimal number.
using KeyCode = std::int32_t;

inline constexpr KeyCode kKeyMask = 0xFF;
inline constexpr KeyCode kModShift = 0x10000;
inline constexpr KeyCode kModCtrl = 0x20000;
inline constexpr KeyCode kModAlt = 0x40000;
inline constexpr KeyCode kModWin = 0x100000;
inline constexpr KeyCode kModifierMask = kModShift | kModCtrl | kModAlt | kModWin;

// The virtual keys the program names; letters and digits are their ASCII codes.
inline constexpr int kVkBack = 0x08;
inline constexpr int kVkTab = 0x09;
inline constexpr int kVkClear = 0x0C;
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkPause = 0x13;
inline constexpr int kVkCapital = 0x14;
inline constexpr int kVkEscape = 0x1B;
inline constexpr int kVkSpace = 0x20;
inline constexpr int kVkPrior = 0x21;
inline constexpr int kVkNext = 0x22;
inline constexpr int kVkEnd = 0x23;
inline constexpr int kVkHome = 0x24;
inline constexpr int kVkLeft = 0x25;
inline constexpr int kVkUp = 0x26;
inline constexpr int kVkRight = 0x27;
inline constexpr int kVkDown = 0x28;
inline constexpr int kVkPrint = 0x2A;
inline constexpr int kVkSnapshot = 0x2C;
inline constexpr int kVkInsert = 0x2D;
inline constexpr int kVkDelete = 0x2E;
inline constexpr int kVkApps = 0x5D;
inline constexpr int kVkNumpad0 = 0x60;
inline constexpr int kVkMultiply = 0x6A;
inline constexpr int kVkAdd = 0x6B;
inline constexpr int kVkSeparator = 0x6C;
inline constexpr int kVkSubtract = 0x6D;
inline constexpr int kVkDecimal = 0x6E;
inline constexpr int kVkDivide = 0x6F;
inline constexpr int kVkF1 = 0x70;
inline constexpr int kVkF24 = 0x87;
inline constexpr int kVkNumlock = 0x90;
inline constexpr int kVkPow2 = 0xDE;

// Every key the program names beyond letters, digits, F-keys and keypad digits, once: its code, its
// language key, its X keysym and its name in the window toolkit's key list. The last column is a
// bare name that only the window layer turns into a toolkit key, so this layer needs no toolkit.
// Print and Snapshot are one key under X. Pow2 is the key left of 1 on a French keyboard.
#define QP_NAMED_KEYS(KEY)                                                                         \
    KEY(kVkBack, "Key.Back", 0xFF08, Key_Backspace)                                                \
    KEY(kVkTab, "Key.Tab", 0xFF09, Key_Tab)                                                        \
    KEY(kVkClear, "Key.Clear", 0xFF0B, Key_Clear)                                                  \
    KEY(kVkReturn, "Key.Return", 0xFF0D, Key_Return)                                               \
    KEY(kVkPause, "Key.Pause", 0xFF13, Key_Pause)                                                  \
    KEY(kVkCapital, "Key.Capital", 0xFFE5, Key_CapsLock)                                           \
    KEY(kVkEscape, "Key.Escape", 0xFF1B, Key_Escape)                                               \
    KEY(kVkSpace, "Key.Space", 0x20, Key_Space)                                                    \
    KEY(kVkPrior, "Key.Prior", 0xFF55, Key_PageUp)                                                 \
    KEY(kVkNext, "Key.Next", 0xFF56, Key_PageDown)                                                 \
    KEY(kVkEnd, "Key.End", 0xFF57, Key_End)                                                        \
    KEY(kVkHome, "Key.Home", 0xFF50, Key_Home)                                                     \
    KEY(kVkLeft, "Key.Left", 0xFF51, Key_Left)                                                     \
    KEY(kVkUp, "Key.Up", 0xFF52, Key_Up)                                                           \
    KEY(kVkRight, "Key.Right", 0xFF53, Key_Right)                                                  \
    KEY(kVkDown, "Key.Down", 0xFF54, Key_Down)                                                     \
    KEY(kVkPrint, "Key.Print", 0xFF61, Key_Print)                                                  \
    KEY(kVkSnapshot, "Key.Snapshot", 0xFF61, Key_Print)                                            \
    KEY(kVkInsert, "Key.Insert", 0xFF63, Key_Insert)                                               \
    KEY(kVkDelete, "Key.Delete", 0xFFFF, Key_Delete)                                               \
    KEY(kVkApps, "Key.Apps", 0xFF67, Key_Menu)                                                     \
    KEY(kVkMultiply, "Key.Multiply", 0xFFAA, Key_Asterisk)                                         \
    KEY(kVkAdd, "Key.Add", 0xFFAB, Key_Plus)                                                       \
    KEY(kVkSeparator, "Key.Separator", 0xFFAC, Key_Comma)                                          \
    KEY(kVkSubtract, "Key.Subtract", 0xFFAD, Key_Minus)                                            \
    KEY(kVkDecimal, "Key.Decimal", 0xFFAE, Key_Period)                                             \
    KEY(kVkDivide, "Key.Divide", 0xFFAF, Key_Slash)                                                \
    KEY(kVkNumlock, "Key.Numlock", 0xFF7F, Key_NumLock)                                            \
    KEY(kVkPow2, "Key.Pow2", 0xB2, Key_twosuperior)

struct NamedKey {
    std::string_view language_key;
    int vk;
    std::uint32_t keysym;
};

inline constexpr NamedKey kNamedKeys[] = {
#define QP_NAMED_KEY_ROW(vk, language_key, keysym, toolkit_key) {language_key, vk, keysym},
    QP_NAMED_KEYS(QP_NAMED_KEY_ROW)
#undef QP_NAMED_KEY_ROW
};

// The row of a named key; nullptr for the others.
const NamedKey* key_named(int vk);

struct ShortcutDefault {
    std::string_view name; // preference key and language key of the caption
    int command;
    KeyCode key;
    int menu; // menu whose entry shows the key name
};

// The configurable shortcuts of the main window, in registration order.
inline constexpr std::array<ShortcutDefault, 21> kMainShortcuts{{
    {"Main\\Shortcut.Help", kCmdHelp, kVkF1, kMenuMain},
    {"Main\\Shortcut.EditPref", kCmdEditPref, kModCtrl | 'P', kMenuMain},
    {"Main\\Shortcut.NewProject", kCmdProjectNew, kModCtrl | 'N', kMenuMain},
    {"Main\\Shortcut.LoadProject", kCmdProjectOpen, kModCtrl | 'L', kMenuMain},
    {"Main\\Shortcut.SaveProject", kCmdProjectSave, kModCtrl | 'S', kMenuMain},
    {"Main\\Shortcut.CloseProject", kCmdProjectClose, kModCtrl | 'W', kMenuMain},
    {"Main\\Shortcut.CloseAllProject", kCmdProjectCloseAll, 0, kMenuMain},
    {"Main\\Shortcut.FindText", kCmdFindText, kModCtrl | 'F', kMenuMain},
    {"Main\\Shortcut.FindNext", kCmdFindNext, kVkF1 + 2, kMenuMain},
    {"Main\\Shortcut.FindPrevious", kCmdFindPrevious, kModShift | (kVkF1 + 2), kMenuMain},
    {"Main\\Shortcut.FeedAdd", kCmdFeedAdd, kModAlt | kVkAdd, kMenuMain},
    {"Main\\Shortcut.FeedMoveUp", kCmdFeedMoveUp, kModAlt | kVkUp, kMenuMain},
    {"Main\\Shortcut.FeedMoveDown", kCmdFeedMoveDown, kModAlt | kVkDown, kMenuMain},
    {"Main\\Shortcut.FeedProperty", kCmdFeedProperty, kModAlt | kVkReturn, kMenuMain},
    {"Main\\Shortcut.RssProperty", kCmdRssProperty, kModCtrl | kModAlt | kVkReturn, kMenuMain},
    {"Main\\Shortcut.AffLog", kCmdShowLog, kModAlt | kVkF1, kMenuNone},
    {"Main\\Shortcut.EditLang", kCmdEditLang, kModAlt | (kVkF1 + 1), kMenuNone},
    {"Main\\Shortcut.DocumentNext", kCmdNextProject, kModCtrl | kVkTab, kMenuMain},
    {"Main\\Shortcut.DocumentPrevious", kCmdPrevProject, kModCtrl | kModShift | kVkTab, kMenuMain},
    {"Main\\Shortcut.Undo", kCmdUndo, kModCtrl | 'Z', kMenuEditorPopup},
    {"Main\\Shortcut.Redo", kCmdRedo, kModCtrl | 'Y', kMenuEditorPopup},
}};

// True when the virtual key (0-255) has a display name.
bool key_has_name(int virtual_key);
// Modifier names ("Alt", "Ctrl", "Shift", "Win" order) joined by "+" and the key's name; just
// the modifiers when the key has no name; the empty text for 0.
std::string Key_Name(KeyCode code, Texts& texts);
// Win, Ctrl+Alt or Alt+Shift: combinations that may be registered system-wide.
bool Shortcut_IsGlobal(KeyCode code);
// Window shortcuts know Shift, Ctrl and Alt only: the Win bit is dropped.
inline KeyCode shortcut_window_key(KeyCode code) {
    return code & ~kModWin;
}
// The modifier bits of the four check boxes of the shortcut page.
KeyCode Shortcut_Modifiers(bool alt, bool ctrl, bool shift, bool win);
// A menu entry's text with its key name: the text up to its first tab, then a tab and the name
// when code is not 0.
std::string shortcut_menu_text(std::string_view entry_text, KeyCode code, Texts& texts);

} // namespace qp
