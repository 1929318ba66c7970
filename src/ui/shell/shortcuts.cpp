#include "ui/shell/shortcuts.h"

#include "core/preferences.h"
#include "core/text.h"
#include "ui/context/app_context.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

#include <utility>

namespace qp::ui {

namespace {

// The toolkit's key of each named key, from the one list of them.
constexpr std::pair<int, int> kToolkitKeys[] = {
#define QP_QT_KEY_ROW(vk, language_key, keysym, toolkit_key) {vk, Qt::toolkit_key},
    QP_NAMED_KEYS(QP_QT_KEY_ROW)
#undef QP_QT_KEY_ROW
};

int qt_key_of(int vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return vk;
    if (vk >= kVkF1 && vk <= kVkF24)
        return Qt::Key_F1 + (vk - kVkF1);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9)
        return (Qt::Key_0 + (vk - kVkNumpad0));
    for (const auto& [named, key] : kToolkitKeys)
        if (named == vk)
            return key;
    return 0;
}

bool is_keypad_key(int vk) {
    return vk >= kVkNumpad0 && vk <= kVkDivide;
}

// Hands every key press of the application to a callback first; true from it eats the press.
class KeyPressFilter final : public QObject {
public:
    KeyPressFilter(QObject* parent, std::function<bool(QObject*, const QKeyEvent&)> pressed)
        : QObject(parent), pressed_(std::move(pressed)) {}

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        return event->type() == QEvent::KeyPress &&
               pressed_(receiver, *static_cast<QKeyEvent*>(event));
    }

private:
    std::function<bool(QObject*, const QKeyEvent&)> pressed_;
};

KeyCode key_value(const PrefItem& item) {
    return parse_leading_int32(item.Value);
}

bool selected(const PrefItem& item, int window, std::string_view prefix) {
    if (!prefix.empty())
        return istarts_with(item.Name, prefix);
    return item.Window == window;
}

} // namespace

QKeySequence key_to_sequence(KeyCode code) {
    const int vk = code & kKeyMask;
    const int key = qt_key_of(vk);
    if (key == 0)
        return {};
    Qt::KeyboardModifiers mods;
    if (code & kModShift)
        mods |= Qt::ShiftModifier;
    if (code & kModCtrl)
        mods |= Qt::ControlModifier;
    if (code & kModAlt)
        mods |= Qt::AltModifier;
    if (vk >= kVkNumpad0 && vk <= kVkDivide)
        mods |= Qt::KeypadModifier;
    return {QKeyCombination(mods, static_cast<Qt::Key>(key))};
}

KeyCode key_from_keypad_event(const QKeyEvent& event) {
    if (!(event.modifiers() & Qt::KeypadModifier))
        return 0;
    const int key = event.key();
    int vk = 0;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        vk = kVkNumpad0 + (key - Qt::Key_0);
    else if (key == Qt::Key_Asterisk)
        vk = kVkMultiply;
    else if (key == Qt::Key_Plus)
        vk = kVkAdd;
    else if (key == Qt::Key_Comma)
        vk = kVkSeparator;
    else if (key == Qt::Key_Minus)
        vk = kVkSubtract;
    else if (key == Qt::Key_Period)
        vk = kVkDecimal;
    else if (key == Qt::Key_Slash)
        vk = kVkDivide;
    else
        return 0;
    KeyCode code = vk;
    if (event.modifiers() & Qt::ShiftModifier)
        code |= kModShift;
    if (event.modifiers() & Qt::ControlModifier)
        code |= kModCtrl;
    if (event.modifiers() & Qt::AltModifier)
        code |= kModAlt;
    return code;
}

ShortcutKeys::ShortcutKeys(QWidget* window, Dispatch dispatch)
    : window_(window), dispatch_(std::move(dispatch)) {
    keypad_filter_ = new KeyPressFilter(window_, [this](QObject* receiver, const QKeyEvent& event) {
        return keypad_pressed(receiver, event);
    });
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(keypad_filter_);
}

