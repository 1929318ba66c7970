#include "core/file_io.h"
#include "core/log.h"
#include "core/project_file.h"
#include "core/text.h"

#include "directory_doc.h"
#include "support/file_limit.h"
#include "support/temp_dir.h"
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <optional>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
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
    parse_project(doc, bytes);
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
    doc.Protocol = Protocol::Ftp; // the one value without a line
    doc.ProjectPrivate = 0;
    const std::string head =
        doc_lines("||-5||||||1|fr|1700000000|||RssV2|Caf\xE9 \x80||21|||15|1440||||||");
    EXPECT_EQ(format_project(doc), head);

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
    EXPECT_EQ(format_project(doc), file);
    EXPECT_EQ(parsed(file), doc);
}

// A file without the protocol line publishes in the clear as before; a new document is secure.
TEST(ProjectFormat, ProtocolLineOnlyForSecureAccounts) {
    EXPECT_EQ(parsed("@Client:@\tftp.example.com\r\n@Port:@\t21\r\n").Protocol, Protocol::Ftp);
    Doc doc;
    DocDefaults(doc);
    EXPECT_EQ(doc.Protocol, Protocol::Ftps);
    EXPECT_NE(format_project(doc).find("@Protocol:@\t1\r\n"), std::string::npos);
    for (const Protocol protocol :
         {Protocol::Ftps, Protocol::Sftp, Protocol::S3, Protocol::WebDav}) {
        doc.Protocol = protocol;
        EXPECT_EQ(parsed(format_project(doc)), doc);
    }
    // A store's account and the directories' notice round-trip, each line only when set.
    EXPECT_EQ(format_project(doc).find("@S3"), std::string::npos);
    doc.S3Region = "eu-west-3";
    doc.S3Bucket = "pod";
    doc.S3PathStyle = 1;
    doc.CacheFeed = "max-age=60";
    doc.WebSubHub = "https://hub.example.org/";
    doc.NotifyDirectories = 1;
    doc.MeasurePrefix = "https://measure.example/e/";
    EXPECT_EQ(parsed(format_project(doc)), doc);
    doc.Protocol = Protocol::Ftp;
    EXPECT_EQ(format_project(doc).find("@Protocol:@"), std::string::npos);

    // A line the program did not write never falls back to the clear, and is kept as it was.
    for (const std::string line : {"FTPS", "7", "ftp", "-1"}) {
        const Doc odd = parsed("@Client:@\tftp.example.com\r\n@Protocol:@\t" + line + "\r\n");
        EXPECT_EQ(odd.Protocol, Protocol::Ftps) << line;
        EXPECT_NE(format_project(odd).find("@Protocol:@\t" + line + "\r\n"), std::string::npos)
            << line;
    }
}

// A file without the line publishes its project file as before; a new document keeps it private.
TEST(ProjectFormat, PrivateProjectAndArtworkFileLinesOnlyWhenSet) {
    EXPECT_EQ(parsed("@Client:@\tftp.example.com\r\n").ProjectPrivate, 0);
    Doc doc;
    DocDefaults(doc);
    doc.ImageFile = "art/cover.png";
    const std::string bytes = format_project(doc);
    EXPECT_NE(bytes.find("@ImageFile:@\tart/cover.png\r\n@ProjectPrivate:@\t1\r\n"),
              std::string::npos);
    EXPECT_EQ(parsed(bytes), doc);
    doc.ProjectPrivate = 0;
    doc.ImageFile.clear();
    EXPECT_EQ(format_project(doc).find("@ProjectPrivate:@"), std::string::npos);
    EXPECT_EQ(format_project(doc).find("@ImageFile:@"), std::string::npos);
}

TEST(ProjectFormat, LineBreaksTabsAndLineEnds) {
    Doc doc;
    doc.Title = "a\tb";
    doc.Desc = "1\r\n2\n3\r4\n\r5\n\r\n\r6";
    const std::string bytes = format_project(doc);
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
    std::string bytes = format_project(doc);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF; Quillpost"));
    EXPECT_EQ(parsed(bytes).Title, doc.Title);
    doc.Title = "\xC3\x83\xC2\xA9"; // Windows-1252 bytes C3 A9 would load as one other letter
    bytes = format_project(doc);
    EXPECT_TRUE(bytes.starts_with(kUtf8Bom));
    EXPECT_EQ(parsed(bytes).Title, doc.Title);
}

