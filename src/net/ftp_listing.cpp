#include "net/ftp_listing.h"

#include "core/text.h"

#include <algorithm>
#include <array>

namespace qp::net {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The next field of a line, skipping the blanks before it; empty at the end of the line.
std::string_view next_field(std::string_view line, std::size_t& at) {
    while (at < line.size() && is_blank(line[at]))
        ++at;
    const std::size_t begin = at;
    while (at < line.size() && !is_blank(line[at]))
        ++at;
    return line.substr(begin, at - begin);
}

int clamped(std::string_view field, int low, int high) {
    return static_cast<int>(std::clamp<std::int64_t>(parse_leading_int64(field), low, high));
}

int month_of(std::string_view field) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (iequals(field, kMonths[i]))
            return static_cast<int>(i) + 1;
    return 1;
}

// Characters 2 to 10 of the permissions field: r, w and x (or s) for owner, group and others.
int permission_bits(std::string_view field) {
    static constexpr char kLetters[3] = {'r', 'w', 'x'};
    int bits = 0;
    for (std::size_t i = 0; i < 9 && i + 1 < field.size(); ++i) {
        const char c = field[i + 1];
        const bool set = c == kLetters[i % 3] || (i % 3 == 2 && c == 's');
        if (set)
            bits |= 1 << (8 - i);
    }
    return bits;
}

} // namespace

std::optional<FtpEntry> parse_listing_line(std::string_view line, const DateFields& now) {
    const std::size_t line_end = line.find_first_of("\r\n");
    if (line_end != std::string_view::npos)
        line = line.substr(0, line_end);
    std::size_t at = 0;
    std::string_view fields[8];
    for (std::string_view& field : fields) {
        field = next_field(line, at);
        if (field.empty())
            return std::nullopt;
    }
    while (at < line.size() && is_blank(line[at]))
        ++at;
    if (at >= line.size())
        return std::nullopt;

    FtpEntry entry;
    entry.name = std::string(line.substr(at));
    entry.line = std::string(line);
    entry.type = fields[0].front() == 'd' ? EntryType::Directory : EntryType::File;
    entry.permissions = permission_bits(fields[0]);
    entry.size = std::max<std::int64_t>(parse_leading_int64(fields[4]), 0);

    const int month = month_of(fields[5]);
    const int day = clamped(fields[6], 1, 31);
    const std::string_view time_or_year = fields[7];
    int year = now.year;
    int hour = 0;
    int minute = 0;
    if (const std::size_t colon = time_or_year.find(':'); colon != std::string_view::npos) {
        hour = clamped(time_or_year.substr(0, colon), 0, 23);
        minute = clamped(time_or_year.substr(colon + 1), 0, 59);
        if (month > now.month)
            --year;
    } else {
        year = clamped(time_or_year, 0, 9999);
    }
    entry.date = date_from_fields(year, month, day, hour, minute, 0);
    return entry;
}

std::vector<FtpEntry> parse_listing(std::string_view data, const DateFields& now) {
    std::vector<FtpEntry> entries;
    bool first = true;
    while (!data.empty() && entries.size() < kMaxListingEntries) {
        std::size_t end = data.find('\n');
        const std::string_view line = data.substr(0, end);
        data.remove_prefix(end == std::string_view::npos ? data.size() : end + 1);
        if (first && line.substr(0, 6) == "total ") {
            first = false;
            continue;
        }
        first = false;
        std::optional<FtpEntry> entry = parse_listing_line(line, now);
        if (!entry)
            break;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

} // namespace qp::net
