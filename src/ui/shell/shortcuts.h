// The keyboard shortcuts of a window: one table from key code to command number, so installing a
// key the window already has replaces its command, and removing a key frees it whatever command
// it had.
#pragma once

#include "core/keys.h"

#include <QKeySequence>

#include <functional>
#include <map>

class QKeyEvent;
class QObject;
class QShortcut;
class QWidget;

namespace qp {
class Log;
class Preferences;
class Texts;
} // namespace qp

namespace qp::ui {

struct SystemHooks;

// The Qt key sequence of a key code; empty for a code without a key. The Win bit is not known
// to window shortcuts and is dropped.
QKeySequence key_to_sequence(KeyCode code);

// The key code of a key event on the numeric pad (0 for any other key event).
KeyCode key_from_keypad_event(const QKeyEvent& event);

class ShortcutKeys {
public:
    using Dispatch = std::function<void(int command)>;

    ShortcutKeys(QWidget* window, Dispatch dispatch);
    ~ShortcutKeys();
    ShortcutKeys(const ShortcutKeys&) = delete;
    ShortcutKeys& operator=(const ShortcutKeys&) = delete;

    void install(KeyCode code, int command);
    void remove(KeyCode code);
    // The command a key triggers, 0 when none.
    int command_of(KeyCode code) const;

private:
    // Numeric-pad keys are matched here rather than by QShortcut, which under X11 never
    // matches a sequence carrying the keypad modifier.
    bool keypad_pressed(QObject* receiver, const QKeyEvent& event);

    QWidget* window_;
    Dispatch dispatch_;
    std::map<KeyCode, std::pair<int, QShortcut*>> keys_;
    QObject* keypad_filter_ = nullptr;
};

// Installs the shortcut items of window (or, with a prefix, those whose name starts with it):
// window shortcuts, or system-wide hotkeys for global items whose key qualifies.
void Shortcut_Apply(ShortcutKeys& keys, Preferences& prefs, const SystemHooks& hooks, Log& log,
                    Texts& texts, int window, std::string_view prefix);
void Shortcut_Remove(ShortcutKeys& keys, Preferences& prefs, const SystemHooks& hooks, Log& log,
                     int window);
// Registers a system-wide hotkey through the hooks and logs the outcome; a missing hook refuses.
void AddGlobalShortcut(const SystemHooks& hooks, Log& log, Texts& texts, int window, KeyCode code,
                       int command);
void RemoveGlobalKeyboardShortcut(const SystemHooks& hooks, Log& log, int window, int command);

} // namespace qp::ui