// The streamed bytes are the whole ones, in each of the three encodings, when the character that
// decides it stands only in the last of many pieces.
TEST(ProjectFormat, WrittenInPiecesAsWhole) {
    Doc doc;
    doc.Title = "Show";
    for (int i = 0; i < 400; ++i) {
        Feed f;
        f.FeedTitle = "Episode " + std::to_string(i);
        f.FeedDesc = std::string(400, 'x') + "\r\nline\ttab";
        doc.Feeds.push_back(f);
    }
    for (const std::string last :
         {"plain", "caf\xC3\xA9", "\xE6\x97\xA5", "\xC3\x83\xC2\xA9", "bad \xC3 byte"}) {
        doc.Feeds.back().FeedTitle = last;
        std::string streamed;
        int pieces = 0;
        ASSERT_TRUE(write_project(doc, [&](std::string_view piece) {
            streamed += piece;
            ++pieces;
            return Status{};
        }));
        EXPECT_GT(pieces, 2);
        EXPECT_EQ(streamed, format_project(doc)) << last;
    }
    int calls = 0;
    const Status stopped = write_project(doc, [&](std::string_view) {
        return ++calls == 2 ? Status(make_error(ErrorKind::NoSpace, "full")) : Status{};
    });
    EXPECT_EQ(stopped.error().kind, ErrorKind::NoSpace);
    EXPECT_EQ(calls, 2);
}

TEST(ProjectReader, TagRulesAndClamps) {
    Doc doc = parsed("@FeedDesc:@\tlost\r\n@Title:@\r\n@TTL:@\t0\r\n@TimeZone:@\t13\r\n"
                     "@RssName:@\tD:/out/feed.xml\r\n@ImageUrl:@\t/img/logo.png\r\n"
                     "@title:@\tcase\r\n@Port:@\t 80abc\r\n@Format:@\tAtom\r\n"
                     "@FeedTitle:@\tx\r\n@FeedLink:@\t/a\\b\r\n@FeedComments:@\t /c*\\1 \r\n"
                     "@FeedTitle:@\ty\r\n@FeedFlag:@\t-3\r\n@FeedFlag:@\t9\r\n");
    EXPECT_EQ(doc.Title + "|" + doc.RssName + "|" + doc.ImageUrl + "|" + doc.Format,
              "|feed.xml|img/logo.png|RssV2");
    EXPECT_EQ(std::vector<int>({doc.TTL, doc.TimeZone, doc.Port}),
              std::vector<int>({1, 99999, 80}));
    ASSERT_EQ(doc.Feeds.size(), 2u);
    // Links are cleaned like paths, so they join the channel link with one "/".
    EXPECT_EQ(doc.Feeds[0].FeedDesc + "|" + doc.Feeds[0].FeedLink + "|" + doc.Feeds[0].FeedComments,
              "|a/b|c/1");
    EXPECT_EQ(doc.Feeds[1].FeedFlag, 9); // the last occurrence wins
    EXPECT_EQ(parsed("@TTL:@\t99999\r\n").TTL, 14400);
    EXPECT_EQ(parsed("@TimeZone:@\t-12\r\n").TimeZone, -12);
    EXPECT_EQ(parsed("@Copyright:@\t(c)\r\n").Format, ""); // no line, no format

    // Only known tags count, in any order and place, the feed lines of a whole file included.
    EXPECT_EQ(parse_project(doc, "; Quillpost\r\n@title:@\tx\r\n@Title\r\n\r\n"), 0u);
    EXPECT_EQ(parse_project(doc, "@FeedFlag:@\t1\n@Title:@\n@Desc:@\tx\n@Title:@\tz"), 4u);
    Doc two;
    two.Feeds.resize(2);
    EXPECT_EQ(parse_project(doc, format_project(two)), 27u + 2 * 13u);
}

