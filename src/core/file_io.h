// Every file the core layer reads or writes goes through here, so each write is checked, a full
// disk never passes for success and a failure carries the system's reason.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qp {

// The outcome of a file operation: on failure the reason in the system's words ("No space left
// on device", "Permission denied", "File too large", ...).
using FileResult = Status;

// The reason for an errno value, as the system words it. NotFound for ENOENT, ReadOnly for
// EACCES, EPERM and EROFS, NoSpace for ENOSPC and EDQUOT, else Failed.
Error system_error(int errno_value);

struct FileInfo {
    bool is_directory = false;
    std::int64_t size = 0;
    std::int64_t mtime_utc = 0; // seconds since 1970, UTC
};

// nullopt when the path does not exist.
std::optional<FileInfo> file_info(const std::string& path);
bool file_exists(const std::string& path);
// True when both paths exist and name one file (symbolic and hard links included).
bool same_file(const std::string& a, const std::string& b);

// Reads whatever opens at path, a pipe included (a password may come through one).
FileResult read_file(const std::string& path, std::string& out);
// Reads a regular file of at most max_bytes. Anything else is refused without blocking: a pipe,
// a device, a folder, or a file that is or grows too large.
FileResult read_regular_file(const std::string& path, std::string& out, std::uint64_t max_bytes);
// Reads at most the first max_bytes of a regular file, refusing anything else as above.
FileResult read_file_head(const std::string& path, std::string& out, std::size_t max_bytes);

// Creates or truncates path and writes data in place; fails when the file cannot be created or
// any write, the optional flush to disk or the close fails.
FileResult write_file(const std::string& path, std::string_view data, bool sync = false);

// A new content for a file, written beside it under a temporary name and renamed into place only
// when all of it is on disk: the file holds either its old or its new content, never a part, and a
// failure leaves no temporary file behind.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement(); // removes the temporary file unless committed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Starts the temporary file in target's folder. When model exists, the new file takes its
    // permission bits and, where the user may, its owner and group; a model that is read-only,
    // or a device, pipe or socket, is refused. model is usually target itself.
    FileResult begin(const std::string& target, const std::string& model);
    FileResult write(std::string_view data);
    // Makes the new file readable and writable by its owner only.
    FileResult make_private();
    // Flushes the file to disk, renames it over target and flushes the folder.
    FileResult commit();
    // The same, over another file of the target's folder, for a name known only after begin.
    FileResult commit_as(const std::string& target);
    // Flushes the file and gives it the target's name only when no file has that name, even one
    // made meanwhile: that fails with the system's "File exists" and removes the new file.
    FileResult commit_new();

private:
    void discard();
    FileResult finish(const std::string& target, bool only_new);

    int fd_ = -1;
    std::string temp_;
    std::string target_;
};

// Writes data whole over target through a FileReplacement made like model, as begin says.
FileResult write_replacement(const std::string& target, const std::string& model,
                             std::string_view data);
enum class FileAccess { AsBefore, OwnerOnly };
// Replaces the file at path (the file a symbolic link points to, keeping the link) with data
// through a FileReplacement; OwnerOnly gives the new file mode 0600 whatever the old one had.
FileResult replace_file_atomically(const std::string& path, std::string_view data,
                                   FileAccess access = FileAccess::AsBefore);

FileResult remove_file(const std::string& path);
FileResult rename_file(const std::string& from, const std::string& to);
// Flushes a folder's entries to disk after a rename; failures are ignored.
void sync_folder_of(const std::string& path);

// The file a path names once the symbolic links at its end are followed; the path itself when it
// is not a link. A dangling link gives the path it points to, so a save creates that file.
std::string resolve_links(const std::string& path);

// Folder part of a path, up to and including its last "/" or "\"; empty when it has none.
std::string folder_part(std::string_view path);
// Text after the last "/" or "\" (the whole path when it has none).
std::string file_part(std::string_view path);
// Text after the last "." of the file part, empty when there is none.
std::string extension_of(std::string_view path);
// "Holds a ':'" of the original program: on this platform, an absolute path.
bool is_absolute_path(std::string_view path);
std::string current_directory(); // with a trailing "/"
// The canonical absolute form: relative paths are taken from the current folder, "." and ".."
// and symbolic links are resolved as far as the path exists.
std::string canonical_path(std::string_view path);

struct AppendResult {
    std::size_t written = 0; // bytes that reached the file, even when an error follows
    std::string error;       // empty when everything was written
};
// Appends data to an existing file; a partial write reports how far it got, so the caller can
// keep only what is left.
[[nodiscard]] AppendResult append_file(const std::string& path, std::string_view data);

} // namespace qp
