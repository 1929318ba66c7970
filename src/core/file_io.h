// Every file the core layer writes goes through here, so each write is checked and a full
// disk never passes for success.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qp {

struct FileInfo {
    bool is_directory = false;
    std::int64_t size = 0;
    std::int64_t mtime_utc = 0; // seconds since 1970, UTC
};

// nullopt when the path does not exist.
std::optional<FileInfo> file_info(const std::string& path);
bool file_exists(const std::string& path);

[[nodiscard]] bool read_file(const std::string& path, std::string& out);

// Creates or truncates path and writes data; false when the file cannot be created or any write,
// the optional flush to disk or the close fails.
[[nodiscard]] bool write_file(const std::string& path, std::string_view data, bool sync = false);

// Writes data to a temporary file in the same folder, flushes it to disk and renames it over
// path in one step: path holds either its old or its new content, never a part.
[[nodiscard]] bool replace_file_atomically(const std::string& path, std::string_view data);

[[nodiscard]] bool remove_file(const std::string& path);
[[nodiscard]] bool rename_file(const std::string& from, const std::string& to);
// Flushes a folder's entries to disk after a rename; failures are ignored.
void sync_folder_of(const std::string& path);

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
