#include "core/html_text.h"

#include "core/document.h"
#include "core/text.h"

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

// The entity name of a character outside ASCII; empty when the character stays as typed.
std::string_view entity_name(char32_t cp) {
    std::string_view name;
    if (cp >= 0xA0 && cp <= 0xFF)
        name = kLatin1Entities[cp - 0xA0];
    else if (cp == 0x20AC)
        name = "euro";
    else if (cp == 0x2039)
        name = "lt";
    else if (cp == 0x203A)
        name = "gt";
    else if (cp == 0x0153)
        name = "oelig";
    else if (cp == 0x0178)
        name = "Yuml";
    return name;
}

// Bytes the special-character pass has to look at.
constexpr auto kSpecialByte = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : std::string_view("&\"<>\r\n"))
        table[c] = true;
    for (std::size_t c = 0x80; c < 256; ++c)
        table[c] = true;
    return table;
}();

bool is_image_extension(std::string_view target) {
    const std::size_t dot = target.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string_view ext = target.substr(dot + 1);
    ext = ext.substr(0, ext.find_first_of("/\\"));
    constexpr std::string_view kImageTypes = "jpg;jpeg;png;tiff";
    if (ext.empty() || ext.size() > kImageTypes.size())
        return false;
    std::string lower(ext);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return kImageTypes.find(lower) != std::string_view::npos;
}

void append_quoted(std::string& out, std::string_view a, std::string_view b = {}) {
    out += '"';
    out += a;
    out += b;
    out += '"';
}

// A markup whose inner text starts or ends with a space stays as typed.
bool stays_as_typed(std::string_view inner) {
    return !inner.empty() && (inner.front() == ' ' || inner.back() == ' ');
}

// Appends the HTML of one markup's inner text; "[]" gives nothing.
void append_link_html(std::string& out, std::string_view inner) {
    if (inner.empty())
        return;
    const std::size_t space = inner.rfind(' ');
    const std::string_view target =
        space == std::string_view::npos ? inner : inner.substr(space + 1);
    const std::string_view label =
        space == std::string_view::npos ? std::string_view{} : inner.substr(0, space);
    const std::string_view text = label.empty() ? target : label;
    if (is_image_extension(target)) {
        out += "<img src=";
        append_quoted(out, target);
        if (!label.empty()) {
            out += " alt=";
            append_quoted(out, label);
        }
        out += '>';
    } else if (target.front() == '#' && label.empty()) {
        out += "<a name=";
        append_quoted(out, target.substr(1));
        out += "></a>";
    } else {
        out += "<a href=";
        if (target.find('@') != std::string_view::npos)
            append_quoted(out, "mailto:", target);
        else
            append_quoted(out, target);
        out += '>';
        out += text;
        out += "</a>";
    }
}

} // namespace

std::string TextToHtml(std::string_view text, int flags) {
    if (!(flags & kDocSpecialChar))
        return ConvertLinks(text);
    std::string html = SpecialChar_Txt2html(text, "<br />", "<br />", "<br />");
    if (html.find('[') == std::string::npos)
        return html;
    return ConvertLinks(html);
}

std::string SpecialChar_Txt2html(std::string_view text, std::string_view crlfText,
                                 std::string_view lfText, std::string_view crText) {
    // One pass gives what the replacements in sequence give: the line-break texts are put in
    // after the entities, and a break inside them meets the later break rules only.
    const std::string cr = replace_all(crText, "\n", lfText);
    const std::string crlf = replace_all(replace_all(crlfText, "\r", cr), "\n", lfText);

    std::string out;
    out.reserve(text.size() + text.size() / 8 + 16);
    std::size_t run = 0; // start of the bytes copied unchanged
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!kSpecialByte[c]) {
            ++i;
            continue;
        }
        std::size_t next = i + 1;
        if (c >= 0x80) {
            // Invalid bytes come back as U+FFFD, which has no entity: they stay as they are.
            char32_t cp = 0;
            const auto c1 = next < text.size() ? static_cast<unsigned char>(text[next]) : 0;
            if (c >= 0xC2 && c <= 0xDF && (c1 & 0xC0) == 0x80) {
                cp = static_cast<char32_t>(((c & 0x1F) << 6) | (c1 & 0x3F));
                next = i + 2;
            } else {
                next = i;
                cp = next_code_point(text, next);
            }
            const std::string_view name = entity_name(cp);
            if (!name.empty()) {
                out.append(text.substr(run, i - run));
                out += '&';
                out += name;
                out += ';';
                run = next;
            }
            i = next;
            continue;
        }
        std::string_view rep;
        switch (c) {
        case '&':
            rep = "&amp;";
            break;
        case '"':
            rep = "&quot;";
            break;
        case '<':
            rep = "&lt;";
            break;
        case '>':
            rep = "&gt;";
            break;
        case '\r':
            if (next < text.size() && text[next] == '\n') {
                rep = crlf;
                ++next;
            } else {
                rep = cr;
            }
            break;
        case '\n':
            rep = lfText;
            break;
        default:
            i = next;
            continue;
        }
        out.append(text.substr(run, i - run));
        out += rep;
        run = i = next;
    }
    out.append(text.substr(run));
    return out;
}

std::string ConvertLinks(std::string_view text) {
    std::size_t open = text.find('[');
    if (open == std::string_view::npos)
        return std::string(text);

    // Matching "]" of every "[" by depth, in one pass. The scan below never rewrites text
    // ahead of itself, so matches taken from the original stay valid. The opening brackets are
    // listed in order, so the scan finds each one's match by walking the list forward.
    constexpr auto kNone = static_cast<std::size_t>(-1);
    struct Pair {
        std::size_t open;
        std::size_t close;
    };
    std::vector<Pair> pairs;
    {
        std::vector<std::size_t> stack; // indexes into pairs
        for (std::size_t i = open; i < text.size(); ++i) {
            if (text[i] == '[') {
                stack.push_back(pairs.size());
                pairs.push_back({i, kNone});
            } else if (text[i] == ']' && !stack.empty()) {
                pairs[stack.back()].close = i;
                stack.pop_back();
            }
        }
    }

    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::size_t copied = 0; // text before this position is in out
    std::size_t resume = 0; // the next "[" looked at lies at or after this position
    for (const Pair& pair : pairs) {
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
    return out;
}

} // namespace qp
