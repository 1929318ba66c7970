#include "core/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace qp {

namespace {

constexpr int kMaxLinkHops = 40; // as the system's own limit on a path

// "1 GiB" for round sizes, else the number of bytes.
std::string size_text(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    if (bytes >= kGiB && bytes % kGiB == 0)
        return std::to_string(bytes / kGiB) + " GiB";
    if (bytes >= kMiB && bytes % kMiB == 0)
        return std::to_string(bytes / kMiB) + " MiB";
    return std::to_string(bytes) + " bytes";
}

FileResult too_large(std::uint64_t max_bytes) {
    return make_error(ErrorKind::TooLarge, "larger than " + size_text(max_bytes));
}

// Reads fd to its end, stopping once more than max_bytes have come.
FileResult read_fd(int fd, std::string& out, std::uint64_t max_bytes) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            return {};
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return system_error(errno);
        }
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > max_bytes)
            return too_large(max_bytes);
    }
}

FileResult write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return system_error(errno);
        }
        if (n == 0)
            return system_error(EIO);
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

FileResult close_fd(int fd) {
    if (::close(fd) != 0)
        return system_error(errno);
    return {};
}

// Opens a regular file for reading; anything else is refused without blocking on it. fd is -1
// on failure.
FileResult open_regular_file(const std::string& path, int& fd, struct stat& st) {
    // Without O_NONBLOCK, opening a pipe would wait for a writer.
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return system_error(errno);
    FileResult result;
    if (::fstat(fd, &st) != 0)
        result = system_error(errno);
    else if (!S_ISREG(st.st_mode))
        result = make_error(ErrorKind::BadInput,
                            S_ISDIR(st.st_mode) ? "a folder, not a file" : "not a regular file");
    if (!result.ok()) {
        ::close(fd);
        fd = -1;
    }
    return result;
}

} // namespace

Error system_error(int errno_value) {
    ErrorKind kind = ErrorKind::Failed;
    switch (errno_value) {
    case ENOENT:
        kind = ErrorKind::NotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        kind = ErrorKind::ReadOnly;
        break;
    case ENOSPC:
    case EDQUOT:
        kind = ErrorKind::NoSpace;
        break;
    default:
        break;
    }
    return make_error(kind, std::generic_category().message(errno_value));
}

std::optional<FileInfo> file_info(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    FileInfo info;
    info.is_directory = S_ISDIR(st.st_mode);
    info.size = static_cast<std::int64_t>(st.st_size);
    info.mtime_utc = static_cast<std::int64_t>(st.st_mtime);
    return info;
}

bool file_exists(const std::string& path) {
    return file_info(path).has_value();
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

FileResult read_file(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return system_error(errno);
    struct stat st {};
    FileResult result;
    if (::fstat(fd, &st) != 0)
        result = system_error(errno);
    else if (S_ISDIR(st.st_mode))
        result = system_error(EISDIR);
    else
        result = read_fd(fd, out, std::numeric_limits<std::uint64_t>::max());
    ::close(fd);
    if (!result.ok())
        out.clear();
    return result;
}

FileResult read_regular_file(const std::string& path, std::string& out, std::uint64_t max_bytes) {
    out.clear();
    int fd = -1;
    struct stat st {};
    FileResult result = open_regular_file(path, fd, st);
    if (!result.ok())
        return result;
    if (static_cast<std::uint64_t>(st.st_size) > max_bytes)
        result = too_large(max_bytes);
    else {
        out.reserve(static_cast<std::size_t>(st.st_size));
        result = read_fd(fd, out, max_bytes);
    }
    ::close(fd);
    if (!result.ok())
        out.clear();
    return result;
}

FileResult read_file_head(const std::string& path, std::string& out, std::size_t max_bytes) {
    out.clear();
    int fd = -1;
    struct stat st {};
    FileResult result = open_regular_file(path, fd, st);
    if (!result.ok())
        return result;
    out.resize(std::min(max_bytes, static_cast<std::size_t>(st.st_size)));
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = system_error(errno);
            break;
        }
        if (n == 0)
            break; // the file shrank since it was measured
        got += static_cast<std::size_t>(n);
    }
    out.resize(result.ok() ? got : 0);
    ::close(fd);
    return result;
}

FileResult write_file(const std::string& path, std::string_view data, bool sync) {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return system_error(errno);
    FileResult result = write_all(fd, data);
    if (result.ok() && sync && ::fsync(fd) != 0)
        result = system_error(errno);
    FileResult closed = close_fd(fd);
    return result.ok() ? closed : result;
}

FileReplacement::~FileReplacement() {
    discard();
}

void FileReplacement::discard() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    fd_ = -1;
    temp_.clear();
    target_.clear();
}