ShortcutKeys::~ShortcutKeys() {
    // The shortcuts are children of the window; the filter must not outlive this table.
    delete keypad_filter_;
}

bool ShortcutKeys::keypad_pressed(QObject* receiver, const QKeyEvent& event) {
    // Once per press: at the widget that has the focus in this window, not at its QWindow.
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (widget == nullptr || widget->window() != window_ || !window_->isEnabled())
        return false;
    const KeyCode code = key_from_keypad_event(event);
    auto it = code == 0 ? keys_.end() : keys_.find(code);
    if (it == keys_.end())
        return false;
    dispatch_(it->second.first);
    return true;
}

void ShortcutKeys::install(KeyCode code, int command) {
    code = shortcut_window_key(code);
    const QKeySequence sequence = key_to_sequence(code);
    if (sequence.isEmpty())
        return;
    if (auto it = keys_.find(code); it != keys_.end()) {
        it->second.first = command;
        return;
    }
    if (is_keypad_key(code & kKeyMask)) {
        keys_.emplace(code, std::make_pair(command, nullptr));
        return;
    }
    auto* shortcut = new QShortcut(sequence, window_);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window_,
                     [this, code] { dispatch_(command_of(code)); });
    keys_.emplace(code, std::make_pair(command, shortcut));
}

void ShortcutKeys::remove(KeyCode code) {
    auto it = keys_.find(shortcut_window_key(code));
    if (it == keys_.end())
        return;
    delete it->second.second;
    keys_.erase(it);
}

int ShortcutKeys::command_of(KeyCode code) const {
    auto it = keys_.find(shortcut_window_key(code));
    return it == keys_.end() ? 0 : it->second.first;
}

void AddGlobalShortcut(const SystemHooks& hooks, Log& log, Texts& texts, int window, KeyCode code,
                       int command) {
    if ((code & kKeyMask) == 0)
        return;
    const bool ok = hooks.RegisterHotKey && hooks.RegisterHotKey(window, code, command);
    log.add(std::string(ok ? "- AddGlobalShortcut, " : "! Error AddGlobalShortcut, ") +
            " WindowID=" + std::to_string(window) + " HotKey=" + Key_Name(code, texts) +
            " MenuID=" + std::to_string(command));
}

void RemoveGlobalKeyboardShortcut(const SystemHooks& hooks, Log& log, int window, int command) {
    const bool ok = hooks.UnregisterHotKey && hooks.UnregisterHotKey(window, command);
    log.add(std::string(ok ? "- RemoveGlobalKeyboardShortcut,"
                           : "! Error RemoveGlobalKeyboardShortcut,") +
            " WindowID=" + std::to_string(window) + " MenuID=" + std::to_string(command));
}

void Shortcut_Apply(ShortcutKeys& keys, Preferences& prefs, const SystemHooks& hooks, Log& log,
                    Texts& texts, int window, std::string_view prefix) {
    for (const PrefItem& item : prefs.table()) {
        if (!selected(item, window, prefix))
            continue;
        const KeyCode code = key_value(item);
        if (item.Kind == PrefKind::GlobalShortcut && Shortcut_IsGlobal(code))
            AddGlobalShortcut(hooks, log, texts, window, code, item.Id);
        else if (item.Kind == PrefKind::Shortcut || item.Kind == PrefKind::GlobalShortcut)
            keys.install(code, item.Id);
    }
}

void Shortcut_Remove(ShortcutKeys& keys, Preferences& prefs, const SystemHooks& hooks, Log& log,
                     int window) {
    for (const PrefItem& item : prefs.table()) {
        if (item.Window != window)
            continue;
        const KeyCode code = key_value(item);
        if (item.Kind == PrefKind::GlobalShortcut && Shortcut_IsGlobal(code))
            RemoveGlobalKeyboardShortcut(hooks, log, item.Window, item.Id);
        else if (item.Kind == PrefKind::Shortcut || item.Kind == PrefKind::GlobalShortcut)
            keys.remove(code);
    }
}

} // namespace qp::ui
