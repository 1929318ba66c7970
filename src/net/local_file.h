// Owns the descriptor of a local file being sent, whatever the protocol.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

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

} // namespace qp::net
