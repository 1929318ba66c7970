#include "core/text.h"

#include <gtest/gtest.h>

using namespace qp;

TEST(Encoding, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string utf8 = cp1252_to_utf8(all);
    EXPECT_TRUE(is_valid_utf8(utf8));
    std::string back = utf8;
    ASSERT_TRUE(narrow_to_cp1252(back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(cp1252_to_utf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(cp1252_to_utf8("\xE9"), "\xC3\xA9");
}

TEST(Encoding, FileReadingRule) {
    EXPECT_EQ(decode_text_file("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(decode_text_file(std::string("\xFF\xFEh\0\xE9\0\xAC\x20", 8)),
              "h\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(decode_text_file("caf\xC3\xA9"), "caf\xC3\xA9");       // valid UTF-8 stays
    EXPECT_EQ(decode_text_file("caf\xE9"), "caf\xC3\xA9");           // otherwise Windows-1252
    EXPECT_EQ(decode_text_file("\xEF\xBB\xBF\xFF"), "\xEF\xBF\xBD"); // broken UTF-8 is repaired
}

TEST(Encoding, FileWritingRuleKeepsEveryCharacter) {
    EXPECT_EQ(encode_text_file("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    // A character outside Windows-1252 switches the whole file to UTF-8 with the mark.
    EXPECT_EQ(encode_text_file("\xE6\x97\xA5 \xC3\xA9"), "\xEF\xBB\xBF\xE6\x97\xA5 \xC3\xA9");
    EXPECT_EQ(decode_text_file(encode_text_file("\xE6\x97\xA5")), "\xE6\x97\xA5");
    // Windows-1252 bytes that would read back as UTF-8 or as a mark are not used.
    for (const std::string text :
         {"\xC3\x83\xC2\xA9", "\xC3\xAF\xC2\xBB\xC2\xBFx", "\xC3\xBF\xC3\xBEx"}) {
        EXPECT_EQ(decode_text_file(encode_text_file(text)), text);
        EXPECT_TRUE(encode_text_file(text).starts_with(kUtf8Bom));
    }
    // Narrowing fails late in a long text: what was narrowed before must not leak out.
    const std::string late =
        std::string(40, 'a') + "caf\xC3\xA9 " + std::string(40, 'b') + "\xE6\x97\xA5";
    EXPECT_EQ(encode_text_file(late), std::string(kUtf8Bom) + late);
}

TEST(Utf8, RepairAndValidation) {
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(is_valid_utf8("a\xE2\x82"));        // cut short
    EXPECT_TRUE(is_valid_utf8("\xF0\x9F\x8E\x99"));
    EXPECT_EQ(repair_utf8("a\xE2\x82z"), "a\xEF\xBF\xBD\xEF\xBF\xBDz");
}

TEST(CaseFolding, FoldsAsciiAndWindows1252Letters) {
    EXPECT_EQ(fold_case("ABC \xC3\x89t\xC3\xA9 \xC5\x92 \xC5\xB8 \xC3\x97"),
              "abc \xC3\xA9t\xC3\xA9 \xC5\x93 \xC3\xBF \xC3\x97");
    EXPECT_TRUE(iequals("Fran\xC3\x87"
                        "ais",
                        "fran\xC3\xA7"
                        "AIS"));
    EXPECT_FALSE(iequals("a[\xC3\x89", "A{\xC3\xA9")); // letters only, before and after
    EXPECT_FALSE(iequals("a\xC3\x89", "a\xC3\xA8"));
    EXPECT_TRUE(istarts_with("LastDoc3", "lastdoc"));
    EXPECT_TRUE(iends_with("news.QPRJ", ".qprj"));
    EXPECT_EQ(ifind("x\xC3\x89TE", "\xC3\xA9t"), 1u);
    EXPECT_EQ(ifind("abc", ""), std::string_view::npos);
    EXPECT_EQ(ireplace_all("%MainApp%a%MAINAPP%", "%mainapp%", "/m/"), "/m/a/m/");
    EXPECT_EQ(replace_all("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replace_all("abc", "", "x"), "abc");
}

// ASCII needles are searched without folding the text; the places found must be the folded
// text's, next to accented letters, invalid bytes and needles of one or many letters.
TEST(CaseFolding, AsciiNeedlesFindWhatFoldingFinds) {
    const std::string hays[] = {"%S1% \xC3\x89t\xC3\xA9 %s1%", "\xC3\x89%W%\xFF%w%x", "aAaA",
                                "\xC5\x92S1%s", ""};
    const std::string needles[] = {"%s1%", "%w%", "a", "aa", "s", "\xC3\xA9t"};
    for (const std::string& hay : hays) {
        for (const std::string& needle : needles) {
            for (std::size_t from = 0; from <= hay.size(); ++from)
                EXPECT_EQ(ifind(hay, needle, from), fold_case(hay).find(fold_case(needle), from))
                    << hay << " / " << needle << " from " << from;
            std::string expected;
            const std::string folded = fold_case(hay);
            std::size_t pos = 0;
            for (std::size_t hit; (hit = folded.find(fold_case(needle), pos)) != std::string::npos;
                 pos = hit + needle.size())
                expected += hay.substr(pos, hit - pos) + "<>";
            expected += hay.substr(pos);
            EXPECT_EQ(ireplace_all(hay, needle, "<>"), expected) << hay << " / " << needle;
        }
    }
}

TEST(Numbers, LeadingIntegerRule) {
    EXPECT_EQ(parse_leading_int32(" \t-42abc"), -42);
    EXPECT_EQ(parse_leading_int32("+7"), 7);
    EXPECT_EQ(parse_leading_int32("abc"), 0);
    EXPECT_EQ(parse_leading_int32("- 5"), 0);
    EXPECT_EQ(parse_leading_int32("99999999999999999999999"), 2147483647);
    EXPECT_EQ(parse_leading_int32("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(parse_leading_int64("99999999999999999999999"), INT64_MAX);
}

TEST(Trim, SpacesBlanksAndControls) {
    EXPECT_EQ(trim_spaces("  a b \t "), "a b \t");
    EXPECT_EQ(trim_blanks(" \t a b \t "), "a b");
    EXPECT_EQ(strip_controls("a\tb\r\nc\x01", "\r\n"), "ab\r\nc");
}
