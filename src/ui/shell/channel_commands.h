// The commands on the current document's channel: its properties window and the public address
// of its RSS file.
#pragma once

namespace qp::ui {

class MainWindow;

// Opens the document window on the current document and marks it modified when the user
// confirms. The workspace shows no channel setting, so it is not refreshed.
void Doc_Property(MainWindow& window);
// Puts the address of the current document's RSS file on the clipboard and says so. A document
// of another format, or without a name for its RSS file, gives no address: nothing happens.
void LinkToClipboard(MainWindow& window);

} // namespace qp::ui
