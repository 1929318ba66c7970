// The commands on the current document's feed list: add, copy, delete, move, sort, properties,
// and taking changes back. Each commits the editor's pending text first, so that text stays with
// its feed whatever moves.
#pragma once

#include "core/doc_edits.h"
#include "core/feed_list.h"

namespace qp::ui {

class MainWindow;

void Feed_Add(MainWindow& window);
void Feed_Copy(MainWindow& window);
void Feed_Del(MainWindow& window);
void Feed_MoveUp(MainWindow& window);
void Feed_MoveDown(MainWindow& window);
void Feed_Sort(MainWindow& window, SortOrder order);
void Feed_Property(MainWindow& window);

// Puts a change already made in doc on its undo stack; a null edit records nothing.
void doc_record(MainWindow& window, Doc& doc, DocEditPtr edit);
// Takes back, or makes again, the last change of the current document.
void doc_undo(MainWindow& window);
void doc_redo(MainWindow& window);

} // namespace qp::ui
