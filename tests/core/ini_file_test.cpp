#include "core/ini_file.h"

#include <gtest/gtest.h>

using namespace qp;

TEST(IniReader, KeyLinesCommentsGroupsAndLineEnds) {
    const IniReader ini = IniReader::parse("; Nom : Quillpost\r\n"
                                           "\t  MainLang =\tEnglish \t\r\n"
                                           "\n"
                                           "   \r\n"
                                           "no equals sign here\r"
                                           "a=1\r"
                                           "A = 2\n"
                                           "Neg = -12px\n"
                                           "Empty =\r\n"
                                           "path = /x/a=b.qprj\n"
                                           ";b = 3\n"
                                           "[Group]\r\n"
                                           "b = 4\r\n"
                                           "MainLang = Deutsch\n");
    EXPECT_EQ(ini.read_string("mainlang", "x"), "English"); // case, blanks and tabs do not matter
    EXPECT_EQ(ini.read_string("a", "x"), "1");              // CR alone ends a line; first wins
    EXPECT_EQ(ini.read_string("EMPTY", "x"), "");
    EXPECT_EQ(ini.read_int("neg", 0), -12);
    EXPECT_EQ(ini.read_int("Empty", 5), 0); // present without digits: 0, not the fallback
    EXPECT_EQ(ini.read_string("path", ""), "/x/a=b.qprj"); // only the first "=" splits
    EXPECT_EQ(ini.read_string("b", "none"), "none");       // neither a comment nor a group key
    EXPECT_FALSE(ini.find("no equals sign here").has_value());

    ASSERT_EQ(ini.entries().size(), 8u);
    EXPECT_TRUE(ini.entries()[6].in_group);
    EXPECT_EQ(ini.entries()[6].group, "Group");
    EXPECT_EQ(ini.entries()[6].value, "4");
}

TEST(IniReader, Encodings) {
    // UTF-8 with the mark, UTF-8 without it, and Windows-1252 bytes all read as UTF-8 text.
    EXPECT_EQ(IniReader::parse("\xEF\xBB\xBFk = \xE6\x97\xA5\r\n").read_string("k", ""),
              "\xE6\x97\xA5");
    EXPECT_EQ(IniReader::parse("k = caf\xC3\xA9\r\n").read_string("k", ""), "caf\xC3\xA9");
    EXPECT_EQ(IniReader::parse("k = caf\xE9 \x80\r\n").read_string("k", ""),
              "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(IniWriter, WritesCrLfLinesInWindows1252WhenPossible) {
    IniWriter w;
    w.write_comment("Nom : Quillpost");
    w.write_int("X", -5);
    w.write_string("Lang", "Fran\xC3\xA7"
                           "ais \xE2\x82\xAC");
    w.write_string("Evil", "a\r\nMainLang = x");
    EXPECT_EQ(w.bytes(), "; Nom : Quillpost\r\n"
                         "X = -5\r\n"
                         "Lang = Fran\xE7"
                         "ais \x80\r\n"
                         "Evil = a  MainLang = x\r\n");
    // A line break inside a value never plants a key of its own.
    EXPECT_EQ(IniReader::parse(w.bytes()).read_string("MainLang", "none"), "none");
}

TEST(IniWriter, KeepsEveryCharacterThroughAWriteAndARead) {
    const std::string values[] = {
        "\xE6\x97\xA5\xE6\x9C\xAC", // no Windows-1252 form: UTF-8 with the mark
        "\xC3\x83\xC2\xA9",         // its Windows-1252 bytes would read as UTF-8
        "\xC3\xAF\xC2\xBB\xC2\xBF"
        "abc", // its Windows-1252 bytes would be a UTF-8 mark
        "\xC3\xBF\xC3\xBE"
        "x", // ... or a UTF-16LE mark
    };
    for (const std::string& v : values) {
        IniWriter w;
        w.write_string(v, v); // as the key too, so the bytes also start the file
        EXPECT_EQ(IniReader::parse(w.bytes()).read_string(v, ""), v);
    }
}
