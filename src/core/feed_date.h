// Reading the dates of a feed made elsewhere: RFC 822 in any zone, and the forms readers accept
// although the format does not allow them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qp {

// An instant and the offset the date stated it in.
struct FeedInstant {
    std::int64_t utc = 0;    // seconds since 1970-01-01 00:00:00 GMT
    std::int32_t offset = 0; // the stated zone minus GMT, in seconds
    bool zone_stated = true; // false: no zone was given, GMT is assumed

    friend bool operator==(const FeedInstant&, const FeedInstant&) = default;
};

// RFC 822 ("Mon, 01 Jul 2024 08:00:00 +0200", any zone name or military letter), with the
// common faults forgiven: no or a full day name, full month names, a missing comma, a two-digit
// year, no seconds, "+02:00" or "UTC" or a European zone name for the zone, no zone at all; and
// ISO 8601 ("2024-07-01T08:00:00+02:00"). Nothing for a text that is none of these.
std::optional<FeedInstant> parse_feed_date(std::string_view text);

} // namespace qp
