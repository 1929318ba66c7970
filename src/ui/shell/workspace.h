// One document's workspace: its feed list above its text editor, and the editor's bound feed.
#pragma once

#include "core/document.h"

#include <QString>

#include <string>

class QFont;
class QPlainTextEdit;
class QTreeWidget;
class QUndoStack;
class QWidget;

namespace qp {
class Texts;
}

namespace qp::ui {

struct Workspace {
    QTreeWidget* list = nullptr;
    QPlainTextEdit* editor = nullptr;
    int bound = -1;             // position of the feed whose text the editor holds, -1 for none
    QUndoStack* undo = nullptr; // the document's changes; its clean state is the saved one
};

// Creates the two controls as children of parent, hidden until the document is current.
Workspace Doc_CreateGadgets(QWidget* parent, Texts& texts, const QFont& font);
void Doc_FreeGadgets(Workspace& workspace);

// Title, date and file of a feed, separated by line feeds.
std::string Feed_RowText(const Feed& feed);
// Rewrites the columns of one row from a row text.
void FeedList_SetRow(QTreeWidget* list, int row, const std::string& row_text);
// Refills the list from the document's feeds and selects the row key (the first row when no row
// matches); returns the selected row.
int FeedList_Fill(QTreeWidget* list, const Doc& doc, int key);
// The feed position a row stands for, -1 when there is no such row.
int ListRowData(QTreeWidget* list, int row);
int feed_list_selected_row(QTreeWidget* list);

// The editor shows line feeds; documents keep CR LF. Every character the user typed survives
// the round trip (the editor's plain-text export would turn no-break spaces into spaces).
QString editor_text_of(const std::string& feed_text);
std::string editor_feed_text(const QPlainTextEdit* editor);

} // namespace qp::ui
