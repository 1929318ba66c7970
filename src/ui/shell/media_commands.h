// The refresh of the current document's episodes from their media files: each length and
// playing time is read again from the file, behind a wait window that can stop it.
#pragma once

#include <memory>

class QProgressDialog;
class QWidget;

namespace qp::ui {

struct AppContext;
class MainWindow;

// The refresh's wait window over parent, for total episodes; it shows only once the work lasts.
std::unique_ptr<QProgressDialog> MediaWait_Create(AppContext& ctx, QWidget* parent, int total);

// Marks the document modified only when a value changed, and ends with the counts.
void Feed_RefreshMedia(MainWindow& window);

} // namespace qp::ui
