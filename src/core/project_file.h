// Project files on disk: reading, writing, the save with backup and the document's load and save
// steps.
#pragma once

#include "core/document.h"
#include "core/file_io.h"
#include "core/project_format.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

class Log;

// A larger file is not a project, whatever it holds, and is refused before it is read.
inline constexpr std::uint64_t kMaxProjectBytes = std::uint64_t{1} << 30;

// Writes doc to path through a temporary file renamed into place, keeping the permissions of
// the file it replaces. The error names the reason.
FileResult WriteProject(const Doc& doc, const std::string& path);
// Reads the regular file at path into doc. A file of bytes in which no project line can be read
// is refused as not a project (NotAProject), as are pipes, devices (BadInput) and files over
// kMaxProjectBytes (TooLarge); doc is unchanged on failure.
FileResult ReadProject(Doc& doc, const std::string& path);

// Saves over path without a moment where the old content is gone and the new one incomplete: the
// new content goes to backup_path(path), reaches the disk, then replaces path in one rename. A
// symbolic link at path stays, and the file it points to is saved; the file's permissions and
// group are kept and a read-only file is refused. On failure the old file is untouched (the new
// content may wait in ".Bak").
FileResult save_project_with_backup(const Doc& doc, const std::string& path);
// Where a save of path keeps its backup: path + ".Bak", beside the file a symbolic link at path
// points to.
std::string backup_path(const std::string& path);
// True when the backup exists and was written later than path (or path is missing): an earlier
// save did not finish, and the backup may be the copy to load.
bool backup_is_newer(const std::string& path);

// The path a save writes for file: ".QPRJ" is appended unless the extension already is one.
std::string project_save_path(std::string_view file);

// ReadProject with its log lines ("! Can't open file" on failure; the window then shows
// "Doc\Error.OpenXML").
FileResult LoadDoc(Doc& doc, const std::string& path, Log& log);

enum class SaveStatus {
    Saved,
    NoFileName, // the file dialog was cancelled: nothing to show
    // ".QPRJ" was appended and names another existing file: ask before replacing it, then save
    // again under that full name.
    TargetExists,
    Failed,
};

struct [[nodiscard]] SaveResult {
    SaveStatus status = SaveStatus::Failed;
    // The message to show, with the system's reason; empty when saved or cancelled.
    std::string error;
    // The file the save was for, and the reason alone, for a window that words its own message.
    std::string target;
    std::string reason;
    // What went wrong, when error is set: Cancelled for NoFileName, the file's kind for Failed.
    ErrorKind kind = ErrorKind::Failed;

    bool saved() const { return status == SaveStatus::Saved; }
};

// Saves doc as file, which the caller chose (its file dialog, or the document's FileName); an
// empty name means the dialog was cancelled. ".QPRJ" is appended unless the extension already is
// one, and a file that only the appended name reaches is never replaced. On success FileName
// becomes the saved path and the modified bit is cleared. Making the folder current and listing
// the file as recently used stay with the caller: the window does both, the command-line tool
// neither.
SaveResult SaveDoc(Doc& doc, const std::string& file, Log& log);

} // namespace qp