// The directory settings have lines only when used: an older file keeps its bytes, and a file that
// uses them reads back to the same document and the same bytes.
TEST(ProjectFormat, DirectoryLinesOnlyWhenUsedAndRoundTrip) {
    Doc doc;
    DocDefaults(doc);
    doc.Feeds.resize(1);
    const std::string plain = format_project(doc);
    doc.iTunesCategory = "Health & Fitness";
    doc.iTunesSubCategory = "Mental Health";
    doc.iTunesExplicit = "false";
    doc.iTunesBlock = 1;
    doc.PodcastFundingText = "Soutenir\r\nle podcast";
    Feed& feed = doc.Feeds[0];
    feed.FeedDuration = "1:02:03";
    feed.FeedEpisode = 12;
    feed.FeedTranscriptUrl = "https://example.com/12.vtt";
    const std::string bytes = format_project(doc);
    EXPECT_EQ(bytes.size() - plain.size(),
              std::string("@iTunesCategory:@\tHealth & Fitness\r\n"
                          "@iTunesSubCategory:@\tMental Health\r\n"
                          "@iTunesExplicit:@\tfalse\r\n"
                          "@iTunesBlock:@\t1\r\n"
                          "@PodcastFundingText:@\tSoutenir\x11le podcast\r\n"
                          "@FeedDuration:@\t1:02:03\r\n"
                          "@FeedEpisode:@\t12\r\n"
                          "@FeedTranscriptUrl:@\thttps://example.com/12.vtt\r\n")
                  .size());
    // The channel's lines close its block; the episode's follow the feed's older lines.
    EXPECT_NE(bytes.find("@PodcastFundingText:@\tSoutenir\x11le podcast\r\n@Protocol:@\t1\r\n"
                         "@ProjectPrivate:@\t1\r\n\r\n; Feed 0"),
              std::string::npos);
    EXPECT_NE(bytes.find("@FeedComments:@\t\r\n@FeedDuration:@"), std::string::npos);
    Doc back;
    parse_project(back, bytes);
    back.CurrentFeed = doc.CurrentFeed;
    EXPECT_EQ(back, doc);
    EXPECT_EQ(format_project(back), bytes);
}

// One line a chapter, after the episode's other lines, in either encoding of the file.
TEST(ProjectFormat, ChapterLinesRoundTripOddTitles) {
    Doc doc;
    DocDefaults(doc);
    doc.Feeds.resize(2);
    Feed& feed = doc.Feeds[0];
    feed.FeedChaptersUrl = "https://ex.com/c.json";
    feed.FeedChapters = {{0, "", "", ""},
                         {0.1, "@FeedTitle:@ x", "img/a b.jpg", "https://ex.com/?a=1&b=2"},
                         {61.25, "two\r\nlines \\ \"q\" ", "", "u"},
                         {86399.999, " \xC3\xA9t\xC3\xA9 \xE2\x82\xAC ", "i", ""}};
    doc.Feeds[1].FeedChapters = {{3, "\xE6\x97\xA5\xE6\x9C\xAC", "", ""}};
    const std::string cp1252 = [&] {
        Doc narrow = doc;
        narrow.Feeds.pop_back();
        return format_project(narrow);
    }();
    EXPECT_NE(
        cp1252.find("@FeedComments:@\t\r\n@FeedChaptersUrl:@\thttps://ex.com/c.json\r\n"
                    "@FeedChapter:@\t0\t\t\t\r\n"
                    "@FeedChapter:@\t0.1\t@FeedTitle:@ x\timg/a b.jpg\thttps://ex.com/?a=1&b=2\r\n"
                    "@FeedChapter:@\t61.25\ttwo\x11lines \\ \"q\" \t\tu\r\n"
                    "@FeedChapter:@\t86399.999\t \xE9t\xE9 \x80 \ti\t\r\n"),
        std::string::npos);
    for (const std::string& bytes : {cp1252, format_project(doc)}) {
        Doc back;
        parse_project(back, bytes);
        const bool both = back.Feeds.size() == 2;
        Doc expected = doc;
        if (!both)
            expected.Feeds.pop_back();
        back.CurrentFeed = expected.CurrentFeed;
        EXPECT_EQ(back, expected);
        EXPECT_EQ(format_project(back), bytes);
    }
}

