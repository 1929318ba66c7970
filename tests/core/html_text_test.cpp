#include "core/html_text.h"
#include "core/links_reference.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

using namespace qp;
using qp::reference::reference_links;

TEST(SpecialChar, EntitiesAndLineBreaks) {
    EXPECT_EQ(TextToHtml("a<b & c\r\nd", 8), "a&lt;b &amp; c<br />d");
    EXPECT_EQ(TextToHtml("\"q\" \xE2\x82\xAC \xE2\x80\xB9x\xE2\x80\xBA \xC5\x93 \xC5\xB8", 8),
              "&quot;q&quot; &euro; &lsaquo;x&rsaquo; &oelig; &Yuml;");
    EXPECT_EQ(TextToHtml("\xC3\xA9 \xC2\xA0 \xC3\xBF \xC2\xA5 \xE2\x80\x9A", 8),
              "&eacute; &nbsp; &yuml; \xC2\xA5 \xE2\x80\x9A"); // yen and the rest stay
    EXPECT_EQ(TextToHtml("bad \xFF byte", 8), "bad \xFF byte");
    EXPECT_EQ(SpecialChar_Txt2html("1\r\n2\r3\n4\n\r5", "A", "L", "C"), "1A2C3L4LC5");
    // Breaks inside the replacement texts meet the later rules, as in the step-by-step order.
    EXPECT_EQ(SpecialChar_Txt2html("x\r\ny\rz", "\r|\n", "<L>", "<C>\n"), "x<C><L>|<L>y<C><L>z");
    // Without the flag only the link markup changes.
    EXPECT_EQ(TextToHtml("a<b\r\n[x]", 0), "a<b\r\n<a href=\"x\">x</a>");
}

TEST(ConvertLinks, MarkupKinds) {
    EXPECT_EQ(ConvertLinks("see [my site pages/about.html]."),
              "see <a href=\"pages/about.html\">my site</a>.");
    EXPECT_EQ(ConvertLinks("[pages/about.html]"),
              "<a href=\"pages/about.html\">pages/about.html</a>");
    EXPECT_EQ(ConvertLinks("[Photo pics/cat.JPG]"), "<img src=\"pics/cat.JPG\" alt=\"Photo\">");
    EXPECT_EQ(ConvertLinks("[pics/x.tif]"), "<img src=\"pics/x.tif\">");
    EXPECT_EQ(ConvertLinks("[site.com/page]"), "<a href=\"site.com/page\">site.com/page</a>");
    EXPECT_EQ(ConvertLinks("[#top]"), "<a name=\"top\"></a>");
    EXPECT_EQ(ConvertLinks("[Back to top #top]"), "<a href=\"#top\">Back to top</a>");
    EXPECT_EQ(ConvertLinks("[write to me a@b.org]"), "<a href=\"mailto:a@b.org\">write to me</a>");
    EXPECT_EQ(ConvertLinks("[ spaced ] [x ] [] ok [open"), "[ spaced ] [x ]  ok [open");
    EXPECT_EQ(ConvertLinks("[outer [inner] text]"), "<a href=\"text\">outer [inner]</a>");
    // After a removed "[]" the next character is passed over, as it always was.
    EXPECT_EQ(ConvertLinks("[][x] [][y]"), "[x] [y]");
}

TEST(ConvertLinks, MatchesTheReferenceWalk) {
    std::mt19937 rng(20240501);
    const std::string alphabet = "[[]] a.@#/jpgt";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);
    int compared_with_literal = 0;
    for (int n = 0; n < 20000; ++n) {
        std::string s;
        for (int k = length(rng); k > 0; --k)
            s += alphabet[pick(rng)];
        bool nested = false;
        const std::string expected = reference_links(s, false, &nested);
        ASSERT_EQ(ConvertLinks(s), expected) << s;
        if (!nested) {
            ASSERT_EQ(reference_links(s, true), expected) << s;
            ++compared_with_literal;
        }
    }
    EXPECT_GT(compared_with_literal, 10000);
}

TEST(ConvertLinks, HostileTextStaysBounded) {
    // Scanning the HTML again doubles the text at every level of nesting.
    std::string nested = "x";
    for (int depth = 0; depth < 12; ++depth)
        nested = "[" + nested + "]";
    EXPECT_GT(reference_links(nested, true).size(), 4096u * 10);
    EXPECT_LT(ConvertLinks(nested).size(), 3 * nested.size() + 32);

    const std::string deep = std::string(200000, '[') + "x" + std::string(200000, ']');
    const std::string out = ConvertLinks(deep);
    EXPECT_EQ(out, "<a href=\"" + deep.substr(1, deep.size() - 2) + "\">" +
                       deep.substr(1, deep.size() - 2) + "</a>");

    std::string brackets(1 << 20, '[');
    brackets += ']';
    EXPECT_EQ(ConvertLinks(brackets), std::string((1 << 20) - 1, '['));
}

