// System-wide hotkeys: X11 key grabs on the root window where the display is X11. Elsewhere
// (Wayland, the offscreen platform) every registration is refused and logged, as a hotkey
// another program holds is, and the program goes on without it.
#pragma once

#include "core/keys.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <memory>
#include <string>

namespace qp::ui {

struct SystemHooks;

class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Needs the QGuiApplication; grabs made through it end with it. The shortcut rules register
    // and release through grab() and release() and write the log lines themselves.
    explicit GlobalHotkeys(QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

signals:
    // A registered hotkey was pressed: the main loop's hotkey message with its command.
    void hotkey_pressed(int command);

public:
    // Empty on success, else why not.
    std::string grab(int window, KeyCode code, int command);
    std::string release(int window, int command);
    // Points the hooks' hotkey registration at this object, which must outlive them.
    void install_hooks(SystemHooks& hooks);

private:
    struct Grab;
    struct X11;

    std::unique_ptr<X11> x11_; // null where the display is not X11
};

} // namespace qp::ui