class ProjectSave : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path().substr(0, tmp_.path().size() - 1);
        path_ = dir_ + "/news.QPRJ";
        doc_.Title = "old";
        ASSERT_TRUE(WriteProject(doc_, path_));
        ASSERT_TRUE(read_file(path_, old_));
        doc_.Title = std::string(4096, 'n');
        doc_.FileName = path_;
    }
    std::string content(const std::string& p) {
        std::string s;
        return read_file(p, s) ? s : "<missing>";
    }
    std::size_t files_in(const std::string& dir) const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(dir), {}));
    }
    qp::test::TempDir tmp_;
    std::string dir_, path_, old_;
    Doc doc_;
};

TEST_F(ProjectSave, FailureKeepsTheOldFileAndSaysWhy) {
    // A file-size limit stops the write mid-way.
    auto limit = std::make_optional<qp::test::FileSizeLimit>(1000);
    ASSERT_TRUE(limit->ok());
    Log log;
    doc_.State = kModified;
    const SaveResult over_old = SaveDoc(doc_, path_, log);
    const FileResult as_new = save_project_with_backup(doc_, dir_ + "/new.QPRJ");
    limit.reset();
    EXPECT_EQ(over_old.status, SaveStatus::Failed);
    EXPECT_EQ(over_old.error, "Error, Not saved " + path_ + ": File too large");
    EXPECT_EQ(doc_.State, kModified);
    EXPECT_TRUE(log.text().ends_with("! Error, Not saved " + path_ + "\r\n"));
    EXPECT_EQ(as_new.error_text(), "File too large");
    EXPECT_EQ(content(path_), old_);
    // Neither a cut-off backup to offer on open nor a temporary file stays behind.
    EXPECT_EQ(files_in(dir_), 1u);

    ASSERT_EQ(::mkdir((path_ + ".Bak").c_str(), 0755), 0); // a folder in the backup's place
    EXPECT_FALSE(save_project_with_backup(doc_, path_));
    EXPECT_EQ(content(path_), old_);
}

TEST_F(ProjectSave, AReadOnlyFolderSaysSo) {
    const std::string mnt = dir_ + "/sealed";
    ASSERT_EQ(::mkdir(mnt.c_str(), 0755), 0);
    // A read-only file system refuses even the superuser, whom permission bits do not stop.
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", MS_RDONLY, "size=16k") != 0)
        GTEST_SKIP() << "no read-only file system: mounting a tmpfs needs CAP_SYS_ADMIN";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount(at.c_str()); }
    } unmount{mnt};
    Log log;
    const SaveResult saved = SaveDoc(doc_, mnt + "/p.QPRJ", log);
    EXPECT_EQ(saved.status, SaveStatus::Failed);
    EXPECT_EQ(saved.kind, ErrorKind::ReadOnly) << saved.error;
    EXPECT_EQ(files_in(mnt), 0u);
}

TEST_F(ProjectSave, FullDiskKeepsTheOldFiles) {
    const std::string mnt = dir_ + "/small";
    ASSERT_EQ(::mkdir(mnt.c_str(), 0755), 0);
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no small file system to fill: mounting a tmpfs needs CAP_SYS_ADMIN";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount(at.c_str()); }
    } unmount{mnt};
    const std::string project = mnt + "/p.QPRJ";
    doc_.Title = "small";
    ASSERT_TRUE(WriteProject(doc_, project));
    const std::string before = content(project);
    doc_.Title = std::string(64 * 1024, 'x');
    Log log;
    const SaveResult saved = SaveDoc(doc_, project, log);
    EXPECT_EQ(saved.error, "Error, Not saved " + project + ": No space left on device");
    EXPECT_EQ(saved.kind, ErrorKind::NoSpace);
    EXPECT_EQ(replace_file_atomically(mnt + "/p.Xml", doc_.Title).error_text(),
              "No space left on device");
    EXPECT_EQ(content(project), before);
    EXPECT_EQ(files_in(mnt), 1u);
}

// A clock whose local time goes back an hour at a given instant, as in autumn.
class AutumnClock : public Clock {
public:
    explicit AutumnClock(std::int64_t change) : change_(change) {}
    std::int64_t utc_now() const override { return change_; }
    std::int32_t utc_offset_at(std::int64_t utc) const override {
        return utc < change_ ? 7200 : 3600;
    }

private:
    std::int64_t change_;
};

