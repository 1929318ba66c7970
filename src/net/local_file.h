// Owns the descriptor of a local file being sent, whatever the protocol.
#pragma once

#include "net/socket.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace qp::net {

class LocalFile {
public:
    explicit LocalFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~LocalFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    int fd() const { return fd_; }
    // The size now, or -1 when the file cannot be read.
    std::int64_t size() const {
        struct stat info {};
        return fd_ >= 0 && ::fstat(fd_, &info) == 0 && !S_ISDIR(info.st_mode) ? info.st_size : -1;
    }

private:
    int fd_;
};

// The one loop that reads a file part by part for a connection that cannot send from the file
// itself: count bytes from offset, through buffer, each part handed to send (which answers empty
// or why not). offset moves past every part sent; a cancel is seen before each read.
template <class Send>
std::string local_file_send_parts(int fd, std::int64_t& offset, std::size_t count,
                                  std::span<char> buffer, CancelFlags cancel, Send send) {
    while (count > 0) {
        if (cancel.raised())
            return std::string(kCancelled);
        const ssize_t got =
            ::pread(fd, buffer.data(), std::min(count, buffer.size()), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::strerror(errno);
        if (got == 0)
            return "the local file ended early";
        if (std::string error =
                send(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            !error.empty())
            return error;
        offset += got;
        count -= static_cast<std::size_t>(got);
    }
    return {};
}

} // namespace qp::net
