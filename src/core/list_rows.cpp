#include "core/list_rows.h"

#include "core/chapters.h"
#include "core/dates.h"
#include "core/rss_writer.h"
#include "core/text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace qp {

namespace {

using K = CellKind;

std::string_view trim_spaces_view(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::optional<std::int64_t> number_of(std::string_view text) {
    text = trim_spaces_view(text);
    if (text.empty())
        return 0;
    std::int64_t n = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || n < 0)
        return std::nullopt;
    return n;
}

std::optional<double> decimal_of(std::string_view text) {
    text = trim_spaces_view(text);
    if (text.empty())
        return 0.0;
    double n = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(n) || n < 0)
        return std::nullopt;
    return n;
}

// "YYYY-MM-DD" and an optional " HH:MM" or " HH:MM:SS"; the parts must form a real date.
std::optional<DateValue> date_of(std::string_view text) {
    text = trim_spaces_view(text);
    if (text.empty())
        return DateValue{0};
    int part[6] = {0, 0, 0, 0, 0, 0};
    const char seps[] = {'-', '-', ' ', ':', ':'};
    std::size_t at = 0;
    int count = 0;
    for (; count < 6 && at < text.size(); ++count) {
        const auto res = std::from_chars(text.data() + at, text.data() + text.size(), part[count]);
        if (res.ec != std::errc())
            return std::nullopt;
        at = static_cast<std::size_t>(res.ptr - text.data());
        if (at == text.size())
            break;
        if (count == 5 || text[at] != seps[count])
            return std::nullopt;
        ++at;
    }
    if (at != text.size() || (count != 2 && count != 4 && count != 5))
        return std::nullopt;
    const DateValue value = date_from_fields(part[0], part[1], part[2], part[3], part[4], part[5]);
    const DateFields back = date_fields(value);
    if (back.year != part[0] || back.month != part[1] || back.day != part[2] ||
        back.hour != part[3] || back.minute != part[4] || back.second != part[5])
        return std::nullopt;
    return value;
}

std::string number_text(std::int64_t n) {
    return n == 0 ? std::string() : std::to_string(n);
}

std::string decimal_text(double n) {
    if (n == 0)
        return {};
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return {buf, res.ptr};
}

std::string seconds_text(double n) {
    return n == 0 ? std::string() : chapter_start_text(n);
}

std::string date_text(DateValue d) {
    return d == 0 ? std::string() : DateToText("%yyyy-%mm-%dd %hh:%ii:%ss", d);
}

std::string flag_text(int on) {
    return on != 0 ? "1" : "0";
}

int number(const ListRow& row, std::size_t i) {
    const std::int64_t n = i < row.size() ? number_of(row[i]).value_or(0) : 0;
    return n > INT32_MAX ? INT32_MAX : static_cast<int>(n);
}

std::int64_t number64(const ListRow& row, std::size_t i) {
    return i < row.size() ? number_of(row[i]).value_or(0) : 0;
}

double decimal(const ListRow& row, std::size_t i) {
    return i < row.size() ? decimal_of(row[i]).value_or(0) : 0;
}

double seconds(const ListRow& row, std::size_t i) {
    return i < row.size() ? chapter_start_of(row[i]).value_or(0) : 0;
}

DateValue date(const ListRow& row, std::size_t i) {
    return i < row.size() ? date_of(row[i]).value_or(0) : 0;
}

int flag(const ListRow& row, std::size_t i) {
    return i < row.size() && !trim_spaces_view(row[i]).empty() && row[i] != "0" ? 1 : 0;
}

std::string text(const ListRow& row, std::size_t i) {
    return i < row.size() ? trim_spaces(row[i]) : std::string();
}

// A local file or an address: what has a scheme is an address.
void put_source(const std::string& cell, std::string& file, std::string& url) {
    (url_has_scheme(cell) ? url : file) = cell;
}

} // namespace

bool cell_valid(CellKind kind, std::string_view cell) {
    switch (kind) {
    case K::Number:
        return number_of(cell).has_value();
    case K::Decimal:
        return decimal_of(cell).has_value();
    case K::Seconds:
        return trim_spaces_view(cell).empty() || chapter_start_of(cell).has_value();
    case K::Date:
        return date_of(cell).has_value();
    case K::Text:
    case K::Flag:
        break;
    }
    return true;
}

int first_bad_cell(std::span<const ListColumn> columns, const ListRow& row) {
    for (std::size_t i = 0; i < columns.size() && i < row.size(); ++i)
        if (!cell_valid(columns[i].kind, row[i]))
            return static_cast<int>(i);
    return -1;
}