TEST_F(ProjectSave, BackupIsNewerOnRealTimes) {
    const std::string bak = path_ + ".Bak";
    EXPECT_FALSE(backup_is_newer(path_));
    ASSERT_TRUE(write_file(bak, "b"));
    for (const time_t t : {1000001, 1000000}) {
        const utimbuf old_time{1000000, 1000000}, bak_time{t, t};
        ASSERT_EQ(::utime(path_.c_str(), &old_time) | ::utime(bak.c_str(), &bak_time), 0);
        EXPECT_EQ(backup_is_newer(path_), t == 1000001);
    }
    // The backup written at 02:30 before the clocks go back, the project at 02:10 after: the
    // project is the newer one.
    const time_t change = 1729990800; // 27 October 2024, 01:00 UTC
    AutumnClock autumn(change);
    ScopedClock scoped(autumn);
    const utimbuf bak_time{change - 1800, change - 1800}, project_time{change + 600, change + 600};
    ASSERT_EQ(::utime(path_.c_str(), &project_time) | ::utime(bak.c_str(), &bak_time), 0);
    EXPECT_FALSE(backup_is_newer(path_));
    std::filesystem::remove(path_);
    EXPECT_TRUE(backup_is_newer(path_));
}

TEST_F(ProjectSave, SaveDocReplacesTheFileAndLeavesNoBackup) {
    Log log;
    doc_.State = kModified;
    EXPECT_EQ(SaveDoc(doc_, dir_ + "/", log).status, SaveStatus::NoFileName);
    ASSERT_TRUE(write_file(path_ + ".Bak", "stale"));        // left by an earlier crash
    ASSERT_TRUE(SaveDoc(doc_, dir_ + "/news", log).saved()); // the document's own news.QPRJ
    EXPECT_EQ(doc_.FileName, path_);
    EXPECT_EQ(doc_.State, 0);
    EXPECT_EQ(content(path_), format_project(doc_));
    EXPECT_EQ(files_in(dir_), 1u);
    ASSERT_TRUE(SaveDoc(doc_, dir_ + "/x.qPrJ", log).saved());
    EXPECT_EQ(log.text(), "- Save document\r\n- Aborted, no filename !\r\n- Save document\r\n"
                          "- Saved " +
                              path_ + "\r\n- Save document\r\n- Saved " + dir_ + "/x.qPrJ\r\n");
    Doc back;
    ASSERT_TRUE(LoadDoc(back, dir_ + "/x.qPrJ", log));
    EXPECT_EQ(back.Title, doc_.Title);
    const FileResult missing = LoadDoc(back, dir_ + "/missing.QPRJ", log);
    EXPECT_EQ(missing.error_text(), "No such file or directory");
    EXPECT_EQ(missing.kind(), ErrorKind::NotFound);
    EXPECT_TRUE(log.text().ends_with("- File Loaded !\r\n! Can't open file\r\n"));
}

TEST_F(ProjectSave, NeverReplacesAFileTheUserDidNotName) {
    // A document read from "news" saves as "news.QPRJ", which is another file here.
    const std::string plain = dir_ + "/news";
    ASSERT_TRUE(write_file(plain, old_));
    doc_.FileName = plain;
    Log log;
    const SaveResult r = SaveDoc(doc_, plain, log);
    EXPECT_EQ(r.status, SaveStatus::TargetExists);
    EXPECT_NE(r.error.find(path_), std::string::npos) << r.error;
    EXPECT_EQ(content(path_), old_);
    EXPECT_EQ(doc_.FileName, plain);
    EXPECT_TRUE(SaveDoc(doc_, path_, log).saved()); // named as it stands, it is replaced
}

