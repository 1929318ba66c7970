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

} // namespace

DateValue Now() {
    return local_from_utc(current_clock().utc_now());
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

std::string GmtOffsetText(std::int64_t offset, bool inHours, std::string_view mask) {
    if (inHours)
        offset = std::clamp<std::int64_t>(offset, -12, 12) * 3600;
    else
        offset = std::clamp<std::int64_t>(offset, -43200, 43200);
    if (offset < 0)
        return "GMT-" + DateToText(mask, -offset);
    return "GMT+" + DateToText(mask, offset);
}

int LocalGmtOffset(bool inHours) {
    // One reading of the clock gives both the instant and its offset, so the two can never
    // straddle a second the way separate GMT and local readings could.
    const Clock& clock = current_clock();
    const int seconds = clock.utc_offset_at(clock.utc_now());
    return inHours ? seconds / 3600 : seconds;
}

std::string RssDate(DateValue date, std::string_view mask, int timeZone) {
    if (mask.find_first_not_of(' ') == std::string_view::npos)
        mask = kDefaultRssDateMask;
    const int offset = timeZone == kAutoTimeZone ? LocalGmtOffset(true) : timeZone;
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
        out += GmtOffsetText(offset, true, "%hh:%ii");
        return out;
    }
    std::string text = DateToTextEx(mask, date);
    if (text.find('%') == std::string::npos)
        return text;
    return ireplace_all(text, "%gm", GmtOffsetText(offset, true, "%hh:%ii"));
}

} // namespace qp
