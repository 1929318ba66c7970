#include "core/directory_doc.h"
#include "core/file_io.h"
#include "core/project_format.h"

#include "support/file_limit.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

using namespace qp;

namespace {

using Result = qp::test::ProcessResult;

std::string contents(const std::string& path) {
    std::string data;
    EXPECT_TRUE(read_file(path, data)) << path;
    return data;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path();
        std::filesystem::create_directories(dir_ + "work");
        project_ = dir_ + "work/podcast.qprj";
        std::filesystem::copy_file(kExample, project_);
    }

    static Result run(std::initializer_list<std::string> args) {
        std::vector<std::string> argv = {QP_CLI_PATH};
        argv.insert(argv.end(), args);
        Result r = qp::test::run_process(argv);
        EXPECT_EQ(r.error, "");
        EXPECT_FALSE(r.timed_out);
        return r;
    }
    std::size_t files_in_work() const {
        const std::filesystem::directory_iterator it(dir_ + "work");
        return static_cast<std::size_t>(std::distance(begin(it), end(it)));
    }

    static constexpr const char* kExample = QP_SOURCE_DIR "/examples/podcast.qprj";
    qp::test::TempDir tmp_;
    std::string dir_;
    std::string project_;
};

TEST_F(Cli, RssBuildsTheFileBesideTheSavedProject) {
    const Result r = run({"rss", project_});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir_ + "work/cafe-creme.Xml\n");
    EXPECT_TRUE(contents(dir_ + "work/cafe-creme.Xml")
                    .starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss "));
    EXPECT_FALSE(file_exists(project_ + ".Bak"));
    // Saved with the new build date.
    EXPECT_NE(contents(project_), contents(kExample));

    const std::string out = dir_ + "feed.xml";
    EXPECT_EQ(run({"rss", "-o", out, project_}).out, out + "\n");
    EXPECT_TRUE(file_exists(out));
    // Never over the project itself.
    const std::string before = contents(project_);
    EXPECT_EQ(run({"rss", project_, "-o", project_}).status, 1);
    EXPECT_EQ(contents(project_), before);
}

