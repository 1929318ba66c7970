#include "ui/app/modal.h"

#include <QApplication>
#include <QWidget>

namespace qp::ui {

QWidget* Window_Disable(QWidget* window) {
    if (window == nullptr)
        return nullptr;
    QWidget* focused = QApplication::focusWidget();
    if (focused == nullptr)
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
        control->setFocus();
}

} // namespace qp::ui
