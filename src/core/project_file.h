// The project file: one tagged line per value, CR LF line ends, line breaks inside a value stored
// as the byte 0x11. The writer always produces the same layout; the reader takes each line by its
// tag and skips what it does not know, so older and hand-edited files load.
#pragma once

#include "core/document.h"

#include <string>
#include <string_view>

namespace qp {

class Log;

// The file's bytes: Windows-1252 without a mark when every character has a form there, otherwise
// UTF-8 with the mark.
std::string FormatProject(const Doc& doc);
// Reads a project's bytes into doc, appending its feeds. Any input is accepted; fields without a
// line keep their value, then TTL and TimeZone are brought into range.
void ParseProject(Doc& doc, std::string_view bytes);

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
