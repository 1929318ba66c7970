#include "core/html_text.h"

#include "core/byte_scan.h"
#include "core/document.h"
#include "core/text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qp {

namespace {

// HTML 4 entity names of U+00A0..U+00FF; the yen sign (U+00A5) stays as typed.
constexpr std::array<std::string_view, 96> kLatin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "",       "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// The entities of U+00A0..U+00FF; none (length 0) for the yen sign.
constexpr auto kLatin1Html = [] {
    std::array<PaddedText, 96> table{};
    for (std::size_t k = 0; k < table.size(); ++k)
        if (!kLatin1Entities[k].empty())
            table[k] = entity(kLatin1Entities[k]);
    return table;
}();

constexpr PaddedText kEuro = entity("euro");
constexpr PaddedText kOelig = entity("oelig");
constexpr PaddedText kYuml = entity("Yuml");
constexpr PaddedText kLsaquo = entity("lsaquo");
constexpr PaddedText kRsaquo = entity("rsaquo");

bool bytes_at(std::string_view text, std::size_t k, char b1, char b2) {
    return k + 2 < text.size() && text[k + 1] == b1 && text[k + 2] == b2;
}

// The entity of the character starting at text[i], and in next the position after it; null
// for a character without one and for invalid bytes, which stay as they are. Only the exact
// UTF-8 forms of the characters with entities match, so passing over the other bytes one at a
// time gives what decoding them would.
const PaddedText* entity_at(std::string_view text, std::size_t i, std::size_t& next) {
    const auto c1 = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : 0);
    switch (static_cast<unsigned char>(text[i])) {
    case 0xC2:
    case 0xC3:
        if (is_continuation_at(text, i + 1)) {
            const std::size_t cp =
                ((static_cast<unsigned char>(text[i]) & 0x1Fu) << 6) | (c1 & 0x3Fu);
            if (cp >= 0xA0 && kLatin1Html[cp - 0xA0].len > 0) {
                next = i + 2;
                return &kLatin1Html[cp - 0xA0];
            }
        }
        return nullptr;
    case 0xC5:
        next = i + 2;
        return c1 == 0x93 ? &kOelig : c1 == 0xB8 ? &kYuml : nullptr;
    case 0xE2:
        next = i + 3;
        if (bytes_at(text, i, '\x82', '\xAC'))
            return &kEuro;
        // The single angle quotation marks are quotation marks, not markup.
        if (bytes_at(text, i, '\x80', '\xB9'))
            return &kLsaquo;
        if (bytes_at(text, i, '\x80', '\xBA'))
            return &kRsaquo;
        return nullptr;
    default:
        return nullptr;
    }
}

bool is_image_extension(std::string_view target) {
    const std::size_t dot = target.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string_view ext = target.substr(dot + 1);
    ext = ext.substr(0, ext.find_first_of("/\\"));
    constexpr std::string_view kImageTypes = "jpg;jpeg;png;tiff";
    if (ext.empty() || ext.size() > kImageTypes.size())
        return false;
    std::array<char, kImageTypes.size()> lower{};
    for (std::size_t k = 0; k < ext.size(); ++k) {
        const char c = ext[k];
        lower[k] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return kImageTypes.find(std::string_view(lower.data(), ext.size())) != std::string_view::npos;
}

void put_quoted(StringAppender& out, std::string_view a, std::string_view b = {}) {
    out.put('"');
    out.put(a);
    out.put(b);
    out.put('"');
}

// A markup whose inner text starts or ends with a space stays as typed.
bool stays_as_typed(std::string_view inner) {
    return !inner.empty() && (inner.front() == ' ' || inner.back() == ' ');
}

// Appends the HTML of one markup's inner text; "[]" gives nothing.
void append_link_html(StringAppender& out, std::string_view inner) {
    if (inner.empty())
        return;
    const std::size_t space = inner.rfind(' ');
    const std::string_view target =
        space == std::string_view::npos ? inner : inner.substr(space + 1);
    const std::string_view label =
        space == std::string_view::npos ? std::string_view{} : inner.substr(0, space);
    const std::string_view text = label.empty() ? target : label;
    // The longest form, a mail link, holds the inner text twice at most and 31 fixed bytes.
    out.reserve(2 * inner.size() + 32);
    if (is_image_extension(target)) {
        out.put("<img src=");
        put_quoted(out, target);
        if (!label.empty()) {
            out.put(" alt=");
            put_quoted(out, label);
        }
        out.put('>');
    } else if (target.front() == '#' && label.empty()) {
        out.put("<a name=");
        put_quoted(out, target.substr(1));
        out.put("></a>");
    } else {
        out.put("<a href=");
        if (target.find('@') != std::string_view::npos)
            put_quoted(out, "mailto:", target);
        else
            put_quoted(out, target);
        out.put('>');
        out.put(text);
        out.put("</a>");
    }
}

// Bytes the special-character pass has to look at: '"' and '&' differ in one bit, as do '<'
// and '>'; shifted by 0x80, the bytes below 0x0E (LF, CR and a few more) and those from 0x80
// up make one range.
constexpr auto kSpecialCharByte = [](auto c) {
    return ((c | 4) == '&') | ((c | 2) == '>') | (((c + 0x80) & 0xFF) < 0x8E);
};

void append_special_chars(std::string& html, std::string_view text, std::string_view crlf_text,
                          std::string_view lf_text, std::string_view cr_text) {
    // One pass gives what the replacements in sequence give: the line-break texts are put in
    // after the entities, and a break inside them meets the later break rules only.
    std::string cr_made;
    std::string crlf_made;
    std::string_view cr = cr_text;
    std::string_view crlf = crlf_text;
    if (cr.find('\n') != std::string_view::npos) {
        cr_made = replace_all(cr_text, "\n", lf_text);
        cr = cr_made;
    }
    if (crlf.find_first_of("\r\n") != std::string_view::npos) {
        crlf_made = replace_all(replace_all(crlf_text, "\r", cr), "\n", lf_text);
        crlf = crlf_made;
    }

    StringAppender out(html, text.size() + text.size() / 4 + 16);
    const std::size_t n = text.size();
    for (std::size_t i = 0; (i = copy_until(out, text, i, kSpecialCharByte)) < n;) {
        const PaddedText* entity = nullptr;
        std::size_t next = i + 1;
        switch (text[i]) {
        case '&':
            entity = &kAmpEntity;
            break;
        case '"':
            entity = &kQuotEntity;
            break;
        case '<':
            entity = &kLtEntity;
            break;
        case '>':
            entity = &kGtEntity;
            break;
        case '\r':
            if (next < n && text[next] == '\n') {
                out.append(crlf);
                ++next;
            } else {
                out.append(cr);
            }
            break;
        case '\n':
            out.append(lf_text);
            break;
        case '\xC2':
        case '\xC3':
        case '\xC5':
        case '\xE2':
            // The lead bytes of the characters with entities, in one dispatch with the rest.
            entity = entity_at(text, i, next);
            if (!entity) {
                out.append(text.substr(i, 1));
                next = i + 1;
            }
            break;
        default:
            out.append(text.substr(i, 1));
            break;
        }
        if (entity)
            out.append(*entity);
        i = next;
    }
}

} // namespace

