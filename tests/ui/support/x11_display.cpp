#include "ui/support/x11_display.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace qp::test {

namespace {

template <class T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

} // namespace

bool XvfbDisplay::available() {
    return !QStandardPaths::findExecutable("Xvfb").isEmpty();
}

XvfbDisplay::XvfbDisplay(int first) {
    for (number_ = first; number_ < first + 50; ++number_) {
        if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number_)) ||
            QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number_)))
            continue;
        server_.start(QStandardPaths::findExecutable("Xvfb"),
                      {name(), "-nolisten", "tcp", "-screen", "0", "800x600x24"});
        if (!server_.waitForStarted(5000))
            return;
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number_);
        for (int i = 0; i < 100 && server_.state() == QProcess::Running; ++i) {
            if (QFile::exists(socket)) {
                ok_ = true;
                return;
            }
            QThread::msleep(50);
        }
        server_.kill();
        server_.waitForFinished(5000);
    }
}

XvfbDisplay::~XvfbDisplay() {
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }
}

X11Client::X11Client(const QString& display) {
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

X11Client::~X11Client() {
    if (connection_)
        xcb_disconnect(connection_);
}

std::uint32_t X11Client::atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : 0;
}

std::string X11Client::title(std::uint32_t window) {
    for (const std::uint32_t property : {atom("_NET_WM_NAME"), std::uint32_t{XCB_ATOM_WM_NAME}}) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return {static_cast<const char*>(xcb_get_property_value(reply.get())),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
    }
    return {};
}

std::vector<std::string> X11Client::titles() {
    std::vector<std::string> out;
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
    if (!tree)
        return out;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (std::string t = title(children[i]); !t.empty())
            out.push_back(std::move(t));
    }
    return out;
}

std::uint32_t X11Client::wait_for_window(const std::string& part, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
        const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
        for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
            Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
                connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
            if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                title(children[i]).find(part) != std::string::npos)
                return children[i];
        }
        QThread::msleep(50);
    } while (clock.elapsed() < timeout_ms);
    return 0;
}

void X11Client::focus(std::uint32_t window) {
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_flush(connection_);
}

bool X11Client::send_key(std::uint32_t window, std::uint32_t keysym, std::uint16_t state) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        connection_,
        xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    if (!map)
        return false;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int per_key = map->keysyms_per_keycode;
    xcb_keycode_t code = 0;
    for (int k = 0; k < count && code == 0; ++k)
        for (int column = 0; column < per_key && code == 0; ++column)
            if (syms[k * per_key + column] == keysym)
                code = static_cast<xcb_keycode_t>(setup->min_keycode + k);
    if (code == 0)
        return false;
    for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
        xcb_key_press_event_t event{};
        event.response_type = type;
        event.detail = code;
        event.time = XCB_CURRENT_TIME;
        event.root = root_;
        event.event = window;
        event.child = XCB_NONE;
        event.state = state;
        event.same_screen = 1;
        const std::uint32_t mask =
            type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE;
        xcb_send_event(connection_, 0, window, mask, reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection_);
    return true;
}

} // namespace qp::test
