// A private X server for tests that need a real display, and a small X client that finds the
// program's windows by title, gives them the focus and sends them key events.
#pragma once

#include <QProcess>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace qp::test {

class XvfbDisplay {
public:
    // Starts Xvfb on the first free display number from `first`; ok() tells whether it runs.
    explicit XvfbDisplay(int first);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool ok() const { return ok_; }
    QString name() const { return QStringLiteral(":%1").arg(number_); }
    static bool available();

private:
    QProcess server_;
    int number_ = 0;
    bool ok_ = false;
};

class X11Client {
public:
    explicit X11Client(const QString& display);
    ~X11Client();
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    bool ok() const { return connection_ != nullptr; }
    // The titles of the mapped top-level windows.
    std::vector<std::string> titles();
    // The first mapped top-level window whose title contains `part`, waited for up to
    // timeout_ms; 0 when none came.
    std::uint32_t wait_for_window(const std::string& part, int timeout_ms);
    // Gives the window the keyboard focus, as a window manager does on a click.
    void focus(std::uint32_t window);
    // Sends the key of `keysym` (pressed and released) with modifier `state` (the X11 masks:
    // 1 Shift, 4 Control, 8 Mod1/Alt) to the window; false when the keyboard has no such key.
    bool send_key(std::uint32_t window, std::uint32_t keysym, std::uint16_t state);

private:
    std::uint32_t atom(const char* name);
    std::string title(std::uint32_t window);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};

} // namespace qp::test
