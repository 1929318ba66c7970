// Pictures of the program's windows for a look at their layout: with QP_SCREENSHOT_DIR set, the
// program writes a PNG of its main window, menus and pop-up menus there and ends.
#pragma once

#include <QString>

namespace qp::ui {

class MainWindow;

// Writes the pictures once the event loop runs, then closes the program. Returns false when the
// variable is not set.
bool screenshots_schedule(MainWindow& window);

} // namespace qp::ui
