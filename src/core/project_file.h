// Project files on disk: reading, writing, the save with backup and the document's load and save
// steps.
#pragma once

#include "core/document.h"
#include "core/project_format.h"

#include <string>
#include <string_view>

namespace qp {

class Log;

// 1 on success; 0 when the file cannot be created or any write or the close fails.
[[nodiscard]] int WriteProject(const Doc& doc, const std::string& path, bool sync = false);
// 1 when the file could be read, else 0 (doc is unchanged then).
[[nodiscard]] int ReadProject(Doc& doc, const std::string& path);

// Saves over path without a moment where the old content is gone and the new one incomplete: the
// new content goes to path + ".Bak", reaches the disk, then replaces path in one rename. On
// failure the old file is untouched (the new content may wait in ".Bak"); false then.
[[nodiscard]] bool SaveProjectWithBackup(const Doc& doc, const std::string& path);
// True when path + ".Bak" exists and was written later than path (or path is missing): an earlier
// save did not finish, and the backup may be the copy to load.
bool BackupIsNewer(const std::string& path);

// ReadProject with its log lines; 1 when read.
[[nodiscard]] int LoadDoc(Doc& doc, const std::string& path, Log& log);
// Saves doc as file, which the caller chose (its file dialog, or the document's FileName); an
// empty name means the dialog was cancelled. ".QPRJ" is appended unless the extension already is
// one. On success FileName becomes the saved path and the modified bit is cleared; returns 1.
// Making the folder current and listing the file as recently used stay with the caller: the window
// does both, the command-line tool neither.
[[nodiscard]] int SaveDoc(Doc& doc, const std::string& file, Log& log);

} // namespace qp