TEST_F(ProjectSave, KeepsLinksPermissionsAndReadOnlyFiles) {
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    // Another group than the user's own, where the test may give the file one.
    const gid_t group = ::geteuid() == 0 ? 4242 : ::getegid();
    ASSERT_EQ(::chown(path_.c_str(), static_cast<uid_t>(-1), group), 0);
    const std::string link = dir_ + "/link.QPRJ";
    ASSERT_EQ(::symlink("news.QPRJ", link.c_str()), 0);
    Log log;
    ASSERT_TRUE(SaveDoc(doc_, link, log).saved());
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(content(path_), format_project(doc_));
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(files_in(dir_), 2u);

    ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
    const std::string before = content(path_);
    doc_.Title = "changed";
    const SaveResult r = SaveDoc(doc_, path_, log);
    EXPECT_EQ(r.error, "Error, Not saved " + path_ + ": read-only file");
    EXPECT_EQ(r.kind, ErrorKind::ReadOnly);
    EXPECT_EQ(content(path_), before);
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(ProjectSave, OnlyProjectsAreRead) {
    Doc doc;
    doc.Title = "kept";
    const auto refused = [&](const std::string& file) {
        Doc read = doc;
        const FileResult r = ReadProject(read, file);
        EXPECT_EQ(read, doc) << file;
        return r.error_text();
    };
    // The same lines in UTF-16 without a mark, in UTF-16BE, and bytes that are no text at all.
    std::string le, be = "\xFE\xFF";
    for (const char c : old_) {
        le += std::string{c, '\0'};
        be += std::string{'\0', c};
    }
    const std::string not_project = "not a project file: no line of it holds a project setting";
    for (const std::string& bytes : {le, be,
                                     std::string("\x7F"
                                                 "ELF\x02\x01\x01\0\0\0",
                                                 10)}) {
        ASSERT_TRUE(write_file(dir_ + "/odd", bytes));
        EXPECT_EQ(refused(dir_ + "/odd"), not_project);
    }
    Doc odd;
    EXPECT_EQ(ReadProject(odd, dir_ + "/odd").kind(), ErrorKind::NotAProject);
    ASSERT_TRUE(write_file(dir_ + "/empty", ""));
    EXPECT_TRUE(ReadProject(doc, dir_ + "/empty")); // a new, empty project

    EXPECT_EQ(refused("/dev/zero"), "not a regular file");
    EXPECT_EQ(refused(dir_), "a folder, not a file");
    const std::string big = dir_ + "/big.QPRJ";
    ASSERT_TRUE(write_file(big, old_));
    ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kMaxProjectBytes) + 1), 0); // sparse
    EXPECT_EQ(refused(big), "larger than 1 GiB");

    // A pipe without a writer would block the read for ever; a writer opened late frees it.
    const std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto read = std::async(std::launch::async, [&] { return refused(fifo); });
    const bool done = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!done)
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(done);
    EXPECT_EQ(read.get(), "not a regular file");
}

TEST_F(ProjectSave, InterruptedBeforeTheRenameKeepsBothVersions) {
    // A folder in the project's place makes the last step fail, as a crash between the steps
    // would: the old content stays where it was and the new one waits in the backup.
    const std::string blocked = dir_ + "/blocked.QPRJ";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    ASSERT_TRUE(write_file(blocked + "/keep", "x"));
    EXPECT_FALSE(save_project_with_backup(doc_, blocked));
    EXPECT_EQ(content(blocked + ".Bak"), format_project(doc_));
    EXPECT_EQ(content(blocked + "/keep"), "x");
}

// Every list and value of the podcast namespace has its own lines and reads back to the same
// document and bytes, streamed or whole, even when only a list entry is not ASCII.
TEST(ProjectFormat, PodcastNamespaceLinesRoundTrip) {
    Doc doc = test::everything_doc();
    doc.Feeds.push_back(doc.Feeds[0]);
    const std::string bytes = format_project(doc);
    EXPECT_NE(bytes.find("@ValueRecipient:@\tHost fee\tnode\t032f4ffbbafffbe51726ad3c164a3d0d37ec27"
                         "bc67b29a159b0f49ae8ac21b8508\t10\t1\t696969\tabc\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("@FeedSoundbite:@\t73\t60\tThe best minute\r\n"
                         "@FeedSoundbite:@\t1200.5\t30\t\r\n"),
              std::string::npos);
    Doc back;
    parse_project(back, bytes);
    back.CurrentFeed = doc.CurrentFeed;
    EXPECT_EQ(back, doc);
    EXPECT_EQ(format_project(back), bytes);

    doc.Feeds[1].FeedSoundbites[0].Title = "\xE6\x97\xA5";
    std::string streamed;
    ASSERT_TRUE(write_project(doc, [&](std::string_view piece) {
        streamed += piece;
        return Status{};
    }));
    EXPECT_EQ(streamed, format_project(doc));
    EXPECT_TRUE(streamed.starts_with(kUtf8Bom));
}
