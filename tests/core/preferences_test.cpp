#include "core/preferences.h"

#include "core/file_io.h"

#include "support/file_limit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qp;

namespace {

class PrefFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path();
        paths_ = std::make_unique<Paths>(dir_, "/home/u/Documents/", "/opt/", "");
        prefs_ = std::make_unique<Preferences>(*paths_, log_);
        prefs_->set_folder_changer([this](const std::string& f) { changed_to_ = f; });
        pref_register_all(*prefs_);
    }

    std::string settings() const {
        std::string s;
        EXPECT_TRUE(read_file(dir_ + "Quillpost.ini", s));
        return s;
    }
    void put(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(write_file(dir_ + name, bytes));
    }

    qp::test::TempDir tmp_;

    std::string dir_;
    Log log_;
    std::unique_ptr<Paths> paths_;
    std::unique_ptr<Preferences> prefs_;
    std::string changed_to_;
};

const char* const kDefaultFile = "; Nom : Quillpost\r\n"
                                 "; Version : 0,28,1305,1700\r\n"
                                 "MainWindowX = 0\r\n"
                                 "MainWindowY = 100\r\n"
                                 "MainWindowW = 600\r\n"
                                 "MainWindowH = 400\r\n"
                                 "MainWindowZ = 0\r\n"
                                 "MainLang = \r\n"
                                 "Main\\Shortcut.Help = 112\r\n"
                                 "Main\\Shortcut.EditPref = 131152\r\n"
                                 "Main\\Shortcut.NewProject = 131150\r\n"
                                 "Main\\Shortcut.LoadProject = 131148\r\n"
                                 "Main\\Shortcut.SaveProject = 131155\r\n"
                                 "Main\\Shortcut.CloseProject = 131159\r\n"
                                 "Main\\Shortcut.CloseAllProject = 0\r\n"
                                 "Main\\Shortcut.FindText = 131142\r\n"
                                 "Main\\Shortcut.FindNext = 114\r\n"
                                 "Main\\Shortcut.FindPrevious = 65650\r\n"
                                 "Main\\Shortcut.FeedAdd = 262251\r\n"
                                 "Main\\Shortcut.FeedMoveUp = 262182\r\n"
                                 "Main\\Shortcut.FeedMoveDown = 262184\r\n"
                                 "Main\\Shortcut.FeedProperty = 262157\r\n"
                                 "Main\\Shortcut.RssProperty = 393229\r\n"
                                 "Main\\Shortcut.AffLog = 262256\r\n"
                                 "Main\\Shortcut.EditLang = 262257\r\n"
                                 "Main\\Shortcut.DocumentNext = 131081\r\n"
                                 "Main\\Shortcut.DocumentPrevious = 196617\r\n"
                                 "Main\\Shortcut.Undo = 131162\r\n"
                                 "Main\\Shortcut.Redo = 131161\r\n"
                                 "Pref.OnStartOpenLast = On\r\n"
                                 "Pref.StatusEdit = \r\n"
                                 "Pref.StatusTree = \r\n"
                                 "Main.DefaultPath = \r\n"
                                 "Pref.EditorFont = \r\n"
                                 "Pref.CheckAddresses = On\r\n";

} // namespace

TEST(PrefTable, RegistrationLookupAndFlags) {
    Paths paths("/m/", "", "", "");
    Log log;
    Preferences p(paths, log);
    EXPECT_TRUE(p.add_text_preference("Pref.StatusEdit", 88, 76, "first"));
    EXPECT_FALSE(p.add_text_preference("Other", 88, 76, "second"));       // same id
    EXPECT_FALSE(p.add_flag_preference("PREF.STATUSEDIT", 99, 76, true)); // same name, other case
    EXPECT_TRUE(p.add_flag_preference("Off.Flag", 5, 76, false));
    EXPECT_EQ(p.preference_value(88), "first");
    EXPECT_EQ(p.preference_value(5), ""); // a flag registered off starts empty
    EXPECT_EQ(p.preference_value(12345), "");
    ASSERT_TRUE(p.Pref_Find(0, "off.flag"));
    EXPECT_EQ(p.current_item()->Id, 5);
    p.set_preference_value(88, "changed");
    EXPECT_EQ(p.preference_value(88), "changed");
    EXPECT_TRUE(p.save_needed());

    EXPECT_TRUE(Pref_IsOn("ON") && Pref_IsOn(" 1 ") && Pref_IsOn("on"));
    EXPECT_FALSE(Pref_IsOn("Off") || Pref_IsOn("yes") || Pref_IsOn("11"));
    EXPECT_FALSE(Pref_NameMatches("", ""));
    EXPECT_TRUE(Pref_NameMatches("Main\\Shortcut.Help", "main\\shortcut."));
}

