#include "core/keys.h"

namespace qp {

namespace {

// The language key of a key named by the language file; empty for keys named otherwise or not
// at all.
std::string_view language_key_of(int vk) {
    const NamedKey* key = key_named(vk);
    return key != nullptr ? key->language_key : std::string_view();
}

bool is_digit_key(int vk) {
    return vk >= '0' && vk <= '9';
}
bool is_letter_key(int vk) {
    return vk >= 'A' && vk <= 'Z';
}
bool is_pad_digit(int vk) {
    return vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9;
}
bool is_function_key(int vk) {
    return vk >= kVkF1 && vk <= kVkF24;
}

} // namespace

const NamedKey* key_named(int vk) {
    for (const NamedKey& key : kNamedKeys)
        if (key.vk == vk)
            return &key;
    return nullptr;
}

bool key_has_name(int vk) {
    return !language_key_of(vk).empty() || is_digit_key(vk) || is_letter_key(vk) ||
           is_pad_digit(vk) || is_function_key(vk);
}

std::string Key_Name(KeyCode code, Texts& texts) {
    std::string out;
    const auto add_modifier = [&](KeyCode bit, std::string_view key) {
        if (code & bit) {
            out += texts.get(key);
            out += '+';
        }
    };
    add_modifier(kModAlt, "Key.Alt");
    add_modifier(kModCtrl, "Key.Ctrl");
    add_modifier(kModShift, "Key.Shift");
    add_modifier(kModWin, "Key.Win");

    const int vk = code & kKeyMask;
    if (const std::string_view key = language_key_of(vk); !key.empty())
        return out + texts.get(key);
    if (is_digit_key(vk) || is_letter_key(vk))
        return out + static_cast<char>(vk);
    if (is_pad_digit(vk))
        return out + texts.get("Key.Pad") + std::to_string(vk - kVkNumpad0);
    if (is_function_key(vk))
        return out + "F" + std::to_string(vk - kVkF1 + 1);
    if (!out.empty())
        out.pop_back();
    return out;
}

bool Shortcut_IsGlobal(KeyCode code) {
    const bool alt = code & kModAlt;
    return (code & kModWin) || (alt && (code & kModCtrl)) || (alt && (code & kModShift));
}

KeyCode Shortcut_Modifiers(bool alt, bool ctrl, bool shift, bool win) {
    return (alt ? kModAlt : 0) | (ctrl ? kModCtrl : 0) | (shift ? kModShift : 0) |
           (win ? kModWin : 0);
}

std::string shortcut_menu_text(std::string_view entry_text, KeyCode code, Texts& texts) {
    std::string out(entry_text.substr(0, entry_text.find('\t')));
    if (code != 0) {
        out += '\t';
        out += Key_Name(code, texts);
    }
    return out;
}

} // namespace qp
