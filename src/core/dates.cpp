#include "core/dates.h"

#include "core/text.h"

#include <algorithm>
#include <array>

namespace qp {

namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The first-pass tokens, in the order they are tried at each "%".
enum class Token { Year4, Year2, Month, Day, Hour, Minute, Second };
struct TokenText {
    std::string_view letters;
    Token token;
};
constexpr std::array<TokenText, 7> kTokens = {{{"yyyy", Token::Year4},
                                               {"yy", Token::Year2},
                                               {"mm", Token::Month},
                                               {"dd", Token::Day},
                                               {"hh", Token::Hour},
                                               {"ii", Token::Minute},
                                               {"ss", Token::Second}}};

bool matches_letters(std::string_view s, std::size_t at, std::string_view letters) {
    if (s.size() - at < letters.size())
        return false;
    for (std::size_t k = 0; k < letters.size(); ++k) {
        char c = s[at + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != letters[k])
            return false;
    }
    return true;
}

void append_two_digits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

void append_year(std::string& out, int year) {
    if (year < 0) {
        out += '-';
        year = -year;
    }
    const std::string digits = std::to_string(year);
    if (digits.size() < 4)
        out.append(4 - digits.size(), '0');
    out += digits;
}

// The widest offsets in use: the Line Islands are 14 hours ahead, and New Zealand's summer 13.
constexpr std::int64_t kMaxZoneSeconds = std::int64_t{14} * 3600;

// "+" or "-" after prefix, then the offset's size through mask.
std::string signed_offset(std::string_view prefix, std::int64_t seconds, std::string_view mask) {
    std::string out(prefix);
    out += seconds < 0 ? '-' : '+';
    out += DateToText(mask, seconds < 0 ? -seconds : seconds);
    return out;
}

std::int64_t fixed_zone_seconds(int time_zone) {
    return static_cast<std::int64_t>(std::clamp(time_zone, -12, 12)) * 3600;
}

// The offset a date of the document states, in seconds: its fixed whole hours, or the offset the
// computer's zone rules give that wall-clock date, with its minutes, so a summer date is not
// stated with a winter offset nor a half-hour zone half an hour off.
std::int64_t zone_seconds(DateValue date, int time_zone) {
    if (time_zone != kAutoTimeZone)
        return fixed_zone_seconds(time_zone);
    return std::clamp<std::int64_t>(utc_offset_at_local(date), -kMaxZoneSeconds, kMaxZoneSeconds);
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads rfc822_valid's pieces from the front of a text.
class Rfc822Reader {
public:
    explicit Rfc822Reader(std::string_view text) : text_(text) {}

    bool at_end() const { return at_ == text_.size(); }
    bool at_letter() const { return !at_end() && is_letter(text_[at_]); }
    bool skip(char c) {
        if (at_end() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }
    // At least one space when required.
    bool spaces(bool required) {
        const std::size_t start = at_;
        while (skip(' ')) {
        }
        return !required || at_ > start;
    }
    // shortest to longest digits, their value in [low, high].
    bool number(std::size_t shortest, std::size_t longest, int low, int high) {
        std::size_t n = 0;
        int value = 0;
        while (at_ + n < text_.size() && is_digit(text_[at_ + n]) && n < longest) {
            value = value * 10 + (text_[at_ + n] - '0');
            ++n;
        }
        if (n < shortest || n > longest || value < low || value > high)
            return false;
        at_ += n;
        return true;
    }
    // One of names, compared without regard to letter case, not followed by a letter.
    template <std::size_t N> bool name(const std::array<std::string_view, N>& names) {
        std::size_t n = 0;
        while (at_ + n < text_.size() && is_letter(text_[at_ + n]))
            ++n;
        const std::string_view word = text_.substr(at_, n);
        for (const std::string_view candidate : names) {
            if (iequals(word, candidate)) {
                at_ += n;
                return true;
            }
        }
        return false;
    }
    bool year() {
        const std::size_t start = at_;
        if (!number(2, 4, 0, 9999))
            return false;
        return at_ - start != 3;
    }

private:
    static bool is_letter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

    std::string_view text_;
    std::size_t at_ = 0;
};

constexpr std::array<std::string_view, 10> kZoneNames = {"UT",  "GMT", "EST", "EDT", "CST",
                                                         "CDT", "MST", "MDT", "PST", "PDT"};
// The military letters: every letter but J.
constexpr std::array<std::string_view, 25> kMilitaryZones = {
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "K", "L", "M", "N",
    "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};

} // namespace

DateValue Now() {
    return local_from_utc(current_clock().utc_now());
}

DateValue now_in(int time_zone) {
    if (time_zone == kAutoTimeZone)
        return Now();
    return current_clock().utc_now() + fixed_zone_seconds(time_zone);
}

std::string DateToText(std::string_view mask, DateValue date) {
    const DateFields f = date_fields(date);
    std::string out;
    out.reserve(mask.size() + 16);
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] != '%') {
            out += mask[i];
            continue;
        }
        const TokenText* hit = nullptr;
        for (const TokenText& t : kTokens) {
            if (matches_letters(mask, i + 1, t.letters)) {
                hit = &t;
                break;
            }
        }
        if (!hit) {
            out += '%';
            continue;
        }
        switch (hit->token) {
        case Token::Year4:
            append_year(out, f.year);
            break;
        case Token::Year2:
            append_two_digits(out, (f.year % 100 + 100) % 100);
            break;
        case Token::Month:
            append_two_digits(out, f.month);
            break;
        case Token::Day:
            append_two_digits(out, f.day);
            break;
        case Token::Hour:
            append_two_digits(out, f.hour);
            break;
        case Token::Minute:
            append_two_digits(out, f.minute);
            break;
        case Token::Second:
            append_two_digits(out, f.second);
            break;
        }
        i += hit->letters.size();
    }
    return out;
}