TEST_F(PrefFiles, MissingFileGivesDefaultsAndIsWrittenByteForByte) {
    EXPECT_NE(prefs_->load_preferences(), "");
    EXPECT_TRUE(prefs_->save_needed());

    ASSERT_EQ(prefs_->save_preferences(false), ""); // not forced, but the load failed
    EXPECT_FALSE(prefs_->save_needed());
    EXPECT_EQ(settings(), kDefaultFile);
    EXPECT_NE(log_.text().find("* PrefCharge() IDP=0\r\n* PrefSauve() IDP=1 Save=1"),
              std::string::npos);

    ASSERT_TRUE(remove_file(dir_ + "Quillpost.ini"));
    EXPECT_EQ(prefs_->save_preferences(false), ""); // nothing changed: nothing written
    EXPECT_FALSE(file_exists(dir_ + "Quillpost.ini"));
    EXPECT_NE(log_.text().find("* PrefSauve() IDP=0 Save=0"), std::string::npos);
}

TEST_F(PrefFiles, LoadsTheFileAsTheUserLeftIt) {
    put("Quillpost.ini", "  mainwindowx=  250  \r\n"
                         "MainWindowY = abc\n"
                         "MainLang = Fran\xE7"
                         "ais\r\n"
                         "LastDoc3 = /p/Show.qprj\r\n"
                         "Pref.OnStartOpenLast = Off\r\n"
                         "main\\shortcut.findtext = 131144\r\n"
                         "Main.DefaultPath = /work/podcasts/last.qprj\r\n"
                         "[Group]\r\n"
                         "MainWindowH = 999\r\n"
                         "Pref.StatusEdit = hidden\r\n");
    EXPECT_EQ(prefs_->load_preferences(), "");
    EXPECT_FALSE(prefs_->save_needed());
    EXPECT_EQ(prefs_->fixed().MainWindowX, 250);
    EXPECT_EQ(prefs_->fixed().MainWindowY, 0);
    EXPECT_EQ(prefs_->fixed().MainLang, "Fran\xC3\xA7"
                                        "ais");
    EXPECT_FALSE(Pref_IsOn(prefs_->preference_value(kPrefOnStartOpenLast)));
    EXPECT_EQ(prefs_->preference_value(kCmdFindText), "131144");
    EXPECT_EQ(prefs_->preference_value(kCmdFindNext), "114"); // missing: default
    EXPECT_EQ(changed_to_, "/work/podcasts/");
    ASSERT_EQ(prefs_->recent().size(), 1u);
    EXPECT_EQ(prefs_->recent()[0], "/p/Show.qprj");

    ASSERT_EQ(prefs_->save_preferences(true), "");
    const std::string s = settings();
    EXPECT_NE(s.find("MainLang = Fran\xE7"
                     "ais\r\nLastDoc0 = /p/Show.qprj\r\nMain\\Shortcut.Help = 112\r\n"),
              std::string::npos);
    EXPECT_NE(s.find("Pref.OnStartOpenLast = Off\r\n"), std::string::npos);
    EXPECT_EQ(s.find("[Group]"), std::string::npos);
}

