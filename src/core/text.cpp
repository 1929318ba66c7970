#include "core/text.h"

#include "core/byte_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace qp {

namespace {

// Code points of the bytes 0x80..0x9F; the undefined five keep their C1 value.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr auto kHighByte = [](auto c) { return c >= 0x80; };

// Length of the valid UTF-8 sequence at s[i], or 0 when it is invalid.
std::size_t valid_sequence_length(std::string_view s, std::size_t i, char32_t* out) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (c < 0x80) {
        if (out)
            *out = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if (!is_continuation_at(s, i + k))
            return 0;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    if (out)
        *out = cp;
    return n;
}

char32_t fold_cp(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
        return cp + 32;
    switch (cp) {
    case 0x0160:
        return 0x0161;
    case 0x0152:
        return 0x0153;
    case 0x017D:
        return 0x017E;
    case 0x0178:
        return 0x00FF;
    default:
        return cp;
    }
}

} // namespace

bool is_ascii(std::string_view s) {
    return find_byte_if(s, 0, kHighByte) == s.size();
}

bool is_valid_utf8(std::string_view s) {
    for (std::size_t i = 0; (i = find_byte_if(s, i, kHighByte)) < s.size();) {
        const std::size_t n = valid_sequence_length(s, i, nullptr);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

char32_t next_code_point(std::string_view s, std::size_t& i) {
    char32_t cp = 0;
    const std::size_t n = valid_sequence_length(s, i, &cp);
    if (n == 0) {
        ++i;
        return 0xFFFD;
    }
    i += n;
    return cp;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string repair_utf8(std::string_view s) {
    if (is_valid_utf8(s))
        return std::string(s);
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size();)
        append_utf8(out, next_code_point(s, i));
    return out;
}

std::string cp1252_to_utf8(std::string_view bytes) {
    // The UTF-8 form of each byte from 0x80 up, padded to four bytes for one fixed-size copy.
    static constexpr auto kHigh = [] {
        std::array<std::pair<std::array<char, 4>, std::size_t>, 128> table{};
        for (std::size_t k = 0; k < table.size(); ++k) {
            const char32_t cp = k < 0x20 ? kCp1252High[k] : static_cast<char32_t>(0x80 + k);
            auto& [bytes, len] = table[k];
            if (cp < 0x800) {
                bytes = {static_cast<char>(0xC0 | (cp >> 6)),
                         static_cast<char>(0x80 | (cp & 0x3F))};
                len = 2;
            } else {
                bytes = {static_cast<char>(0xE0 | (cp >> 12)),
                         static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                         static_cast<char>(0x80 | (cp & 0x3F))};
                len = 3;
            }
        }
        return table;
    }();
    std::string out;
    {
        StringAppender app(out, bytes.size() + bytes.size() / 8 + 16);
        for (std::size_t i = 0; (i = copy_until(app, bytes, i, kHighByte)) < bytes.size(); ++i) {
            const auto& [utf8, len] = kHigh[static_cast<unsigned char>(bytes[i]) - 0x80];
            std::memcpy(app.scratch(4), utf8.data(), 4);
            app.advance(len);
        }
    }
    return out;
}

int cp1252_code_of(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (std::size_t k = 0; k < kCp1252High.size(); ++k)
        if (kCp1252High[k] == cp)
            return static_cast<int>(0x80 + k);
    return -1;
}

bool narrow_to_cp1252(std::string& text) {
    const std::size_t n = text.size();
    // Checked in full first, so a text that cannot be narrowed is left as it was.
    for (std::size_t i = 0; (i = find_byte_if(text, i, kHighByte)) < n;) {
        char32_t cp = 0;
        const std::size_t len = valid_sequence_length(text, i, &cp);
        if (len == 0 || cp1252_code_of(cp) < 0)
            return false;
        i += len;
    }
    // Each character shrinks or keeps its size, so the writes never overtake the reads.
    char* const p = text.data();
    std::size_t out = 0;
    std::size_t i = 0;
    for (std::size_t hit; (hit = find_byte_if(text, i, kHighByte)) < n;) {
        std::memmove(p + out, p + i, hit - i);
        out += hit - i;
        char32_t cp = 0;
        i = hit + valid_sequence_length(text, hit, &cp);
        p[out++] = static_cast<char>(cp1252_code_of(cp));
    }
    std::memmove(p + out, p + i, n - i);
    text.resize(out + n - i);
    return true;
}

std::string utf16le_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t k) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                     (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    for (std::size_t k = 0; k < units; ++k) {
        char32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const char32_t lo = unit(k + 1);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++k;
                continue;
            }
        }
        append_utf8(out, u); // a lone surrogate becomes U+FFFD there
    }
    if (bytes.size() % 2)
        append_utf8(out, 0xFFFD);
    return out;
}

std::string_view decode_text_file(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with(kUtf16LeBom)) {
        storage = utf16le_to_utf8(bytes.substr(kUtf16LeBom.size()));
        return storage;
    }
    const bool marked = bytes.starts_with(kUtf8Bom);
    if (marked)
        bytes.remove_prefix(kUtf8Bom.size());
    if (is_valid_utf8(bytes))
        return bytes;
    storage = marked ? repair_utf8(bytes) : cp1252_to_utf8(bytes);
    return storage;
}