template <> std::span<const ListColumn> ListRows<Chapter>::columns() {
    static constexpr ListColumn c[] = {{"Feed\\Chapters.Start", K::Seconds, 70},
                                       {"Feed\\Chapters.Title", K::Text, 150},
                                       {"Feed\\Chapters.Image", K::Text, 120},
                                       {"Feed\\Chapters.Link", K::Text, 0}};
    return c;
}
template <> ListRow ListRows<Chapter>::row(const Chapter& c) {
    return {chapter_start_text(c.StartTime), c.Title, c.Image, c.Url};
}
template <> Chapter ListRows<Chapter>::entry(const ListRow& r) {
    return {seconds(r, 0), text(r, 1), text(r, 2), text(r, 3)};
}

// Transcripts: a file or an address, its type, language and the captions mark.
template <> std::span<const ListColumn> ListRows<Transcript>::columns() {
    static constexpr ListColumn c[] = {{"List.FileOrUrl", K::Text, 200},
                                       {"List.Type", K::Text, 110},
                                       {"List.Language", K::Text, 60},
                                       {"List.Captions", K::Flag, 60}};
    return c;
}
template <> ListRow ListRows<Transcript>::row(const Transcript& t) {
    return {t.File.empty() ? t.Url : t.File, t.Type, t.Language, flag_text(t.Captions)};
}
template <> Transcript ListRows<Transcript>::entry(const ListRow& r) {
    Transcript t;
    put_source(text(r, 0), t.File, t.Url);
    t.Type = text(r, 1);
    t.Language = text(r, 2);
    t.Captions = flag(r, 3);
    return t;
}

template <> std::span<const ListColumn> ListRows<Person>::columns() {
    static constexpr ListColumn c[] = {{"List.Name", K::Text, 120},
                                       {"List.Role", K::Text, 80},
                                       {"List.Group", K::Text, 80},
                                       {"List.Image", K::Text, 120},
                                       {"List.Link", K::Text, 120}};
    return c;
}
template <> ListRow ListRows<Person>::row(const Person& p) {
    return {p.Name, p.Role, p.Group, p.Image, p.Href};
}
template <> Person ListRows<Person>::entry(const ListRow& r) {
    return {text(r, 0), text(r, 1), text(r, 2), text(r, 3), text(r, 4)};
}

template <> std::span<const ListColumn> ListRows<Soundbite>::columns() {
    static constexpr ListColumn c[] = {{"List.Start", K::Seconds, 70},
                                       {"List.Duration", K::Seconds, 70},
                                       {"List.Title", K::Text, 200}};
    return c;
}
template <> ListRow ListRows<Soundbite>::row(const Soundbite& s) {
    return {chapter_start_text(s.StartTime), seconds_text(s.Duration), s.Title};
}
template <> Soundbite ListRows<Soundbite>::entry(const ListRow& r) {
    return {seconds(r, 0), seconds(r, 1), text(r, 2)};
}

template <> std::span<const ListColumn> ListRows<AlternateEnclosure>::columns() {
    static constexpr ListColumn c[] = {
        {"List.Title", K::Text, 100},   {"List.Type", K::Text, 80},
        {"List.File", K::Text, 120},    {"List.Url", K::Text, 120},
        {"List.Length", K::Number, 80}, {"List.Bitrate", K::Decimal, 60},
        {"List.Height", K::Number, 50}, {"List.Language", K::Text, 50},
        {"List.Codecs", K::Text, 60},   {"List.Rel", K::Text, 50},
        {"List.Default", K::Flag, 50}};
    return c;
}
template <> ListRow ListRows<AlternateEnclosure>::row(const AlternateEnclosure& a) {
    return {a.Title,
            a.Type,
            a.File,
            a.Url,
            number_text(a.Length),
            decimal_text(a.Bitrate),
            number_text(a.Height),
            a.Lang,
            a.Codecs,
            a.Rel,
            flag_text(a.Default)};
}
template <> AlternateEnclosure ListRows<AlternateEnclosure>::entry(const ListRow& r) {
    AlternateEnclosure a;
    a.Title = text(r, 0);
    a.Type = text(r, 1);
    a.File = text(r, 2);
    a.Url = text(r, 3);
    a.Length = number64(r, 4);
    a.Bitrate = decimal(r, 5);
    a.Height = number(r, 6);
    a.Lang = text(r, 7);
    a.Codecs = text(r, 8);
    a.Rel = text(r, 9);
    a.Default = flag(r, 10);
    return a;
}

