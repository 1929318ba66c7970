// The editing rules of the shortcut page of the preferences window. The page's controls are
// plain models here; the window shows them and shows the messages the actions return.
#pragma once

#include "core/keys.h"
#include "core/preferences.h"
#include "core/texts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

struct ListEntry {
    std::string text;
    std::int64_t data = 0;
};

// A list or combo box: its items, the selected row (-1 for none) and its state.
struct ListModel {
    std::vector<ListEntry> items;
    int selected = -1;
    bool enabled = false;
    bool focused = false;

    const ListEntry* selected_entry() const;
};

struct ShortcutPanel {
    ListModel keys;     // Pref\Shortcut.Key
    ListModel commands; // Pref\Shortcut.List
    bool alt = false;   // Pref\Shortcut.Alt
    bool ctrl = false;  // Pref\Shortcut.Control
    bool shift = false; // Pref\Shortcut.Shift
    bool win = false;   // Pref\Shortcut.Win
    bool modifiers_enabled = false;
    bool set_enabled = false;

    KeyCode modifiers() const { return Shortcut_Modifiers(alt, ctrl, shift, win); }
};

// A message the window shows with its requester: Ok button only (buttons 0), parent window 76.
struct PanelMessage {
    std::string title_key; // "Msg.Error" or "Msg.Warning"
    std::string text;      // shown with an OK button
    int parent = kWindowPreferences;
};

struct ShortcutElement {
    int Id = 0;
    std::string Name;
    std::string Value;
    PrefKind Kind = PrefKind::Shortcut;
};

// Working copies of the shortcut items while the preferences window is open; OK copies them
// back ("update"), Cancel drops them.
class ShortcutEdit {
public:
    std::vector<ShortcutElement> elements;

    // "fillkey": the no-key entry, then every named key in ascending code order.
    void fill_keys(ShortcutPanel& panel, Texts& texts) const;
    // "filllist": copies the main window's shortcut items and lists them, first one selected.
    void fill_list(const Preferences& prefs, ShortcutPanel& panel, Texts& texts);
    // "setcheckbox": shows the selected command's key in the boxes and the key list.
    void show_selected(ShortcutPanel& panel) const;
    // "change": assigns the boxes and the selected key to the selected command, unless the key
    // is incomplete or another command has it.
    std::optional<PanelMessage> change(ShortcutPanel& panel, Texts& texts);
    // "update": copies the working values into the preference table.
    void update(Preferences& prefs) const;

    // True when some working value differs from its item (the window then reinstalls keys).
    bool differs_from(Preferences& prefs) const;

private:
    ShortcutElement* element_of(int id);
    const ShortcutElement* element_of(int id) const;
    static std::string list_text(const ShortcutElement& element, Texts& texts);
};

// Runs one action of the shortcut page; the action is compared without regard to case, and an
// unknown one does nothing.
std::optional<PanelMessage> Pref_ShortcutPanel(std::string_view action, ShortcutEdit& edit,
                                               ShortcutPanel& panel, Preferences& prefs,
                                               Texts& texts);

} // namespace qp
