// Media files read on a worker thread with a progress window, so that a slow or hostile file
// never holds the window: the feed window's chosen file, and the shell's refresh and dropped files.
#pragma once

#include "media/media.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QProgressDialog;
class QWidget;

namespace qp::ui {

struct AppContext;

// The refresh's wait window over parent, for total episodes; it shows only once the work lasts.
std::unique_ptr<QProgressDialog> media_wait_create(AppContext& ctx, QWidget* parent, int total);

// Reads count files on a worker, read(i, cancel) for each in turn; Cancel in the progress window
// stops between files, raises cancel for the reader inside a file, and returns at once, also
// while a file is still being read. read must own what it touches. False when cancelled.
bool media_work_run(AppContext& ctx, QWidget* window, int count,
                    std::function<void(int index, const std::atomic<bool>* cancel)> read);

// Reads one file on a worker (the feed window's Browse); false when the user cancelled.
bool media_read_off_thread(AppContext& ctx, QWidget* window, const std::string& path,
                           MediaInfo& info);

} // namespace qp::ui
