// The modal-window pattern: the opener is disabled while a window of the program runs, then
// enabled, raised and refocused.
#pragma once

class QWidget;

namespace qp::ui {

// Disables the window and returns the control of the program that had the focus (null when
// none, or when there is no window).
QWidget* Window_Disable(QWidget* window);
// Enables the window, brings it to the front and focuses the control when there is one.
void Window_Enable(QWidget* control, QWidget* window);

} // namespace qp::ui
