// What the window reads from media files, always on a worker thread so that a slow or hostile
// file never holds the window: the refresh of the current document's episodes and the episodes
// made from files dropped on the list.
#pragma once

#include <QStringList>

#include <string>
#include <vector>

class QTreeWidget;

namespace qp::ui {

class MainWindow;

// Marks the document modified only when a value changed (one undoable step), and ends with the
// counts.
void feed_refresh_media(MainWindow& window);

// Dropped files: media files become episodes of the current document, then project files open.
void feed_drop_files(MainWindow& window, const QStringList& paths);
// Media files become episodes at the top of the current document in the given order, in one
// undoable step; files that are not media files are named to the user and left out.
void feed_add_media_files(MainWindow& window, const std::vector<std::string>& paths);
// Lets the list take files dropped on it.
void feed_list_accept_drops(MainWindow& window, QTreeWidget* list);

} // namespace qp::ui
