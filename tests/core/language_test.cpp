#include "core/language.h"

#include "core/clock.h"
#include "core/file_io.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace qp;
namespace fs = std::filesystem;

namespace {

LangTable table_of(std::string_view file) {
    LangTable t;
    (void)t.read_entries(file);
    return t;
}

// The table in order, as "key=text" joined by "|".
std::string dump(const LangTable& t) {
    std::string out;
    for (const auto& e : t.entries())
        out += (out.empty() ? "" : "|") + e.Key + "=" + e.Text;
    return out;
}

class LangFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        root_ = tmp_.path();
        fs::create_directories(root_ / "main/Lang");
        fs::create_directories(root_ / "exe/Lang");
        main_ = (root_ / "main/Lang/").string();
        exe_ = (root_ / "exe/Lang/").string();
    }
    void put(const std::string& path, std::string_view bytes) {
        ASSERT_TRUE(write_file(path, bytes)) << path;
    }
    static std::string slurp(const std::string& path) {
        std::string out;
        return read_file(path, out) ? out : "<unreadable>";
    }
    qp::test::TempDir tmp_;
    fs::path root_;
    std::string main_, exe_;
};

} // namespace

TEST(LangGet, LookupMarkersAndParameters) {
    LangTable t =
        table_of("Menu\\Project.New=Nouveau\nEmpty=\nOpen=Ouvrir(fr) Open\nOnly=(FR)\n"
                 "Lines=one%w%two%W%three\nP=%s1%\nAll=<%S1%|%s2%|%s3%|%s4%|%s5%|%s6%>\n");
    EXPECT_EQ(t.Lang_Get("menu\\project.new"), "Nouveau");
    EXPECT_EQ(t.Lang_Get("Open"), "Ouvrir");
    EXPECT_EQ(t.Lang_Get("Only"), ""); // a text of only the mark shows empty, not the key
    EXPECT_EQ(t.Lang_Get("Empty"), "Empty");
    EXPECT_EQ(t.Lang_Get("Lines"), "one\r\ntwo\r\nthree");
    EXPECT_EQ(t.Lang_Get("P", "%s2%", "x"), "x"); // a parameter's placeholder is filled too
    EXPECT_EQ(t.Lang_Get("P", "%w%"), "%w%");     // line breaks come first
    EXPECT_EQ(t.get("All", {"1", "", "3", "4", "5", "6"}), "<1||3|4|5|%s6%>");

    const std::size_t before = t.entries().size();
    EXPECT_EQ(t.Lang_Get("Doc\\Missing %s1%", "v"), "Doc\\Missing v");
    EXPECT_EQ(t.Lang_Get("DOC\\MISSING %S1%"), "DOC\\MISSING "); // found, not added again
    ASSERT_EQ(t.entries().size(), before + 1);
    EXPECT_EQ(t.entries().back().Key, "Doc\\Missing %s1%");
    EXPECT_EQ(t.entries().back().Text, "");
}

TEST(LangGet, IndexFollowsEdits) {
    LangTable t = table_of("b=B\na=A\nZ=z\nc=C\n");
    t.sort();
    EXPECT_EQ(dump(t), "Z=z|a=A|b=B|c=C"); // byte order: 'Z' before 'a'
    EXPECT_EQ(t.Lang_Get("A") + t.Lang_Get("b"), "AB");
    t.remove(*t.find("b"));
    EXPECT_EQ(t.Lang_Get("c") + t.Lang_Get("B"), "CB"); // a deleted key comes back empty
    t.set_text(*t.find("b"), "bee");
    EXPECT_EQ(dump(t), "Z=z|a=A|c=C|B=bee");
    EXPECT_EQ(t.Lang_Get("b"), "bee");
}

TEST(LangFileReading, LineRulesAndEncodings) {
    EXPECT_EQ(dump(table_of("  Menu\\Project.New =   Nouveau  \r\na=b=c\r ;x\n;comment=1\n=abc\n"
                            "\n   \nKey=one\r\nKEY=two\n\tTab = \tvalue\t\nbare key")),
              "Menu\\Project.New=Nouveau  |a=b=c|;x=|Key=two|\tTab=\tvalue\t|bare key=");
    LangTable none;
    EXPECT_FALSE(none.read_entries("; only a comment\r\n=x\r\n\r\n"));
    EXPECT_TRUE(none.entries().empty());

    EXPECT_EQ(dump(table_of("\xEF\xBB\xBFk=caf\xC3\xA9")), "k=caf\xC3\xA9");
    EXPECT_EQ(dump(table_of("k=caf\xE9")), "k=caf\xC3\xA9"); // Windows-1252
    EXPECT_EQ(dump(table_of(std::string("\xFF\xFEk\0=\0\xE9\0\r\0\n\0j\0", 14))), "k=\xC3\xA9|j=");
    // Keys differing only by the case of a Windows-1252 letter are the same key.
    LangTable t = table_of("Été=1\néTÉ=2\n");
    EXPECT_EQ(dump(t), "Été=2");
    EXPECT_EQ(t.Lang_Get("ÉTÉ"), "2");
}