TEST_F(PrefFiles, FailedWriteKeepsTheOldFileAndTheSaveNeededFlag) {
    put("Quillpost.ini", "MainWindowX = 7\r\n");
    ASSERT_EQ(prefs_->load_preferences(), "");
    prefs_->set_save_needed();

    std::string error;
    {
        const qp::test::FileSizeLimit full_disk(16);
        ASSERT_TRUE(full_disk.ok());
        error = prefs_->save_preferences(false);
    }

    EXPECT_NE(error, "");
    EXPECT_TRUE(prefs_->save_needed());
    EXPECT_EQ(settings(), "MainWindowX = 7\r\n");
    EXPECT_NE(log_.text().find("* PrefSauve() IDP=0 Save=1"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1); // no temp file
}

TEST_F(PrefFiles, RecentListAndUnicodeValuesSurviveASave) {
    for (int i = 0; i < 12; ++i)
        prefs_->recent_add("/p/" + std::to_string(i) + ".qprj");
    prefs_->recent_add("/p/5.qprj");
    prefs_->recent_add("/p/5.QPRJ"); // another file on this system
    ASSERT_EQ(prefs_->recent().size(), 10u);
    EXPECT_EQ(prefs_->recent()[1], "/p/5.qprj");
    EXPECT_EQ(prefs_->recent()[2], "/p/11.qprj");
    EXPECT_TRUE(prefs_->save_needed());

    prefs_->fixed().MainLang = "\xE6\x97\xA5\xE6\x9C\xAC"; // no Windows-1252 form
    prefs_->trust_remember("[::1]:990", "AB:CD");
    prefs_->trust_remember("ftp.example.com:21", "SHA256:old");
    prefs_->trust_remember("ftp.example.com:21", "SHA256:k/ey+0=");
    ASSERT_EQ(prefs_->save_preferences(false), "");
    EXPECT_EQ(settings().substr(0, 3), "\xEF\xBB\xBF");

    Preferences again(*paths_, log_);
    pref_register_all(again);
    ASSERT_EQ(again.load_preferences(), "");
    EXPECT_EQ(again.recent(), prefs_->recent());
    EXPECT_EQ(again.fixed().MainLang, "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(again.trusted(), prefs_->trusted());
    EXPECT_EQ(again.trusted().at("ftp.example.com:21"), "SHA256:k/ey+0=");
}

TEST_F(PrefFiles, LastDocumentsFile) {
    // The second of three documents was never saved: its number stays unused.
    ASSERT_EQ(prefs_->LastDoc_Store({dir_ + "a.qprj", "", "/home/u/Documents/b.qprj"}), "");
    std::string s;
    ASSERT_TRUE(read_file(dir_ + "Quillpost-Last.ini", s));
    EXPECT_EQ(s, "LastDoc0 = %MainApp%a.qprj\r\nLastDoc2 = %MyDoc%b.qprj\r\n");

    put("a.qprj", "<x/>");
    put("c.qprj", "<x/>");
    put("empty.qprj", "");
    put("Quillpost-Last.ini", "LASTDOC_x = %mainapp%c.qprj\r\n"
                              "Doc1 = %MainApp%a.qprj\r\n"
                              "LastDoc1 = %MainApp%missing.qprj\r\n"
                              "LastDoc2 = %MainApp%empty.qprj\r\n"
                              "LastDoc3 =\r\n"
                              "lastdoc4 = %MainApp%a.qprj\r\n"
                              "[More]\r\n"
                              "LastDoc5 = %MainApp%c.qprj\r\n");
    EXPECT_EQ(prefs_->LastDoc_Reopen(),
              (std::vector<std::string>{dir_ + "c.qprj", dir_ + "a.qprj"}));
}

TEST_F(PrefFiles, AcceptedIdentitiesAreKeptPrivateAndIgnoredWhereOthersCanWrite) {
    prefs_->trust_remember("127.0.0.1:990", "AB:CD");
    ASSERT_EQ(prefs_->save_preferences(false), "");
    const auto mode = [](const std::string& path) {
        return std::filesystem::status(path).permissions() & std::filesystem::perms::all;
    };
    EXPECT_EQ(mode(dir_ + "Quillpost.ini"),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const auto reload = [this] {
        Preferences again(*paths_, log_);
        EXPECT_EQ(again.load_preferences(), "");
        return again.trusted().size();
    };
    EXPECT_EQ(reload(), 1U);

    // A file or a folder another user may write could hold a planted identity.
    std::filesystem::permissions(dir_ + "Quillpost.ini", std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(reload(), 0U);
    std::filesystem::permissions(dir_ + "Quillpost.ini", std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    std::filesystem::permissions(dir_, std::filesystem::perms::group_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(reload(), 0U);
    EXPECT_NE(log_.text().find("identities ignored"), std::string::npos);
    std::filesystem::permissions(dir_, std::filesystem::perms::group_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(reload(), 1U);
}
