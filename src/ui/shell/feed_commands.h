// The commands on the current document's feed list: add, copy, delete, move, sort, properties.
// Each commits the editor's pending text first, so that text stays with its feed whatever moves.
#pragma once

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

} // namespace qp::ui
