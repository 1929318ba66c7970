// Runs on a real X11 display: another client holds Ctrl+Alt+K, then the program registers
// Ctrl+Alt+K (refused) and Ctrl+Alt+L (granted) and releases L. Prints the log.
#include "core/language.h"
#include "core/log.h"
#include "ui/app/global_hotkeys.h"
#include "ui/context/app_context.h"
#include "ui/shell/shortcuts.h"

#include <QApplication>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(other))
        return 3;
    const xcb_setup_t* setup = xcb_get_setup(other);
    const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        other,
        xcb_get_keyboard_mapping(
            other, setup->min_keycode,
            static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
        nullptr);
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    xcb_keycode_t k_code = 0;
    for (int k = 0; k <= setup->max_keycode - setup->min_keycode && !k_code; ++k)
        if (syms[k * map->keysyms_per_keycode] == 'k')
            k_code = static_cast<xcb_keycode_t>(setup->min_keycode + k);
    free(map);
    if (!k_code ||
        xcb_request_check(other, xcb_grab_key_checked(other, 1, root,
                                                      XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, k_code,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)))
        return 4;

    qp::LangTable lang;
    qp::Log log;
    {
        qp::ui::GlobalHotkeys hotkeys;
        qp::ui::SystemHooks hooks;
        hotkeys.install_hooks(hooks);
        qp::ui::AddGlobalShortcut(hooks, log, lang, 0, qp::kModCtrl | qp::kModAlt | 'K', 70);
        qp::ui::AddGlobalShortcut(hooks, log, lang, 0, qp::kModCtrl | qp::kModAlt | 'L', 72);
        qp::ui::RemoveGlobalKeyboardShortcut(hooks, log, 0, 72);
    }
    xcb_disconnect(other);
    std::fputs(log.text().c_str(), stdout);
    std::fflush(stdout);
    return 0;
}
