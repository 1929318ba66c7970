// Reading a directory listing in the Unix long format ("drwxr-xr-x 2 user group 4096 Mar 5 12:30
// name"): names, sizes, permission bits and dates of the entries.
#pragma once

#include "core/clock.h"
#include "net/ftp_session.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace qp::net {

// A listing larger than this is refused instead of read into memory.
inline constexpr std::size_t kMaxListingBytes = std::size_t{16} * 1024 * 1024;
inline constexpr std::size_t kMaxListingEntries = 100000;

// One line without its line end. nullopt when it lacks one of the nine fields. A time instead of
// a year means the current year, or the one before when the month lies after the current month;
// `now` gives both. The date is the server's clock, unconverted.
std::optional<FtpEntry> parse_listing_line(std::string_view line, const DateFields& now);

// Every line up to the first one that is not an entry. A "total" line heading the listing is
// skipped.
std::vector<FtpEntry> parse_listing(std::string_view data, const DateFields& now);

} // namespace qp::net
