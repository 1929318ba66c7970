// The project reader takes any bytes without failing, and whatever it reads, once written, reads
// back as the same document.
#include "core/project_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    qp::Doc first;
    qp::ParseProject(first, input);
    const std::string bytes = qp::FormatProject(first);
    qp::Doc second;
    qp::ParseProject(second, bytes);
    if (!(first == second)) {
        std::fputs("a written document read back differently\n", stderr);
        std::abort();
    }
    if (qp::FormatProject(second) != bytes) {
        std::fputs("writing the same document twice gave different bytes\n", stderr);
        std::abort();
    }
    return 0;
}
