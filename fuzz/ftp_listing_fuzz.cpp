// Listings come from the server; any bytes must parse without a crash or an overflow.
#include "net/ftp_listing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qp::DateFields now;
    now.year = 2024;
    now.month = size > 0 ? data[0] % 12 + 1 : 6;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const qp::net::FtpEntry& entry : qp::net::parse_listing(text, now)) {
        if (entry.name.empty() || entry.size < 0 || (entry.type != 1 && entry.type != 2) ||
            entry.permissions < 0 || entry.permissions > 0777)
            std::abort();
    }
    return 0;
}
