#include "ui/common/window_state.h"

#include <QApplication>

namespace qp::ui {

QPointer<QWidget> Window_Disable(QWidget* window) {
    if (window == nullptr)
        return nullptr;
    // Taken before disabling: a disabled window gives its focus away.
    QPointer<QWidget> focused = QApplication::focusWidget();
    if (focused == nullptr) // the program is not the active one: the window's own focus
        focused = window->focusWidget();
    window->setEnabled(false);
    return focused;
}

void Window_Enable(QWidget* control, QWidget* window) {
    if (window == nullptr)
        return;
    window->setEnabled(true);
    window->raise();
    window->activateWindow();
    if (control != nullptr)
        control->setFocus(Qt::OtherFocusReason);
}

} // namespace qp::ui
