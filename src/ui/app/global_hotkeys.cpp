#include "ui/app/global_hotkeys.h"

#include "ui/context/app_context.h"

#include <QGuiApplication>

#include <vector>

#if defined(QP_HAVE_XCB)
#include <xcb/xcb.h>
#endif

namespace qp::ui {

namespace {

#if defined(QP_HAVE_XCB)
// The X keysym of a Windows virtual key; 0 when there is none.
std::uint32_t keysym_of(int vk) {
    if (vk >= '0' && vk <= '9')
        return static_cast<std::uint32_t>(vk);
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<std::uint32_t>(vk - 'A' + 'a');
    if (vk >= kVkF1 && vk <= kVkF24)
        return 0xFFBE + static_cast<std::uint32_t>(vk - kVkF1);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9)
        return 0xFFB0 + static_cast<std::uint32_t>(vk - kVkNumpad0);
    const NamedKey* key = key_named(vk);
    return key != nullptr ? key->keysym : 0;
}

std::uint16_t modifiers_of(KeyCode code) {
    std::uint16_t mods = 0;
    if (code & kModShift)
        mods |= XCB_MOD_MASK_SHIFT;
    if (code & kModCtrl)
        mods |= XCB_MOD_MASK_CONTROL;
    if (code & kModAlt)
        mods |= XCB_MOD_MASK_1;
    if (code & kModWin)
        mods |= XCB_MOD_MASK_4;
    return mods;
}

// Caps Lock and Num Lock must not stop a hotkey, so each is grabbed with and without them.
constexpr std::uint16_t kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                           XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
#endif

} // namespace

struct GlobalHotkeys::Grab {
    int window;
    int command;
    std::uint8_t keycode;
    std::uint16_t modifiers;
};

struct GlobalHotkeys::X11 {
#if defined(QP_HAVE_XCB)
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
#endif
    std::vector<Grab> grabs;
};

GlobalHotkeys::GlobalHotkeys(QObject* parent) : QObject(parent) {
#if defined(QP_HAVE_XCB)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection()) {
        x11_ = std::make_unique<X11>();
        x11_->connection = x11->connection();
        x11_->root = xcb_setup_roots_iterator(xcb_get_setup(x11_->connection)).data->root;
        qGuiApp->installNativeEventFilter(this);
    }
#endif
}

GlobalHotkeys::~GlobalHotkeys() {
    if (!x11_)
        return;
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
    while (!x11_->grabs.empty())
        (void)release(x11_->grabs.back().window, x11_->grabs.back().command);
}

void GlobalHotkeys::install_hooks(SystemHooks& hooks) {
    hooks.RegisterHotKey = [this](int window, KeyCode code, int command) {
        return grab(window, code, command).empty();
    };
    hooks.UnregisterHotKey = [this](int window, int command) {
        return release(window, command).empty();
    };
}

std::string GlobalHotkeys::grab(int window, KeyCode code, int command) {
    if (!x11_)
        return "System-wide hotkeys need an X11 display";
#if defined(QP_HAVE_XCB)
    for (const Grab& g : x11_->grabs)
        if (g.window == window && g.command == command)
            return "The hotkey is registered already";
    const std::uint32_t keysym = keysym_of(code & kKeyMask);
    if (keysym == 0)
        return "The key has no X11 form";
    xcb_connection_t* c = x11_->connection;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const std::uint8_t first = setup->min_keycode;
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - first + 1);
    xcb_get_keyboard_mapping_reply_t* map =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
    if (!map)
        return "The keyboard map could not be read";
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int per = map->keysyms_per_keycode;
    std::uint8_t keycode = 0;
    for (int k = 0; k < count && keycode == 0; ++k)
        for (int i = 0; i < per; ++i)
            if (syms[k * per + i] == keysym) {
                keycode = static_cast<std::uint8_t>(first + k);
                break;
            }
    free(map);
    if (keycode == 0)
        return "The key is not on this keyboard";

    const std::uint16_t mods = modifiers_of(code);
    std::string error;
    int done = 0;
    for (const std::uint16_t lock : kLockVariants) {
        xcb_generic_error_t* e =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, x11_->root, mods | lock, keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (e) {
            error = "The hotkey is taken by another program";
            free(e);
            break;
        }
        ++done;
    }
    if (!error.empty()) {
        for (int i = 0; i < done; ++i)
            xcb_ungrab_key(c, keycode, x11_->root, mods | kLockVariants[i]);
        xcb_flush(c);
        return error;
    }
    x11_->grabs.push_back({window, command, keycode, mods});
    return {};
#else
    (void)window;
    (void)code;
    (void)command;
    return "System-wide hotkeys need an X11 display";
#endif
}

std::string GlobalHotkeys::release(int window, int command) {
    if (!x11_)
        return "System-wide hotkeys need an X11 display";
    for (auto it = x11_->grabs.begin(); it != x11_->grabs.end(); ++it) {
        if (it->window != window || it->command != command)
            continue;
#if defined(QP_HAVE_XCB)
        xcb_connection_t* c = x11_->connection;
        std::string error;
        for (const std::uint16_t lock : kLockVariants) {
            xcb_generic_error_t* e = xcb_request_check(
                c, xcb_ungrab_key_checked(c, it->keycode, x11_->root, it->modifiers | lock));
            if (e) {
                error = "The hotkey could not be released";
                free(e);
            }
        }
        x11_->grabs.erase(it);
        return error;
#endif
    }
    return "No such hotkey is registered";
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
#if defined(QP_HAVE_XCB)
    if (!x11_ || type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const std::uint16_t mods = press->state & (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL |
                                               XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    for (const Grab& g : x11_->grabs)
        if (g.keycode == press->detail && g.modifiers == mods) {
            emit hotkey_pressed(g.command);
            return true;
        }
#else
    (void)type;
    (void)message;
#endif
    return false;
}

} // namespace qp::ui
