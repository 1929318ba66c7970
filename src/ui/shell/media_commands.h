// What the window reads from media files, always on a worker thread so that a slow or hostile
// file never holds the window: the refresh of the current document's episodes, the episodes made
// from files dropped on the list, and the file chosen in the feed window.
#pragma once

#include "media/media.h"

#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QProgressDialog;
class QTreeWidget;
class QWidget;

namespace qp::ui {

struct AppContext;
class MainWindow;

// The refresh's wait window over parent, for total episodes; it shows only once the work lasts.
std::unique_ptr<QProgressDialog> MediaWait_Create(AppContext& ctx, QWidget* parent, int total);

// Reads count files on a worker, read(i, cancel) for each in turn; Cancel in the progress window
// stops between files, raises cancel for the reader inside a file, and returns at once, also
// while a file is still being read. read must own what it touches. False when cancelled.
bool MediaWork_Run(AppContext& ctx, QWidget* window, int count,
                   std::function<void(int index, const std::atomic<bool>* cancel)> read);

// Reads one file on a worker (the feed window's Browse); false when the user cancelled.
bool Media_ReadOffThread(AppContext& ctx, QWidget* window, const std::string& path,
                         MediaInfo& info);

// Marks the document modified only when a value changed (one undoable step), and ends with the
// counts.
void Feed_RefreshMedia(MainWindow& window);

// Dropped files: media files become episodes of the current document, then project files open.
void Feed_DropFiles(MainWindow& window, const QStringList& paths);
// Media files become episodes at the top of the current document in the given order, in one
// undoable step; files that are not media files are named to the user and left out.
void Feed_AddMediaFiles(MainWindow& window, const std::vector<std::string>& paths);
// Lets the list take files dropped on it.
void FeedList_AcceptDrops(MainWindow& window, QTreeWidget* list);

} // namespace qp::ui