FileResult FileReplacement::begin(const std::string& target, const std::string& model) {
    discard();
    struct stat st {};
    const bool has_model = ::stat(model.c_str(), &st) == 0;
    if (!has_model && errno != ENOENT)
        return system_error(errno);
    if (has_model) {
        // A rename would put a plain file in place of the device or pipe.
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            return make_error(ErrorKind::BadInput, "not a regular file");
        // The rename needs only the folder's permission, so the file's own is checked here;
        // the bits are looked at too, since the superuser passes every access check.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return make_error(ErrorKind::ReadOnly, "read-only file");
        if (::access(model.c_str(), W_OK) != 0)
            return system_error(errno);
    }
    thread_local std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        std::string temp = target + ".tmp" + std::to_string(100000 + random() % 900000);
        // A file that replaces another is private until it has the other's permissions.
        fd_ =
            ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, has_model ? 0600 : 0666);
        if (fd_ >= 0)
            temp_ = std::move(temp);
        else if (errno != EEXIST)
            return system_error(errno);
    }
    if (fd_ < 0)
        return system_error(EEXIST);
    target_ = target;
    if (has_model) {
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0)
            (void)::fchown(fd_, static_cast<uid_t>(-1), st.st_gid); // the group, where allowed
        if (::fchmod(fd_, st.st_mode & 07777) != 0) {
            const int err = errno;
            discard();
            return system_error(err);
        }
    }
    return {};
}

FileResult FileReplacement::write(std::string_view data) {
    if (fd_ < 0)
        return system_error(EBADF);
    FileResult result = write_all(fd_, data);
    if (!result.ok())
        discard();
    return result;
}

FileResult FileReplacement::make_private() {
    if (fd_ < 0)
        return system_error(EBADF);
    if (::fchmod(fd_, 0600) != 0)
        return system_error(errno);
    return {};
}

FileResult FileReplacement::commit() {
    return commit_as(target_);
}

FileResult FileReplacement::commit_as(const std::string& target) {
    return finish(target, false);
}

FileResult FileReplacement::commit_new() {
    return finish(target_, true);
}

namespace {

// Gives the temporary file target's name without replacing a file there: the rename that refuses
// to, or where the file system lacks it, a second link that cannot be made over a file either;
// where it has no links, a look first and a plain rename.
int rename_new(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.c_str(), to.c_str()) == 0) {
        (void)::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace

FileResult FileReplacement::finish(const std::string& target, bool only_new) {
    if (fd_ < 0)
        return system_error(EBADF);
    FileResult result;
    if (::fsync(fd_) != 0)
        result = system_error(errno);
    const int fd = fd_;
    fd_ = -1;
    if (FileResult closed = close_fd(fd); result.ok())
        result = std::move(closed);
    if (result.ok() && only_new) {
        if (const int err = rename_new(temp_, target); err != 0)
            result = system_error(err);
    } else if (result.ok() && ::rename(temp_.c_str(), target.c_str()) != 0) {
        result = system_error(errno);
    }
    if (!result.ok()) {
        discard();
        return result;
    }
    sync_folder_of(target);
    temp_.clear();
    target_.clear();
    return {};
}

FileResult write_replacement(const std::string& target, const std::string& model,
                             std::string_view data) {
    FileReplacement file;
    if (FileResult r = file.begin(target, model); !r.ok())
        return r;
    if (FileResult r = file.write(data); !r.ok())
        return r;
    return file.commit();
}

FileResult replace_file_atomically(const std::string& path, std::string_view data,
                                   FileAccess access) {
    const std::string target = resolve_links(path);
    FileReplacement file;
    if (FileResult r = file.begin(target, target); !r.ok())
        return r;
    if (access == FileAccess::OwnerOnly) {
        if (FileResult r = file.make_private(); !r.ok())
            return r;
    }
    if (FileResult r = file.write(data); !r.ok())
        return r;
    return file.commit();
}

FileResult remove_file(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return system_error(errno);
    return {};
}

FileResult rename_file(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return system_error(errno);
    return {};
}

std::string resolve_links(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        char buf[4096];
        const ssize_t n = ::readlink(current.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf)
            return current;
        const std::string_view link(buf, static_cast<std::size_t>(n));
        if (is_absolute_path(link))
            current.assign(link);
        else
            current = folder_part(current).append(link);
    }
    return current;
}

void sync_folder_of(const std::string& path) {
    const std::string folder = folder_part(path);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

std::string folder_part(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string file_part(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string extension_of(std::string_view path) {
    const std::string name = file_part(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool is_absolute_path(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

std::string current_directory() {
    std::error_code ec;
    std::string dir = std::filesystem::current_path(ec).string();
    if (ec)
        return "./";
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string canonical_path(std::string_view path) {
    std::error_code ec;
    std::filesystem::path p{std::string(path)};
    if (p.is_relative())
        p = std::filesystem::current_path(ec) / p;
    auto c = std::filesystem::weakly_canonical(p, ec);
    if (ec)
        return p.lexically_normal().string();
    return c.string();
}

AppendResult append_file(const std::string& path, std::string_view data) {
    AppendResult result;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        result.error = "can't open " + path + ": " + system_error(errno).text;
        return result;
    }
    // With O_APPEND every write leaves the offset at the end, so the offsets before and after
    // tell how much went, whatever write_all stopped at.
    const off_t start = ::lseek(fd, 0, SEEK_END);
    FileResult written = write_all(fd, data);
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (start >= 0 && end >= start && static_cast<std::size_t>(end - start) <= data.size())
        result.written = static_cast<std::size_t>(end - start);
    if (FileResult closed = close_fd(fd); written.ok())
        written = std::move(closed);
    if (!written.ok())
        result.error = "can't write " + path + ": " + written.error_text();
    return result;
}

} // namespace qp