namespace {

// The special-character pass as its steps read: "&" first, then every other character of the
// table in turn, then the line breaks, each a replacement over the whole text.
std::string reference_special(std::string t, std::string_view crlf, std::string_view lf,
                              std::string_view cr) {
    auto replace = [&t](std::string_view from, std::string_view to) {
        // Most characters of the table are absent: a pass that finds nothing changes nothing.
        if (t.find(from) == std::string::npos)
            return;
        std::string out;
        std::size_t pos = 0;
        for (std::size_t hit; (hit = t.find(from, pos)) != std::string::npos;
             pos = hit + from.size())
            out.append(t, pos, hit - pos).append(to);
        t = out.append(t, pos);
    };
    replace("&", "&amp;");
    replace("\"", "&quot;");
    replace("<", "&lt;");
    replace(">", "&gt;");
    replace("\xE2\x82\xAC", "&euro;");
    replace("\xE2\x80\xB9", "&lsaquo;");
    replace("\xE2\x80\xBA", "&rsaquo;");
    replace("\xC5\x93", "&oelig;");
    replace("\xC5\xB8", "&Yuml;");
    const char* const names[] = {
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
    for (unsigned cp = 0xA0; cp <= 0xFF; ++cp) {
        if (cp == 0xA5)
            continue;
        const char utf8[] = {static_cast<char>(0xC0 | (cp >> 6)),
                             static_cast<char>(0x80 | (cp & 0x3F))};
        replace(std::string_view(utf8, 2), "&" + std::string(names[cp - 0xA0]) + ";");
    }
    replace("\r\n", crlf);
    replace("\r", cr);
    replace("\n", lf);
    return t;
}

// Pieces of text that matter to the passes, with stray and truncated UTF-8.
constexpr std::string_view kPieces[] = {"plain words ",
                                        "&",
                                        "\"",
                                        "<",
                                        ">",
                                        "'",
                                        "\r\n",
                                        "\r",
                                        "\n",
                                        "\t",
                                        "[",
                                        "]",
                                        "\xC3\xA9",
                                        "\xC2\xA0",
                                        "\xC2\xA5",
                                        "\xC3\xBF",
                                        "\xC2\x80",
                                        "\xE2\x82\xAC",
                                        "\xE2\x80\xB9",
                                        "\xE2\x80\xBA",
                                        "\xE2\x80\x9A",
                                        "\xC5\x93",
                                        "\xC5\xB8",
                                        "\xC5\x92",
                                        "\xF0\x9F\x98\x80",
                                        "\xEF\xBF\xBD",
                                        "\xEF\xBF\xBE",
                                        "\xC3",
                                        "\xE2\x82",
                                        "\xE2",
                                        "\x80",
                                        "\xFF",
                                        "\xC0\xAF",
                                        "\xED\xA0\x80",
                                        "\x01",
                                        "\x1F",
                                        std::string_view("\0", 1),
                                        "]]>",
                                        "x"};

// Random text from the pieces, long enough to span many blocks of 16 bytes.
std::string random_text(std::mt19937& rng, std::size_t max_len) {
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<std::size_t> length(0, max_len);
    std::string s;
    for (std::size_t n = length(rng); s.size() < n;)
        s += kPieces[pick(rng)];
    return s;
}

} // namespace

TEST(SpecialChar, MatchesTheStepByStepReplacements) {
    const auto check = [](const std::string& s) {
        ASSERT_EQ(SpecialChar_Txt2html(s, "<br />", "<br />", "<br />"),
                  reference_special(s, "<br />", "<br />", "<br />"))
            << s;
        ASSERT_EQ(SpecialChar_Txt2html(s, "A", "", "C\n"), reference_special(s, "A", "", "C\n"))
            << s;
    };
    // Every piece next to every other (a lead byte meets a continuation, CR meets LF): at the end
    // of the text, and across the boundary of two blocks of 16 bytes at a changing place.
    std::size_t turn = 0;
    for (const std::string_view a : kPieces) {
        for (const std::string_view b : kPieces) {
            const std::string pair = std::string(a) + std::string(b);
            const std::size_t in_first = 1 + turn++ % std::min<std::size_t>(pair.size() - 1, 15);
            check(pair);
            check(std::string(16 - in_first, 'x') + pair + "y");
            if (HasFatalFailure())
                return;
        }
    }
    std::mt19937 rng(7);
    for (int n = 0; n < 2000; ++n) {
        check(random_text(rng, n % 20 == 0 ? 600 : 60));
        if (HasFatalFailure())
            return;
    }
    // A character with an entity at every place within a block of 16 bytes, and cut short at
    // the end of the text.
    for (std::size_t at = 0; at < 40; ++at) {
        const std::string s = std::string(at, 'a') + "\xE2\x82\xAC" + std::string(at % 7, 'b');
        EXPECT_EQ(SpecialChar_Txt2html(s, "", "", ""), reference_special(s, "", "", "")) << at;
        const std::string cut = std::string(at, 'a') + "\xE2\x82";
        EXPECT_EQ(SpecialChar_Txt2html(cut, "", "", ""), cut) << at;
    }
}

TEST(ConvertLinks, LongTextsMatchTheReferenceWalk) {
    // Texts with more markups than an ordinary text holds, up to hundreds of brackets.
    std::mt19937 rng(20240502);
    const std::string alphabet = "[[[]]] a.@#/jpgt";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(20, 400);
    for (int n = 0; n < 3000; ++n) {
        std::string s;
        for (int k = length(rng); k > 0; --k)
            s += alphabet[pick(rng)];
        ASSERT_EQ(ConvertLinks(s), reference_links(s, false)) << s;
    }
    std::string many;
    for (int k = 0; k < 100; ++k)
        many += "[a" + std::to_string(k) + ".png] [ x] [";
    EXPECT_EQ(ConvertLinks(many), reference_links(many, false));
}

TEST(TextToHtml, EqualsTheTwoPassesInTurn) {
    std::mt19937 rng(11);
    for (int n = 0; n < 5000; ++n) {
        const std::string s = random_text(rng, 200);
        ASSERT_EQ(TextToHtml(s, 8),
                  ConvertLinks(reference_special(s, "<br />", "<br />", "<br />")))
            << s;
        ASSERT_EQ(TextToHtml(s, 0), ConvertLinks(s)) << s;
    }
}