std::string TextToHtml(std::string_view text, int flags) {
    if (!(flags & kDocSpecialChar))
        return ConvertLinks(text);
    std::string html;
    append_special_chars(html, text, "<br />", "<br />", "<br />");
    // The special-character pass neither makes nor removes a bracket.
    if (text.find('[') == std::string_view::npos)
        return html;
    return ConvertLinks(html);
}

std::string SpecialChar_Txt2html(std::string_view text, std::string_view crlf_text,
                                 std::string_view lf_text, std::string_view cr_text) {
    std::string html;
    append_special_chars(html, text, crlf_text, lf_text, cr_text);
    return html;
}

std::string ConvertLinks(std::string_view text) {
    const std::size_t first = text.find('[');
    if (first == std::string_view::npos)
        return std::string(text);

    // Matching "]" of every "[" by depth, in one pass. The scan below never rewrites text
    // ahead of itself, so matches taken from the original stay valid. The opening brackets are
    // listed in order, so the scan finds each one's match by walking the list forward.
    constexpr auto kNone = static_cast<std::size_t>(-1);
    struct Pair {
        std::size_t open;
        std::size_t close;
    };
    // Ordinary texts hold a few markups: their lists live on the stack until they outgrow it.
    constexpr std::size_t kLocal = 32;
    std::array<Pair, kLocal> local_pairs;
    std::array<std::size_t, kLocal> local_stack; // indexes into pairs
    std::vector<Pair> heap_pairs;
    std::vector<std::size_t> heap_stack;
    Pair* pairs = local_pairs.data();
    std::size_t* stack = local_stack.data();
    std::size_t pair_count = 0;
    std::size_t depth = 0;
    const std::size_t n = text.size();
    constexpr auto is_bracket = [](auto c) { return (c == '[') | (c == ']'); };
    for (std::size_t i = first; i < n; ++i) {
        // Brackets in a row, as hostile text has them, need no search.
        if (text[i] != '[' && text[i] != ']' && (i = find_byte_if(text, i, is_bracket)) == n)
            break;
        if (text[i] == '[') {
            if (pair_count == kLocal) {
                // Every further "[" needs room: as many as remain is enough.
                const auto opens = kLocal + static_cast<std::size_t>(
                                                std::count(text.begin() + i, text.end(), '['));
                heap_pairs.assign(local_pairs.begin(), local_pairs.end());
                heap_pairs.resize(opens);
                heap_stack.assign(local_stack.begin(), local_stack.end());
                heap_stack.resize(opens);
                pairs = heap_pairs.data();
                stack = heap_stack.data();
            }
            stack[depth++] = pair_count;
            pairs[pair_count++] = {i, kNone};
        } else if (depth > 0) {
            pairs[stack[--depth]].close = i;
        }
    }

    std::string html;
    {
        StringAppender out(html, n + n / 4 + 16);
        std::size_t copied = 0; // text before this position is in out
        std::size_t resume = 0; // the next "[" looked at lies at or after this position
        for (std::size_t k = 0; k < pair_count; ++k) {
            const Pair& pair = pairs[k];
            if (pair.open < resume || pair.close == kNone)
                continue;
            const std::string_view inner = text.substr(pair.open + 1, pair.close - pair.open - 1);
            if (stays_as_typed(inner))
                continue;
            out.append(text.substr(copied, pair.open - copied));
            append_link_html(out, inner);
            copied = pair.close + 1;
            // After a removed "[]" the character that took its place is passed over.
            resume = inner.empty() ? pair.close + 2 : pair.close + 1;
        }
        out.append(text.substr(copied));
    }
    return html;
}

} // namespace qp
