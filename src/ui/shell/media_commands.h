// The refresh of the current document's episodes from their media files: each length and
// playing time is read again from the file, behind a wait window that can stop it.
#pragma once

namespace qp::ui {

class MainWindow;

// Marks the document modified only when a value changed, and ends with the counts.
void Feed_RefreshMedia(MainWindow& window);

} // namespace qp::ui