TEST_F(LangFiles, SelectAndLoad) {
    put(main_ + "Deutsch.LNG", "Msg.Error=Fehler\n");
    put(exe_ + "deutsch.lng", "Msg.Error=wrong folder\n");
    put(exe_ + "français.Lng", "Msg.Error=Erreur\nB=Fermer\n");

    LangTable de(language_folders((root_ / "main").string(), (root_ / "exe").string()));
    EXPECT_EQ(de.Lang_Select("  Deutsch "), "deutsch");
    EXPECT_EQ(de.Lang_Get("msg.error"), "Fehler");     // the main folder comes first
    EXPECT_EQ(de.file_of("../main/Lang/Deutsch"), ""); // names never reach other folders

    LangTable fr({main_, exe_});
    EXPECT_EQ(fr.Lang_Select(""), "français");
    EXPECT_EQ(dump(fr), "Msg.Error=Erreur|B=Fermer");
    EXPECT_EQ(fr.Lang_Load("DEUTSCH", false), ""); // untranslated texts carry the mark once
    EXPECT_EQ(dump(fr), "Msg.Error=Fehler|B=Fermer(fr)");
    EXPECT_EQ(fr.Lang_Load("klingon", true),
              "no language file for klingon"); // replacing empties the texts even so
    EXPECT_EQ(dump(fr), "Msg.Error=|B=");
}

TEST_F(LangFiles, SaveWritesTheSortedTableWhereItWasFound) {
    put(exe_ + "English.lng", "old\n");
    const FixedClock clock(date_from_fields(2013, 4, 5, 9, 7, 3) - 3600, 3600);
    const ScopedClock fixed(clock);

    LangTable t({main_, exe_});
    (void)t.read_entries("b=B  \nzqt-author=Ann\n;k=v\n Semi;=\nZ=%w%(fr)\n");
    t.Lang_Get("a.missing");
    t.set_text(*t.find("b"), "x\r\ny");
    ASSERT_EQ(t.Lang_Save("english"), "");
    EXPECT_EQ(slurp(exe_ + "English.lng"), "\xEF\xBB\xBF"
                                           "; Lang for Quillpost V:0,28,1305,1700\r\n"
                                           "; 2013/04/05 09:07:03\r\n"
                                           "; Lang = english\r\n"
                                           "ZQT-Author=Ann\r\n"
                                           "\r\n"
                                           "Semi;=\r\n"
                                           "Z=%w%(fr)\r\n"
                                           "a.missing=\r\n"
                                           "b=x%w%y\r\n");
    EXPECT_FALSE(fs::exists(exe_ + "English.Lng.New"));
    EXPECT_FALSE(fs::exists(main_ + "english.Lng"));
    EXPECT_EQ(t.entries().front().Key, "Semi;"); // the table itself is sorted
}

TEST_F(LangFiles, SaveFailuresKeepTheText) {
    LangTable t({main_, exe_});
    t.set_author("Ann");
    t.Lang_Get(";starts with semicolon");
    // No old file: one is made in the first folder.
    EXPECT_EQ(t.Lang_Save("deutsch"), "");
    const LangTable back = table_of(slurp(main_ + "deutsch.Lng"));
    EXPECT_EQ(dump(back), "ZQT-Author=Ann|;starts with semicolon="); // not read as a comment

    // A link planted under the old temporary name is not followed; the file keeps its mode, and
    // a read-only file is left as it was.
    put(main_ + "victim", "mine\n");
    fs::create_symlink(main_ + "victim", main_ + "deutsch.Lng.New");
    fs::permissions(main_ + "deutsch.Lng",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(t.Lang_Save("deutsch"), "");
    EXPECT_EQ(slurp(main_ + "victim"), "mine\n");
    EXPECT_EQ(fs::status(main_ + "deutsch.Lng").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::permissions(main_ + "deutsch.Lng", fs::perms::owner_read);
    const std::string saved = slurp(main_ + "deutsch.Lng");
    t.set_author("Bob");
    EXPECT_NE(t.Lang_Save("deutsch"), "");
    EXPECT_EQ(slurp(main_ + "deutsch.Lng"), saved);

    EXPECT_NE(t.Lang_Save("../evil"), "");
    EXPECT_NE(t.Lang_Save("a\nb"), "");
    EXPECT_FALSE(fs::exists(root_ / "main/evil.Lng.New"));
    EXPECT_NE(LangTable().Lang_Save("x"), ""); // nowhere to write
}

TEST_F(LangFiles, LanguageList) {
    for (const char* name : {"english.Lng", "FRANÇAIS.LNG"})
        put(main_ + name, "");
    for (const char* name : {"English.lng", "deutsch.Lng", "notes.txt"})
        put(exe_ + name, "");
    fs::create_directories(exe_ + "folder.Lng");

    const LanguageList list = LangTable({main_, exe_}).lang_list("Deutsch");
    EXPECT_EQ(list.names, (std::vector<std::string>{"français", "english", "deutsch"}));
    EXPECT_EQ(list.selected, 2);
    EXPECT_EQ(LangTable({main_, exe_}).lang_list("klingon").selected, 0);
    const LanguageList empty = LangTable({(root_ / "nowhere/").string()}).lang_list("english");
    EXPECT_TRUE(empty.names.empty());
    EXPECT_EQ(empty.selected, -1);
}
