// A file size limit for the life of the object: writes past it fail with EFBIG, as they would on
// a full disk, instead of raising SIGXFSZ.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace qp::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*saved_handler_)(int) = SIG_DFL;
    bool ok_ = false;
};

} // namespace qp::test
