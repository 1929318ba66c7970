#include "core/shortcut_edit.h"

#include "core/text.h"

namespace qp {

namespace {

KeyCode key_code_of(std::string_view value) {
    return parse_leading_int32(value);
}

} // namespace

const ListEntry* ListModel::selected_entry() const {
    if (selected < 0 || static_cast<std::size_t>(selected) >= items.size())
        return nullptr;
    return &items[static_cast<std::size_t>(selected)];
}

ShortcutElement* ShortcutEdit::element_of(int id) {
    for (ShortcutElement& e : elements)
        if (e.Id == id)
            return &e;
    return nullptr;
}

const ShortcutElement* ShortcutEdit::element_of(int id) const {
    for (const ShortcutElement& e : elements)
        if (e.Id == id)
            return &e;
    return nullptr;
}

std::string ShortcutEdit::list_text(const ShortcutElement& element, Texts& texts) {
    return texts.get(element.Name) + "=" + Key_Name(key_code_of(element.Value), texts);
}

void ShortcutEdit::fill_keys(ShortcutPanel& panel, Texts& texts) const {
    panel.keys.items.clear();
    panel.keys.selected = -1;
    panel.keys.items.push_back({texts.get("Key.NoKey"), 0});
    for (int vk = 0; vk <= kKeyMask; ++vk)
        if (key_has_name(vk))
            panel.keys.items.push_back({Key_Name(vk, texts), vk});
}

void ShortcutEdit::fill_list(const Preferences& prefs, ShortcutPanel& panel, Texts& texts) {
    // Built anew each time, so a second fill never lists a command twice.
    elements.clear();
    for (PrefKind kind : {PrefKind::Shortcut, PrefKind::GlobalShortcut})
        for (const PrefItem& item : prefs.table())
            if (item.Kind == kind && item.Window == kWindowMain)
                elements.push_back({item.Id, item.Name, item.Value, item.Kind});
    panel.commands.items.clear();
    for (const ShortcutElement& e : elements)
        panel.commands.items.push_back({list_text(e, texts), e.Id});
    panel.commands.selected = panel.commands.items.empty() ? -1 : 0;
}

void ShortcutEdit::show_selected(ShortcutPanel& panel) const {
    KeyCode code = 0;
    if (const ListEntry* cmd = panel.commands.selected_entry())
        if (const ShortcutElement* e = element_of(static_cast<int>(cmd->data)))
            code = key_code_of(e->Value);
    panel.alt = code & kModAlt;
    panel.ctrl = code & kModCtrl;
    panel.shift = code & kModShift;
    panel.win = code & kModWin;
    panel.keys.selected = -1;
    const std::int64_t key = code & kKeyMask;
    for (int i = static_cast<int>(panel.keys.items.size()) - 1; i >= 0; --i) {
        if (panel.keys.items[static_cast<std::size_t>(i)].data == key) {
            panel.keys.selected = i;
            break;
        }
    }
    panel.modifiers_enabled = true;
    panel.keys.enabled = true;
    panel.set_enabled = true;
}

std::optional<PanelMessage> ShortcutEdit::change(ShortcutPanel& panel, Texts& texts) {
    const KeyCode modifiers = panel.modifiers();
    const ListEntry* key_entry = panel.keys.selected_entry();
    const KeyCode key = key_entry ? static_cast<KeyCode>(key_entry->data & kKeyMask) : 0;
    if (key == 0 && modifiers != 0)
        return PanelMessage{"Msg.Error", texts.get("Msg.NoKeySelected")};

    const KeyCode code = modifiers | key;
    const ListEntry* cmd = panel.commands.selected_entry();
    if (!cmd)
        return std::nullopt;
    ShortcutElement* element = element_of(static_cast<int>(cmd->data));
    if (!element)
        return std::nullopt;
    if (code != 0) {
        // Compared as numbers: a hand-edited value such as "+131142" is the same key.
        for (const ShortcutElement& other : elements) {
            if (other.Id != element->Id && key_code_of(other.Value) == code)
                return PanelMessage{"Msg.Error", texts.get("Msg.ExistShortcut") + "\r\n" +
                                                     texts.get(other.Name)};
        }
    }

    element->Value = std::to_string(code);
    panel.commands.items[static_cast<std::size_t>(panel.commands.selected)].text =
        list_text(*element, texts);
    panel.commands.focused = true;
    panel.keys.focused = false;
    if (element->Kind == PrefKind::GlobalShortcut && !Shortcut_IsGlobal(code))
        return PanelMessage{"Msg.Warning", texts.get("Msg.NotGlobalShortcut")};
    return std::nullopt;
}

void ShortcutEdit::update(Preferences& prefs) const {
    for (const ShortcutElement& e : elements)
        prefs.set_preference_value(e.Id, e.Value);
}

bool ShortcutEdit::differs_from(Preferences& prefs) const {
    for (const ShortcutElement& e : elements)
        if (prefs.Pref_Find(e.Id) && prefs.current_item()->Value != e.Value)
            return true;
    return false;
}

std::optional<PanelMessage> Pref_ShortcutPanel(std::string_view action, ShortcutEdit& edit,
                                               ShortcutPanel& panel, Preferences& prefs,
                                               Texts& texts) {
    if (iequals(action, "fillkey"))
        edit.fill_keys(panel, texts);
    else if (iequals(action, "filllist"))
        edit.fill_list(prefs, panel, texts);
    else if (iequals(action, "setcheckbox"))
        edit.show_selected(panel);
    else if (iequals(action, "change"))
        return edit.change(panel, texts);
    else if (iequals(action, "update"))
        edit.update(prefs);
    return std::nullopt;
}

} // namespace qp
