// The modal-window pattern: the opener is disabled while a window of the program is open over
// it, and gets its focused control back when that window closes.
#pragma once

#include <QPointer>
#include <QWidget>

namespace qp::ui {

// Disables window and returns the control of the program that had the focus (null when none
// had it, or when there is no window).
QPointer<QWidget> Window_Disable(QWidget* window);

// Enables window, brings it to the front, activates it and gives control (when it still
// exists) the focus.
void Window_Enable(QWidget* control, QWidget* window);

} // namespace qp::ui