bool is_windows1252_file(std::string_view bytes) {
    return !bytes.starts_with(kUtf8Bom) && !bytes.starts_with(kUtf16LeBom) && !is_valid_utf8(bytes);
}

std::string decode_text_file(std::string_view bytes) {
    std::string storage;
    const std::string_view text = decode_text_file(bytes, storage);
    return text.data() == storage.data() ? std::move(storage) : std::string(text);
}

std::string encode_text_file(std::string text) {
    if (is_ascii(text))
        return text;
    if (narrow_to_cp1252(text)) {
        // Windows-1252 bytes that happen to form valid UTF-8 (or to start with a mark) would read
        // back as other characters; such texts are written as UTF-8 with the mark instead.
        if (!text.starts_with(kUtf8Bom) && !text.starts_with(kUtf16LeBom) && !is_valid_utf8(text))
            return text;
        text = cp1252_to_utf8(text);
    }
    std::string out(kUtf8Bom);
    out += repair_utf8(text);
    return out;
}

std::string fold_case(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size();) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                out[i] = static_cast<char>(c + 32);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t n = valid_sequence_length(out, i, &cp);
        if (n == 0) {
            ++i;
            continue;
        }
        if (n == 2) {
            const char32_t f = fold_cp(cp);
            if (f != cp) {
                std::string enc;
                append_utf8(enc, f); // every folded pair stays two bytes long
                out[i] = enc[0];
                out[i + 1] = enc[1];
            }
        }
        i += n;
    }
    return out;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    // ASCII is compared in place; folding keeps every byte where it is, so from the first other
    // byte on the rest is folded and compared.
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80)
            return fold_case(a.substr(i)) == fold_case(b.substr(i));
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}

bool istarts_with(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

bool iends_with(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && iequals(s.substr(s.size() - suffix.size()), suffix);
}

namespace {

// Folding keeps every byte where it is, turns ASCII only into ASCII and nothing else into ASCII:
// an ASCII needle is found in the folded text exactly where the original's bytes match it
// without regard to case, which needs no folded copy of the whole text.
std::size_t find_ascii_nocase(std::string_view hay, std::string_view needle, std::size_t from) {
    const auto lower = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? static_cast<char>(u + 32) : c;
    };
    for (std::size_t at = from; at + needle.size() <= hay.size(); ++at) {
        std::size_t k = 0;
        while (k < needle.size() && lower(hay[at + k]) == lower(needle[k]))
            ++k;
        if (k == needle.size())
            return at;
    }
    return std::string_view::npos;
}

} // namespace

std::size_t ifind(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty() || from > hay.size())
        return std::string_view::npos;
    if (is_ascii(needle))
        return find_ascii_nocase(hay, needle, from);
    return fold_case(hay).find(fold_case(needle), from);
}

namespace {

// s with every match that find gives, from a position on, replaced by to.
template <class Find>
std::string replace_each(std::string_view s, std::size_t length, std::string_view to, Find find) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = find(pos)) != std::string_view::npos; pos = hit + length) {
        out.append(s.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(s.substr(pos));
    return out;
}

} // namespace

std::string replace_all(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(s);
    return replace_each(s, from.size(), to, [&](std::size_t pos) { return s.find(from, pos); });
}

std::string ireplace_all(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(s);
    if (is_ascii(from))
        return replace_each(s, from.size(), to,
                            [&](std::size_t pos) { return find_ascii_nocase(s, from, pos); });
    // Found in a folded copy, copied from the original: folding keeps every byte in its place.
    const std::string hay = fold_case(s);
    const std::string needle = fold_case(from);
    return replace_each(s, from.size(), to, [&](std::size_t pos) { return hay.find(needle, pos); });
}

std::string_view trimmed(std::string_view s, std::string_view chars) {
    const std::size_t b = s.find_first_not_of(chars);
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(chars) - b + 1);
}

std::string trim_spaces(std::string_view s) {
    return std::string(trimmed(s));
}

std::string trim_blanks(std::string_view s) {
    return std::string(trimmed(s, " \t"));
}

std::string strip_controls(std::string_view s, std::string_view keep) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 1 && u <= 31 && keep.find(c) == std::string_view::npos)
            continue;
        out += c;
    }
    return out;
}

std::int64_t parse_leading_int64(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    std::uint64_t value = 0;
    bool saturated = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (saturated)
            continue;
        const auto digit = static_cast<std::uint64_t>(s[i] - '0');
        if (value > (static_cast<std::uint64_t>(kMax) - digit) / 10)
            saturated = true;
        else
            value = value * 10 + digit;
    }
    if (saturated)
        return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
    return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

std::int32_t parse_leading_int32(std::string_view s) {
    const std::int64_t v = parse_leading_int64(s);
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::string FTP_FolderPart(std::string_view path, bool add_slash) {
    std::string s = trim_spaces(replace_all(path, "\\", "/"));
    if (add_slash && !s.empty() && s.back() != '/')
        s += '/';
    const std::size_t last = s.rfind('/');
    s.resize(last == std::string::npos ? 0 : last + 1);
    if (!s.empty() && s.front() == '/')
        s.erase(0, 1);
    return s;
}

} // namespace qp