std::string DateToTextEx(std::string_view mask, DateValue date) {
    const DateFields f = date_fields(date);
    std::string out = DateToText(mask, date);
    if (out.find('%') == std::string::npos)
        return out;
    out = ireplace_all(out, "%dl", kDayNames[static_cast<std::size_t>(f.weekday)]);
    return ireplace_all(out, "%ml", kMonthNames[static_cast<std::size_t>(f.month - 1)]);
}

std::string GmtOffsetText(std::int64_t offset, bool in_hours, std::string_view mask) {
    if (in_hours)
        offset = std::clamp<std::int64_t>(offset, -12, 12) * 3600;
    else
        offset = std::clamp<std::int64_t>(offset, -43200, 43200);
    return signed_offset("GMT", offset, mask);
}

int LocalGmtOffset(bool in_hours) {
    // One reading of the clock gives both the instant and its offset, so the two can never
    // straddle a second the way separate GMT and local readings could.
    const Clock& clock = current_clock();
    const int seconds = clock.utc_offset_at(clock.utc_now());
    return in_hours ? seconds / 3600 : seconds;
}

std::string RssDate(DateValue date, std::string_view mask, int time_zone) {
    if (mask.find_first_not_of(' ') == std::string_view::npos)
        mask = kDefaultRssDateMask;
    const std::int64_t offset = zone_seconds(date, time_zone);
    if (mask == kDefaultRssDateMask) {
        // Every item has a date and nearly every document the default mask: written in one go,
        // the same text as the passes below give.
        const DateFields f = date_fields(date);
        std::string out;
        out.reserve(40);
        out += kDayNames[static_cast<std::size_t>(f.weekday)];
        out += ", ";
        append_two_digits(out, f.day);
        out += ' ';
        out += kMonthNames[static_cast<std::size_t>(f.month - 1)];
        out += ' ';
        append_year(out, f.year);
        out += ' ';
        append_two_digits(out, f.hour);
        out += ':';
        append_two_digits(out, f.minute);
        out += ':';
        append_two_digits(out, f.second);
        out += ' ';
        out += signed_offset("GMT", offset, "%hh:%ii");
        return out;
    }
    std::string text = DateToTextEx(mask, date);
    if (text.find('%') == std::string::npos)
        return text;
    text = ireplace_all(text, "%gm", signed_offset("GMT", offset, "%hh:%ii"));
    return ireplace_all(text, "%zz", signed_offset("", offset, "%hh%ii"));
}

bool rfc822_valid(std::string_view text) {
    Rfc822Reader in(text);
    if (in.at_letter()) {
        if (!in.name(kDayNames) || !in.skip(','))
            return false;
        in.spaces(false);
    }
    if (!(in.number(1, 2, 1, 31) && in.spaces(true) && in.name(kMonthNames) && in.spaces(true) &&
          in.year() && in.spaces(true)))
        return false;
    if (!(in.number(2, 2, 0, 23) && in.skip(':') && in.number(2, 2, 0, 59)))
        return false;
    if (in.skip(':') && !in.number(2, 2, 0, 60))
        return false;
    if (!in.spaces(true))
        return false;
    if (in.skip('+') || in.skip('-')) {
        if (!(in.number(2, 2, 0, 99) && in.number(2, 2, 0, 59)))
            return false;
    } else if (!in.name(kZoneNames) && !in.name(kMilitaryZones)) {
        return false;
    }
    return in.at_end();
}

} // namespace qp
