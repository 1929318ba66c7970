#include "core/file_io.h"
#include "core/log.h"
#include "core/project_file.h"
#include "core/text.h"

#include "support/temp_dir.h"
#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>

using namespace qp;

namespace {

// Header, the 27 document lines with their values in file order ("|" between them), and the
// empty line.
std::string doc_lines(std::string_view values) {
    static const char* tags[] = {"Copyright",  "FormatDate",     "TimeZone",      "Desc",
                                 "WebMaster",  "ImageLink",      "ImageTitle",    "ImageUrl",
                                 "Flag",       "Lang",           "LastBuildDate", "Link",
                                 "RssName",    "Format",         "Title",         "Client",
                                 "Port",       "User",           "PathFTP",       "MaxFeed",
                                 "TTL",        "Category",       "iTunesAuthor",  "iTunesKeyword",
                                 "iTunesMail", "iTunesSubTitle", "iTunesSummary"};
    std::string out = "; Quillpost 0,28,1305,1700\r\n";
    for (const char* tag : tags) {
        const std::size_t bar = std::min(values.find('|'), values.size());
        out += std::string("@") + tag + ":@\t" + std::string(values.substr(0, bar)) + "\r\n";
        values.remove_prefix(std::min(bar + 1, values.size()));
    }
    return out + "\r\n";
}

Doc parsed(std::string_view bytes) {
    Doc doc;
    ParseProject(doc, bytes);
    return doc;
}

} // namespace

TEST(ProjectFormat, LayoutAndWindows1252RoundTripByteForByte) {
    Doc doc;
    DocDefaults(doc);
    doc.Lang = "fr";
    doc.Title = "Caf\xC3\xA9 \xE2\x82\xAC";
    doc.LastBuildDate = 1700000000;
    doc.TimeZone = -5;
    const std::string head =
        doc_lines("||-5||||||1|fr|1700000000|||RssV2|Caf\xE9 \x80||21|||15|1440||||||");
    EXPECT_EQ(FormatProject(doc), head);

    Feed feed;
    feed.FeedTitle = "\xC3\x86";
    feed.FeedDesc = "l1\r\nl2";
    feed.FeedPubDate = 5000000000; // past 2038
    feed.FeedFileLength = 3000000000;
    feed.FeedFlag = kUploadFile | kNoAutoDelete;
    doc.Feeds = {feed};
    doc.CurrentFeed = 0;
    const std::string file =
        head + "; Feed 0\r\n@FeedTitle:@\t\xC6\r\n@FeedDesc:@\tl1\x11l2\r\n"
               "@FeedPubDate:@\t5000000000\r\n@FeedLink:@\t\r\n@FeedGUID:@\t\r\n@FeedFile:@\t\r\n"
               "@FeedFileLength:@\t3000000000\r\n@FeedFileType:@\t\r\n@FeedFileOnFTP:@\t\r\n"
               "@FeedAuthor:@\t\r\n@FeedCategory:@\t\r\n@FeedFlag:@\t6\r\n@FeedComments:@\t\r\n";
    EXPECT_EQ(FormatProject(doc), file);
    EXPECT_EQ(parsed(file), doc);
}

TEST(ProjectFormat, LineBreaksTabsAndLineEnds) {
    Doc doc;
    doc.Title = "a\tb";
    doc.Desc = "1\r\n2\n3\r4\n\r5\n\r\n\r6";
    const std::string bytes = FormatProject(doc);
    EXPECT_NE(bytes.find("@Title:@\tab\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("@Desc:@\t1\x11"
                         "2\x11"
                         "3\x11"
                         "4\x11"
                         "5\x11\x11\x11"
                         "6\r\n"),
              std::string::npos);
    EXPECT_EQ(parsed(bytes).Desc, "1\r\n2\r\n3\r\n4\r\n5\r\n\r\n\r\n6");

    const std::string crlf = "@Title:@\tT\r\n@FeedTitle:@\tF\r\n@FeedDesc:@\ta\x11z\r\n";
    const Doc want = parsed(crlf);
    EXPECT_EQ(want.Feeds.at(0).FeedDesc, "a\r\nz");
    EXPECT_EQ(parsed(replace_all(crlf, "\r\n", "\n")), want);
    EXPECT_EQ(parsed(replace_all(crlf, "\r\n", "\r")), want);
}

TEST(ProjectFormat, NoCharacterIsLostOnSave) {
    Doc doc;
    doc.Title = "\xE6\x97\xA5 caf\xC3\xA9";
    std::string bytes = FormatProject(doc);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF; Quillpost"));
    EXPECT_EQ(parsed(bytes).Title, doc.Title);
    doc.Title = "\xC3\x83\xC2\xA9"; // Windows-1252 bytes C3 A9 would load as one other letter
    bytes = FormatProject(doc);
    EXPECT_TRUE(bytes.starts_with(kUtf8Bom));
    EXPECT_EQ(parsed(bytes).Title, doc.Title);
}

