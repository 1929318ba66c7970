#include "core/feed_date.h"

#include "core/clock.h"
#include "core/text.h"

#include <array>

namespace qp {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

struct ZoneName {
    std::string_view name;
    int minutes;
};

// The zones RFC 822 names, and those generators write although it does not.
constexpr ZoneName kZoneNames[] = {
    {"UT", 0},      {"UTC", 0},     {"GMT", 0},    {"Z", 0},      {"EST", -300}, {"EDT", -240},
    {"CST", -360},  {"CDT", -300},  {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420},
    {"AKST", -540}, {"AKDT", -480}, {"HST", -600}, {"WET", 0},    {"WEST", 60},  {"BST", 60},
    {"CET", 60},    {"CEST", 120},  {"MET", 60},   {"MEST", 120}, {"EET", 120},  {"EEST", 180},
    {"MSK", 180},   {"JST", 540},   {"KST", 540},  {"AEST", 600}, {"AEDT", 660}, {"ACST", 570},
    {"ACDT", 630},  {"AWST", 480},  {"NZST", 720}, {"NZDT", 780},
};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_letter(char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool at_end() const { return at_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[at_]; }
    bool skip(char c) {
        if (peek() != c)
            return false;
        ++at_;
        return true;
    }
    void blanks() {
        while (!at_end() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == ','))
            ++at_;
    }
    // Up to longest digits, at least one; their count in digits.
    std::optional<int> number(std::size_t longest, std::size_t* digits = nullptr) {
        std::size_t n = 0;
        int value = 0;
        while (n < longest && at_ + n < text_.size() && is_digit(text_[at_ + n])) {
            value = value * 10 + (text_[at_ + n] - '0');
            ++n;
        }
        if (n == 0)
            return std::nullopt;
        at_ += n;
        if (digits)
            *digits = n;
        return value;
    }
    std::string_view word() {
        const std::size_t start = at_;
        while (!at_end() && is_letter(text_[at_]))
            ++at_;
        return text_.substr(start, at_ - start);
    }
    std::string_view rest() const { return at_end() ? std::string_view{} : text_.substr(at_); }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

std::optional<int> month_number(std::string_view word) {
    if (word.size() < 3)
        return std::nullopt;
    for (std::size_t k = 0; k < kMonths.size(); ++k)
        if (istarts_with(word, kMonths[k]))
            return static_cast<int>(k) + 1;
    return std::nullopt;
}

// "+hhmm", "+hh:mm", "+hh", a zone name or a military letter; nothing read is GMT, unstated.
std::optional<int> zone_minutes(Scanner& in, bool& stated) {
    in.blanks();
    stated = !in.at_end();
    if (!stated)
        return 0;
    std::string_view name = in.word();
    if (!name.empty()) {
        int minutes = 0;
        bool known = false;
        for (const ZoneName& z : kZoneNames) {
            if (iequals(name, z.name)) {
                minutes = z.minutes;
                known = true;
                break;
            }
        }
        if (!known && name.size() == 1 && (name[0] | 0x20) != 'j') {
            // Military letters: A..I and K..M east, N..Y west, Z is GMT.
            const char c = static_cast<char>(name[0] & ~0x20);
            known = true;
            minutes = c <= 'I'   ? (c - 'A' + 1) * 60
                      : c <= 'M' ? (c - 'A') * 60
                      : c <= 'Y' ? -(c - 'N' + 1) * 60
                                 : 0;
        }
        if (!known)
            return std::nullopt;
        // "GMT+0200", "UTC-05:00"
        if (in.peek() != '+' && in.peek() != '-')
            return in.at_end() ? std::optional<int>(minutes) : std::nullopt;
    }
    const bool minus = in.peek() == '-';
    if (!in.skip('+') && !in.skip('-'))
        return std::nullopt;
    std::size_t digits = 0;
    std::optional<int> hours = in.number(4, &digits);
    if (!hours)
        return std::nullopt;
    int total = 0;
    if (digits == 4 || digits == 3) {
        total = (*hours / 100) * 60 + *hours % 100;
    } else {
        total = *hours * 60;
        if (in.skip(':')) {
            const std::optional<int> mins = in.number(2);
            if (!mins)
                return std::nullopt;
            total += *mins;
        }
    }
    if (!in.at_end() || total > 14 * 60 + 59)
        return std::nullopt;
    return minus ? -total : total;
}

bool valid_fields(int year, int month, int day, int hour, int minute, int second) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
           hour >= 0 && hour <= 24 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
}

std::optional<FeedInstant> make_instant(int year, int month, int day, int hour, int minute,
                                        int second, int zone, bool stated) {
    if (!valid_fields(year, month, day, hour, minute, second))
        return std::nullopt;
    const DateValue wall = date_from_fields(year, month, day, hour, minute, second);
    return FeedInstant{wall - std::int64_t{zone} * 60, zone * 60, stated};
}

// HH:MM[:SS][.fraction]
bool read_time(Scanner& in, int& hour, int& minute, int& second) {
    const std::optional<int> h = in.number(2);
    if (!h || !in.skip(':'))
        return false;
    const std::optional<int> m = in.number(2);
    if (!m)
        return false;
    hour = *h;
    minute = *m;
    second = 0;
    if (in.skip(':')) {
        const std::optional<int> s = in.number(2);
        if (!s)
            return false;
        second = *s;
        if (in.skip('.'))
            (void)in.number(9);
    }
    return true;
}

std::optional<FeedInstant> parse_iso(std::string_view text) {
    Scanner in(text);
    std::size_t digits = 0;
    const std::optional<int> year = in.number(4, &digits);
    if (!year || digits != 4 || !in.skip('-'))
        return std::nullopt;
    const std::optional<int> month = in.number(2);
    if (!month || !in.skip('-'))
        return std::nullopt;
    const std::optional<int> day = in.number(2);
    if (!day)
        return std::nullopt;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (in.skip('T') || in.skip('t') || in.skip(' ')) {
        if (!read_time(in, hour, minute, second))
            return std::nullopt;
    }
    bool stated = false;
    const std::optional<int> zone = zone_minutes(in, stated);
    if (!zone)
        return std::nullopt;
    return make_instant(*year, *month, *day, hour, minute, second, *zone, stated);
}

} // namespace

std::optional<FeedInstant> parse_feed_date(std::string_view text) {
    text = trimmed(text, " \t\r\n");
    if (text.size() >= 10 && is_digit(text[0]) && text[4] == '-')
        return parse_iso(text);
    Scanner in(text);
    in.blanks();
    std::optional<int> month;
    // The day name says nothing the date does not; a month name first is "Jul 1 2024".
    if (is_letter(in.peek())) {
        const std::string_view word = in.word();
        if (word.size() < 3)
            return std::nullopt;
        month = month_number(word);
        in.skip('.');
        in.blanks();
    }
    std::optional<int> day = in.number(2);
    in.blanks();
    if (!month)
        month = month_number(in.word());
    if (!day || !month)
        return std::nullopt;
    in.skip('.');
    in.blanks();
    std::size_t digits = 0;
    std::optional<int> year = in.number(4, &digits);
    if (!year || digits == 3 || digits == 1)
        return std::nullopt;
    if (digits == 2)
        *year += *year < 50 ? 2000 : 1900;
    in.blanks();
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!in.at_end() && !read_time(in, hour, minute, second))
        return std::nullopt;
    bool stated = false;
    const std::optional<int> zone = zone_minutes(in, stated);
    if (!zone)
        return std::nullopt;
    return make_instant(*year, *month, *day, hour, minute, second, *zone, stated);
}

} // namespace qp