TEST_F(Cli, FailuresAndUsageErrorsChangeNothing) {
    const std::string missing = dir_ + "work/none.qprj";
    for (const char* command : {"rss", "show", "save", "check"}) {
        const Result r = run({command, missing});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
    }
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"publishh", project_}).status, 2);
    EXPECT_EQ(run({"rss", project_, "-o"}).status, 2);
    EXPECT_EQ(run({"show", project_, "-x"}).status, 2);
    EXPECT_EQ(run({"check", project_, "--lang", "klingon"}).status, 2);
    const Result r = run({"save", project_, "a", "b"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
    // A folder without a file name: the failure says why.
    EXPECT_EQ(run({"save", project_, dir_ + "work/"}).err,
              "quillpost-cli: - Aborted, no filename !\n");
    EXPECT_EQ(files_in_work(), 1u);
    EXPECT_EQ(contents(project_), contents(kExample));
}

TEST_F(Cli, SaveKeepsTheLayoutAndAddsTheExtension) {
    const Result r = run({"save", project_, dir_ + "copy"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir_ + "copy.QPRJ\n");
    EXPECT_EQ(contents(dir_ + "copy.QPRJ"), contents(kExample));
    ASSERT_EQ(run({"save", project_}).status, 0);
    EXPECT_FALSE(file_exists(project_ + ".Bak"));
    EXPECT_EQ(contents(project_), contents(kExample));
}

TEST_F(Cli, NewerBackupIsNeverOverwritten) {
    const std::string bak = project_ + ".Bak";
    ASSERT_TRUE(write_file(bak, "@Title:@\tnewer\r\n"));
    std::filesystem::last_write_time(project_,
                                     std::filesystem::last_write_time(bak) - std::chrono::hours(1));
    EXPECT_EQ(run({"rss", project_}).status, 1);
    EXPECT_EQ(run({"save", project_}).status, 1);
    // The same file by another spelling is a save in place too.
    EXPECT_EQ(run({"save", project_, dir_ + "work/../work/podcast.qprj"}).status, 1);
    EXPECT_EQ(contents(project_), contents(kExample));
    EXPECT_EQ(contents(bak), "@Title:@\tnewer\r\n");
    const Result shown = run({"show", project_}); // reading is harmless, with a warning
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.err.find("newer"), std::string::npos);

    // Saving over another project whose backup is newer would lose that backup as well.
    const std::string other = dir_ + "other.QPRJ";
    ASSERT_TRUE(write_file(other, "@Title:@\tother\r\n"));
    ASSERT_TRUE(write_file(other + ".Bak", "@Title:@\tother, newer\r\n"));
    std::filesystem::last_write_time(other,
                                     std::filesystem::last_write_time(bak) - std::chrono::hours(1));
    EXPECT_EQ(run({"save", bak, other}).status, 1);
    EXPECT_EQ(contents(other), "@Title:@\tother\r\n");
    EXPECT_EQ(contents(other + ".Bak"), "@Title:@\tother, newer\r\n");
}

TEST_F(Cli, NeverWritesOverAFileItWasNotAskedTo) {
    // Not a project: the same file in UTF-16BE, or no text at all.
    std::string utf16 = "\xFE\xFF";
    for (const char c : contents(kExample))
        utf16 += std::string{'\0', c};
    for (const std::string& bytes : {utf16, std::string("\x7F"
                                                        "ELF\x02\x01\x01\0\0\0",
                                                        10)}) {
        ASSERT_TRUE(write_file(project_, bytes));
        for (const char* command : {"rss", "save", "show"}) {
            const Result r = run({command, project_});
            EXPECT_EQ(r.status, 1) << command;
            EXPECT_NE(r.err.find("not a project file"), std::string::npos) << r.err;
        }
        EXPECT_EQ(contents(project_), bytes);
        EXPECT_EQ(files_in_work(), 1u);
    }

    // "proj" saves as "proj.QPRJ", which is somebody else's file here; and without a format
    // line the feed of "proj" would be named "proj" itself.
    const std::string proj = dir_ + "work/proj";
    const std::string other = proj + ".QPRJ";
    ASSERT_TRUE(write_file(proj, "@Title:@\tmine\r\n"));
    ASSERT_TRUE(write_file(other, "another file"));
    Result r = run({"rss", proj});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(other), std::string::npos) << r.err;
    EXPECT_EQ(contents(other), "another file");
    ASSERT_TRUE(remove_file(other));
    r = run({"rss", proj});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(contents(proj), "@Title:@\tmine\r\n");
    EXPECT_TRUE(file_exists(other)); // the project itself was saved
}

TEST_F(Cli, FileSizeLimitLeavesEveryFileWhole) {
    // Past the limit the tool gets an error, not a signal, and cleans up after itself.
    const auto limited = [&](rlim_t bytes, std::vector<std::string> args) {
        args.insert(args.begin(), QP_CLI_PATH);
        bool limit_ok = false;
        Result r;
        {
            // The child starts with the signal's default action, so the tool's own handling is
            // what gets tested; nothing in here writes to a file.
            const qp::test::FileSizeLimit limit(bytes);
            limit_ok = limit.ok();
            std::signal(SIGXFSZ, SIG_DFL);
            r = qp::test::run_process(args);
        }
        EXPECT_TRUE(limit_ok);
        EXPECT_EQ(r.error, "");
        return r;
    };
    Result r = limited(4 * 512, {"save", project_});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(contents(project_), contents(kExample));
    EXPECT_EQ(files_in_work(), 1u);

    // A project small enough to save whose feed is not: every item repeats the long link.
    std::string small =
        "@Link:@\thttp://example.com/" + std::string(1000, 'l') + "\r\n@Format:@\tRssV2\r\n";
    for (int i = 0; i < 10; ++i)
        small += "@FeedTitle:@\tItem\r\n";
    ASSERT_TRUE(write_file(project_, small));
    const std::string feed = dir_ + "work/feed.xml";
    ASSERT_TRUE(write_file(feed, "the last good feed"));
    r = limited(16 * 512, {"rss", "-o", feed, project_});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Can't save Xml File: File too large"), std::string::npos) << r.err;
    EXPECT_EQ(contents(feed), "the last good feed");
    EXPECT_EQ(files_in_work(), 2u);
}

