#include "core/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace qp {

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

bool read_file(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return false;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

namespace {

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool write_fd(const std::string& path, int flags, std::string_view data, bool sync) {
    const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = write_all(fd, data);
    if (ok && sync)
        ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

} // namespace

bool write_file(const std::string& path, std::string_view data, bool sync) {
    return write_fd(path, O_CREAT | O_TRUNC, data, sync);
}

bool replace_file_atomically(const std::string& path, std::string_view data) {
    std::random_device rd;
    const std::string tmp = path + ".tmp" + std::to_string(rd() % 1000000);
    if (!write_fd(tmp, O_CREAT | O_EXCL, data, true)) {
        (void)remove_file(tmp);
        return false;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        (void)remove_file(tmp);
        return false;
    }
    sync_folder_of(path);
    return true;
}

bool remove_file(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool rename_file(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
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
        result.error = "can't open " + path;
        return result;
    }
    // With O_APPEND every write leaves the offset at the end, so the offsets before and after
    // tell how much went, whatever write_all stopped at.
    const off_t start = ::lseek(fd, 0, SEEK_END);
    const bool ok = write_all(fd, data);
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (start >= 0 && end >= start && static_cast<std::size_t>(end - start) <= data.size())
        result.written = static_cast<std::size_t>(end - start);
    if (::close(fd) != 0 || !ok)
        result.error = "can't write " + path;
    return result;
}

} // namespace qp
