// The media reader on any bytes, as a file: it ends within its budget whatever the structure
// claims, and what it tells is consistent.
#include "media/media.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("media", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const qp::MediaInfo info = qp::Media_Read("/proc/self/fd/" + std::to_string(fd));
    if (info.length != static_cast<std::int64_t>(size))
        std::abort();
    if (info.ok() != (info.problem == qp::MediaProblem::None) || info.seconds < 0)
        std::abort();
    if (info.problem == qp::MediaProblem::Cancelled)
        std::abort();
    return 0;
}