TEST(ProjectReader, TagRulesAndClamps) {
    Doc doc = parsed("@FeedDesc:@\tlost\r\n@Title:@\r\n@TTL:@\t0\r\n@TimeZone:@\t13\r\n"
                     "@RssName:@\tD:/out/feed.xml\r\n@ImageUrl:@\t/img/logo.png\r\n"
                     "@title:@\tcase\r\n@Port:@\t 80abc\r\n@Format:@\tAtom\r\n"
                     "@FeedTitle:@\tx\r\n@FeedLink:@\t/a\\b\r\n@FeedTitle:@\ty\r\n"
                     "@FeedFlag:@\t-3\r\n@FeedFlag:@\t9\r\n");
    EXPECT_EQ(doc.Title + "|" + doc.RssName + "|" + doc.ImageUrl + "|" + doc.Format,
              "|feed.xml|img/logo.png|RssV2");
    EXPECT_EQ(std::vector<int>({doc.TTL, doc.TimeZone, doc.Port}),
              std::vector<int>({1, 99999, 80}));
    ASSERT_EQ(doc.Feeds.size(), 2u);
    EXPECT_EQ(doc.Feeds[0].FeedDesc + "|" + doc.Feeds[0].FeedLink, "|a/b");
    EXPECT_EQ(doc.Feeds[1].FeedFlag, 9); // the last occurrence wins
    EXPECT_EQ(parsed("@TTL:@\t99999\r\n").TTL, 14400);
    EXPECT_EQ(parsed("@TimeZone:@\t-12\r\n").TimeZone, -12);
    EXPECT_EQ(parsed("@Copyright:@\t(c)\r\n").Format, ""); // no line, no format
}

class ProjectSave : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path().substr(0, tmp_.path().size() - 1);
        path_ = dir_ + "/news.QPRJ";
        doc_.Title = "old";
        ASSERT_EQ(WriteProject(doc_, path_), 1);
        ASSERT_TRUE(read_file(path_, old_));
        doc_.Title = std::string(4096, 'n');
    }
    std::string content(const std::string& p) {
        std::string s;
        return read_file(p, s) ? s : "<missing>";
    }
    qp::test::TempDir tmp_;
    std::string dir_, path_, old_;
    Doc doc_;
};

TEST_F(ProjectSave, FailureKeepsTheOldFile) {
    // A disk that fills mid-save.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Log log;
    doc_.State = kModified;
    const int over_old = SaveDoc(doc_, path_, log);
    const bool as_new = SaveProjectWithBackup(doc_, dir_ + "/new.QPRJ");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(over_old, 0);
    EXPECT_EQ(doc_.State, kModified);
    EXPECT_TRUE(log.text().ends_with("! Error, Not saved " + path_ + "\r\n"));
    EXPECT_FALSE(as_new);
    EXPECT_EQ(content(path_), old_);
    EXPECT_FALSE(file_exists(path_ + ".Bak")); // no cut-off copy to offer on open
    EXPECT_FALSE(file_exists(dir_ + "/new.QPRJ"));

    ASSERT_EQ(::mkdir((path_ + ".Bak").c_str(), 0755), 0); // a folder in the backup's place
    EXPECT_FALSE(SaveProjectWithBackup(doc_, path_));
    EXPECT_EQ(content(path_), old_);
}

TEST_F(ProjectSave, BackupIsNewer) {
    const std::string bak = path_ + ".Bak";
    EXPECT_FALSE(BackupIsNewer(path_));
    ASSERT_TRUE(write_file(bak, "b"));
    for (const time_t t : {1000001, 1000000}) {
        const utimbuf old_time{1000000, 1000000}, bak_time{t, t};
        ASSERT_EQ(::utime(path_.c_str(), &old_time) | ::utime(bak.c_str(), &bak_time), 0);
        EXPECT_EQ(BackupIsNewer(path_), t == 1000001);
    }
    std::filesystem::remove(path_);
    EXPECT_TRUE(BackupIsNewer(path_));
}

TEST_F(ProjectSave, SaveDocReplacesTheFileAndLeavesNoBackup) {
    Log log;
    doc_.State = kModified;
    EXPECT_EQ(SaveDoc(doc_, dir_ + "/", log), 0);
    ASSERT_TRUE(write_file(path_ + ".Bak", "stale")); // left by an earlier crash
    ASSERT_EQ(SaveDoc(doc_, dir_ + "/news", log), 1); // the existing news.QPRJ
    EXPECT_EQ(doc_.FileName, path_);
    EXPECT_EQ(doc_.State, 0);
    EXPECT_EQ(content(path_), FormatProject(doc_));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
    ASSERT_EQ(SaveDoc(doc_, dir_ + "/x.qPrJ", log), 1);
    EXPECT_EQ(log.text(), "- Save document\r\n- Aborted, no filename !\r\n- Save document\r\n"
                          "- Saved " +
                              path_ + "\r\n- Save document\r\n- Saved " + dir_ + "/x.qPrJ\r\n");
    Doc back;
    ASSERT_EQ(LoadDoc(back, dir_ + "/x.qPrJ", log), 1);
    EXPECT_EQ(back.Title, doc_.Title);
    EXPECT_EQ(LoadDoc(back, dir_ + "/missing.QPRJ", log), 0);
    EXPECT_TRUE(log.text().ends_with("- File Loaded !\r\n! Can't open file\r\n"));
}

TEST_F(ProjectSave, InterruptedBeforeTheRenameKeepsBothVersions) {
    // A folder in the project's place makes the last step fail, as a crash between the steps
    // would: the old content stays where it was and the new one waits in the backup.
    const std::string blocked = dir_ + "/blocked.QPRJ";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    ASSERT_TRUE(write_file(blocked + "/keep", "x"));
    EXPECT_FALSE(SaveProjectWithBackup(doc_, blocked));
    EXPECT_EQ(content(blocked + ".Bak"), FormatProject(doc_));
    EXPECT_EQ(content(blocked + "/keep"), "x");
}