TEST_F(Cli, ConcurrentRunsLeaveOneWholeFeed) {
    // Projects of different sizes, all built into one file at once.
    constexpr int kRuns = 20;
    const std::string out = dir_ + "feed.xml";
    std::vector<std::string> paths;
    for (int i = 0; i < kRuns; ++i) {
        std::string project = "@Title:@\tP" + std::to_string(i) + "\r\n@Format:@\tRssV2\r\n";
        for (int f = 0; f <= i * 20; ++f)
            project += "@FeedTitle:@\tP" + std::to_string(i) + "\r\n";
        paths.push_back(dir_ + "work/p" + std::to_string(i) + ".QPRJ");
        ASSERT_TRUE(write_file(paths.back(), project));
    }
    std::vector<int> statuses(kRuns, -1);
    {
        std::vector<std::jthread> runs;
        for (int i = 0; i < kRuns; ++i)
            runs.emplace_back([&, i] { statuses[i] = run({"rss", "-o", out, paths[i]}).status; });
    }
    EXPECT_EQ(statuses, std::vector<int>(kRuns, 0));
    const std::string feed = contents(out);
    const std::size_t title = feed.find("<title>P");
    ASSERT_NE(title, std::string::npos) << feed;
    const std::string mine = feed.substr(title, feed.find('<', title + 1) - title);
    std::size_t items = 0;
    for (std::size_t at = feed.find("<item><title>"); at != std::string::npos;
         at = feed.find("<item><title>", at + 1), ++items)
        EXPECT_EQ(feed.compare(at + 6, mine.size(), mine), 0) << feed.substr(at, 40);
    EXPECT_EQ(items, static_cast<std::size_t>(std::stoi(mine.substr(8)) * 20 + 1));
    EXPECT_TRUE(feed.ends_with("</channel></rss>"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2); // no temporary
}

TEST_F(Cli, ShowListsTheFeedsAsTextOrJson) {
    const Result text = run({"show", project_});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("RSS file: cafe-creme.Xml\n"), std::string::npos);
    EXPECT_NE(text.out.find("  1  08/03/2024 07:00  \xC3\x89pisode 3"), std::string::npos);

    const Result json = run({"show", project_, "--json"});
    EXPECT_TRUE(json.out.starts_with("{\"project\":"));
    EXPECT_TRUE(json.out.ends_with("}]}\n"));
    EXPECT_NE(json.out.find("\"feeds\":[{\"position\":1,"), std::string::npos);
    EXPECT_NE(json.out.find("{\"position\":4,"), std::string::npos);

    // Quotes, backslashes and controls are escaped; a Windows-1252 byte comes out as UTF-8.
    const std::string odd = dir_ + "work/odd.qprj";
    ASSERT_TRUE(write_file(odd, "@Title:@\tSay \"hi\" \\ caf\xE9\x11next\x01\r\n"
                                "@FeedTitle:@\tOnly\r\n"));
    const Result r = run({"show", "--json", odd});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"title\":\"Say \\\"hi\\\" \\\\ caf\xC3\xA9\\r\\nnext\\u0001\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"date\":\"01/01/1970 00:00\",\"date_iso\":\"1970-01-01T00:00:00+00:00\","
                         "\"enclosure\":null}]}"),
              std::string::npos)
        << r.out;

    const std::string chapters = dir_ + "work/chapters.qprj";
    ASSERT_TRUE(write_file(chapters, "@FeedTitle:@\tOne\r\n@FeedChapter:@\t1.5\t\"A\"\t\tu\r\n"));
    const Result c = run({"show", "--json", chapters});
    EXPECT_NE(c.out.find("\"enclosure\":null,\"chapters\":[{\"start\":1.5,\"title\":\"\\\"A\\\"\","
                         "\"image\":\"\",\"url\":\"u\"}]}]}"),
              std::string::npos)
        << c.out;
}

