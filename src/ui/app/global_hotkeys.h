// System-wide hotkeys: X11 key grabs on the root window where the display is X11. Elsewhere
// (Wayland, the offscreen platform) every registration is refused and logged, as a hotkey
// another program holds is, and the program goes on without it.
#pragma once

#include "core/keys.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <memory>
#include <string>

namespace qp {
class Log;
class Texts;
} // namespace qp

namespace qp::ui {

class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // texts name the keys in the log lines; both must outlive this object. Needs the
    // QGuiApplication; grabs made through it end with it.
    GlobalHotkeys(Log& log, Texts& texts, QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // AddGlobalShortcut: registers code (key and modifiers) as hotkey `command` of window, and
    // logs "- AddGlobalShortcut, " or "! Error AddGlobalShortcut, " with the window, key name and
    // command. A code without a key does nothing. Returns an error text, empty on success.
    std::string AddGlobalShortcut(int window, KeyCode code, int command);
    // RemoveGlobalKeyboardShortcut: releases hotkey `command` of window and logs the result.
    std::string RemoveGlobalKeyboardShortcut(int window, int command);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

signals:
    // A registered hotkey was pressed: the main loop's hotkey message with its command.
    void hotkeyPressed(int command);

public:
    // The grab and its release alone, for a caller that writes the log lines itself. Empty on
    // success, else why not.
    std::string grab(int window, KeyCode code, int command);
    std::string release(int window, int command);

private:
    struct Grab;
    struct X11;

    Log& log_;
    Texts& texts_;
    std::unique_ptr<X11> x11_; // null where the display is not X11
};

} // namespace qp::ui