template <> std::span<const ListColumn> ListRows<ValueRecipient>::columns() {
    static constexpr ListColumn c[] = {
        {"List.Name", K::Text, 100},      {"List.Type", K::Text, 70},
        {"List.Address", K::Text, 160},   {"List.Split", K::Number, 50},
        {"List.Fee", K::Flag, 40},        {"List.CustomKey", K::Text, 70},
        {"List.CustomValue", K::Text, 70}};
    return c;
}
template <> ListRow ListRows<ValueRecipient>::row(const ValueRecipient& v) {
    return {v.Name,           v.Type,      v.Address,    number_text(v.Split),
            flag_text(v.Fee), v.CustomKey, v.CustomValue};
}
template <> ValueRecipient ListRows<ValueRecipient>::entry(const ListRow& r) {
    return {text(r, 0), text(r, 1), text(r, 2), number(r, 3), flag(r, 4), text(r, 5), text(r, 6)};
}

template <> std::span<const ListColumn> ListRows<ValueTimeSplit>::columns() {
    static constexpr ListColumn c[] = {
        {"List.Start", K::Seconds, 70},           {"List.Duration", K::Seconds, 70},
        {"List.RemotePercentage", K::Number, 60}, {"List.RemoteStart", K::Seconds, 70},
        {"List.FeedGuid", K::Text, 120},          {"List.FeedUrl", K::Text, 120},
        {"List.ItemGuid", K::Text, 120}};
    return c;
}
template <> ListRow ListRows<ValueTimeSplit>::row(const ValueTimeSplit& v) {
    return {chapter_start_text(v.StartTime),
            seconds_text(v.Duration),
            number_text(v.RemotePercentage),
            seconds_text(v.RemoteStartTime),
            v.FeedGuid,
            v.FeedUrl,
            v.ItemGuid};
}
template <> ValueTimeSplit ListRows<ValueTimeSplit>::entry(const ListRow& r) {
    return {seconds(r, 0), seconds(r, 1), number(r, 2), seconds(r, 3),
            text(r, 4),    text(r, 5),    text(r, 6)};
}

template <> std::span<const ListColumn> ListRows<Trailer>::columns() {
    static constexpr ListColumn c[] = {
        {"List.Title", K::Text, 120},   {"List.Url", K::Text, 150}, {"List.Date", K::Date, 130},
        {"List.Length", K::Number, 70}, {"List.Type", K::Text, 80}, {"List.Season", K::Number, 50}};
    return c;
}
template <> ListRow ListRows<Trailer>::row(const Trailer& t) {
    return {
        t.Title, t.Url, date_text(t.PubDate), number_text(t.Length), t.Type, number_text(t.Season)};
}
template <> Trailer ListRows<Trailer>::entry(const ListRow& r) {
    return {text(r, 0), text(r, 1), date(r, 2), number64(r, 3), text(r, 4), number(r, 5)};
}

template <> std::span<const ListColumn> ListRows<FeedText>::columns() {
    static constexpr ListColumn c[] = {{"List.Purpose", K::Text, 90}, {"List.Text", K::Text, 300}};
    return c;
}
template <> ListRow ListRows<FeedText>::row(const FeedText& t) {
    return {t.Purpose, t.Text};
}
template <> FeedText ListRows<FeedText>::entry(const ListRow& r) {
    return {text(r, 0), text(r, 1)};
}

template <> std::span<const ListColumn> ListRows<ServiceBlock>::columns() {
    static constexpr ListColumn c[] = {{"List.Service", K::Text, 150},
                                       {"List.Blocked", K::Flag, 60}};
    return c;
}
template <> ListRow ListRows<ServiceBlock>::row(const ServiceBlock& b) {
    return {b.Service, flag_text(b.Blocked)};
}
template <> ServiceBlock ListRows<ServiceBlock>::entry(const ListRow& r) {
    return {text(r, 0), flag(r, 1)};
}

template <> std::span<const ListColumn> ListRows<RemoteItem>::columns() {
    static constexpr ListColumn c[] = {{"List.Title", K::Text, 100},
                                       {"List.FeedGuid", K::Text, 120},
                                       {"List.FeedUrl", K::Text, 140},
                                       {"List.ItemGuid", K::Text, 80},
                                       {"List.Medium", K::Text, 60}};
    return c;
}
template <> ListRow ListRows<RemoteItem>::row(const RemoteItem& i) {
    return {i.Title, i.FeedGuid, i.FeedUrl, i.ItemGuid, i.Medium};
}
template <> RemoteItem ListRows<RemoteItem>::entry(const ListRow& r) {
    RemoteItem i;
    i.Title = text(r, 0);
    i.FeedGuid = text(r, 1);
    i.FeedUrl = text(r, 2);
    i.ItemGuid = text(r, 3);
    i.Medium = text(r, 4);
    return i;
}

} // namespace qp