TEST_F(Cli, ShowJsonHasThePodcastNamespaceWhenSet) {
    Doc d = test::everything_doc();
    d.Feeds[0].FeedTranscripts[0].File = "%MyDoc%ep3.srt";
    const std::string path = dir_ + "work/all.qprj";
    ASSERT_TRUE(write_file(path, format_project(d)));
    const Result r = run({"show", "--json", path});
    ASSERT_EQ(r.status, 0) << r.err;
    for (
        const char* part :
        {"\"rss_file\":\"feed.Xml\",\"persons\":[{\"name\":\"Ann Host\",\"role\":\"host\","
         "\"group\":\"cast\",\"image\":\"https://ex.com/ann.jpg\",\"href\":\"https://ex.com/ann\"}",
         "\"location\":{\"name\":\"Lyon, France\",\"geo\":\"geo:45.76,4.84\",\"osm\":\"R120965\"}",
         "\"trailers\":[{\"title\":\"Season 2 is coming\",\"url\":\"https://ex.com/trailer2.mp3\","
         "\"date_iso\":\"2013-04-05T09:07:03+00:00\",\"length\":12345,\"type\":\"audio/mpeg\","
         "\"season\":2}]",
         "\"update_frequency\":{\"text\":\"Every Friday\",\"rule\":\"FREQ=WEEKLY;BYDAY=FR\","
         "\"start\":\"2013-04-05T09:00:00Z\",\"complete\":false}",
         "\"blocks\":[{\"service\":\"\",\"blocked\":false},{\"service\":\"google\",\"blocked\":"
         "true}]",
         "\"split\":10,\"fee\":true,\"custom_key\":\"696969\",\"custom_value\":\"abc\"}],"
         "\"feeds\":",
         "\"transcripts\":[{\"file\":\"\",\"url\":\"t/ep3.vtt\",\"type\":\"text/vtt\",\"language\":"
         "\"\",\"captions\":false},{\"file\":\"%MyDoc%ep3.srt\",\"url\":\"https://ex.com/ep3.srt\"",
         "\"soundbites\":[{\"start\":73,\"duration\":60,\"title\":\"The best minute\"},"
         "{\"start\":1200.5,",
         "\"content\":\"<p>Show notes with <a href=\\\"https://ex.com\\\">a link</a> &amp; "
         "more.</p>\"",
         "\"value_splits\":[{\"start\":120,\"duration\":180,\"remote_percentage\":95,"
         "\"remote_start\":30,\"feed_guid\":\"917393e3-1b1e-5cef-ace4-edaa54e1f810\","
         "\"feed_url\":\"\",\"item_guid\":\"https://other.ex/song1\"}]}]}\n"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

// What a newcomer tries first: help and version on standard output, the RSS file on standard
// output, dates a script can read, and the sample that passes its own check.
TEST_F(Cli, NewcomersFirstCommands) {
    for (const auto& args :
         {std::vector<std::string>{"--help"}, {"show", "--help"}, {"--version"}}) {
        std::vector<std::string> argv = {QP_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        const Result r = qp::test::run_process(argv);
        EXPECT_EQ(r.status, 0) << args.back();
        EXPECT_TRUE(r.err.empty()) << args.back();
        EXPECT_TRUE(r.out.starts_with(args.back() == "--version" ? "quillpost-cli 0,28,1305,1700\n"
                                                                 : "usage: quillpost-cli"));
    }
    Result r = run({"rss", project_, "-o", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss ")) << r.out;
    EXPECT_EQ(files_in_work(), 1U) << "nothing is left beside the project";
    r = run({"rss", project_, "-o", dir_ + "missing/feed.xml"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(" + dir_ + "missing/feed.xml)"), std::string::npos) << r.err;
    r = run({"show", project_, "--json"});
    EXPECT_NE(
        r.out.find("\"date\":\"08/03/2024 07:00\",\"date_iso\":\"2024-03-08T07:00:00+01:00\""),
        std::string::npos)
        << r.out;

    r = run({"check", std::string(QP_SOURCE_DIR) + "/examples/podcast.qprj", "--lang", "english"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "Errors: 0, warnings: 0.\n");
}

TEST_F(Cli, CheckSaysWhatTheDirectoriesRefuse) {
    const std::string ready = dir_ + "work/ready.qprj";
    ASSERT_TRUE(write_file(ready,
                           "@Title:@\tShow\r\n@Desc:@\tAbout\r\n@Lang:@\ten\r\n"
                           "@Link:@\thttps://example.org/\r\n"
                           "@ImageUrl:@\thttps://example.org/art.png\r\n@Flag:@\t2\r\n"
                           "@iTunesCategory:@\tMusic\r\n@iTunesExplicit:@\tfalse\r\n"
                           "@FormatDate:@\t%dl, %dd %ml %yyyy %hh:%ii:%ss GMT\r\n"
                           "@ProjectPrivate:@\t1\r\n"
                           "@FeedTitle:@\tOne\r\n@FeedGUID:@\tone\r\n@FeedFileOnFTP:@\tone.mp3\r\n"
                           "@FeedFileType:@\taudio/mpeg\r\n@FeedFileLength:@\t10\r\n"
                           "@FeedDuration:@\t00:01:00\r\n"));
    Result r = run({"check", ready, "--lang", "english"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Errors: 0, warnings: 0.\n");

    // The example without its category, its explicit setting and its durations.
    std::string refused = contents(kExample);
    for (const char* key : {"@iTunesCategory:@", "@iTunesExplicit:@", "@FeedDuration:@"})
        for (auto at = refused.find(key); at != std::string::npos; at = refused.find(key))
            refused.erase(at, refused.find("\r\n", at) + 2 - at);
    // ... and with the date mask of the projects made before, whose zone strict readers refuse.
    const std::string mask = "@FormatDate:@\t";
    const std::size_t at = refused.find(mask) + mask.size();
    refused.erase(at, refused.find("\r\n", at) - at);
    ASSERT_TRUE(write_file(project_, refused));
    r = run({"check", project_, "--lang", "english"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.starts_with("error: Channel: no directory category is chosen; ")) << r.out;
    EXPECT_NE(r.out.find("\nwarning: Episode \u201C\xC3\x89pisode 3 : l'espresso parfait\u201D: "
                         "the duration of the episode is not given;"),
              std::string::npos)
        << r.out;
    // The date finding names the mask to use.
    EXPECT_NE(r.out.find("Use the date mask \"%dl, %dd %ml %yyyy %hh:%ii:%ss %zz\""),
              std::string::npos)
        << r.out;
    r = run({"check", "--json", project_, "--lang", "english"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.starts_with("[{\"level\":\"error\",\"episode\":null,\"key\":"
                                  "\"Check.NoCategory\",\"text\":\"Channel: no directory"))
        << r.out;
    EXPECT_NE(r.out.find("{\"level\":\"warning\",\"episode\":1,\"key\":\"Check.NoDuration\","),
              std::string::npos);
    EXPECT_TRUE(r.out.ends_with("\"}]\n"));
    EXPECT_EQ(contents(project_), refused);
}

} // namespace
