#include "core/file_io.h"
#include "core/project_format.h"
#include "net/http_server.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace qp;

namespace {

test::ProcessResult run(std::initializer_list<std::string> args) {
    std::vector<std::string> argv = {QP_CLI_PATH};
    argv.insert(argv.end(), args);
    test::ProcessResult r = test::run_process(argv);
    EXPECT_FALSE(r.timed_out);
    return r;
}

constexpr std::string_view kFeed =
    "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:podcast=\"https://podcastindex.org/"
    "namespace/1.0\"><channel><title>Caf\xC3\xA9 / Cr\xC3\xA8me</title><link>https://ex.com/"
    "</link><podcast:podping usesPodping=\"true\"/><item><title>One</title><pubDate>Mon, 01 Jul "
    "2024 "
    "08:00:00 +0000</pubDate><enclosure "
    "url=\"https://cdn.ex.com/1.mp3\" length=\"10\" type=\"audio/mpeg\"/></item></channel></rss>";

} // namespace

TEST(CliImport, WritesANewProjectFromAFileOrAnAddressAndNeverReplacesOne) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    std::ofstream(tmp.path() + "feed.xml") << kFeed;

    test::ProcessResult r = run({"import", tmp.path() + "feed.xml", "-o", tmp.path() + "a.qprj"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Title: Caf\xC3\xA9 / Cr\xC3\xA8me\nEpisodes: 1\n"
                     "Kept as it stands: channel podcast:podping (1)\nProject: " +
                         tmp.path() + "a.qprj\n");
    std::string bytes;
    ASSERT_TRUE(read_file(tmp.path() + "a.qprj", bytes));
    Doc doc;
    parse_project(doc, bytes);
    ASSERT_EQ(doc.Feeds.size(), 1u);
    EXPECT_EQ(doc.Feeds[0].FeedFileOnFTP, "https://cdn.ex.com/1.mp3");
    EXPECT_NE(doc.ExtraXml.find("<podcast:podping"), std::string::npos);

    // A second import names the project in the way and leaves it alone.
    r = run({"import", tmp.path() + "feed.xml", "-o", tmp.path() + "a.qprj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(tmp.path() + "a.qprj"), std::string::npos) << r.err;
    std::string after;
    ASSERT_TRUE(read_file(tmp.path() + "a.qprj", after));
    EXPECT_EQ(after, bytes);

    EXPECT_EQ(run({"import"}).status, 2);
    EXPECT_EQ(run({"import", "a", "b"}).status, 2);
    r = run({"import", tmp.path() + "missing.xml", "-o", tmp.path() + "m.qprj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(file_exists(tmp.path() + "m.qprj"));

    test::HttpServer server(tmp.path());
    ASSERT_TRUE(server.running());
    r = run({"import", server.url("feed.xml"), "-o", tmp.path() + "b.qprj"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string fetched;
    ASSERT_TRUE(read_file(tmp.path() + "b.qprj", fetched));
    EXPECT_EQ(fetched, bytes);
    r = run({"import", server.url("gone.xml"), "-o", tmp.path() + "c.qprj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("404"), std::string::npos) << r.err;
    EXPECT_FALSE(file_exists(tmp.path() + "c.qprj"));
}

TEST(CliImport, DownloadsTheEpisodesCheckedAgainstTheirLength) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    std::string audio;
    for (int k = 0; k < 3000; ++k)
        audio += static_cast<char>(k * 7 % 251);
    std::ofstream(tmp.path() + "ep.mp3", std::ios::binary) << audio;
    test::HttpServer server(tmp.path());
    ASSERT_TRUE(server.running());
    const auto feed = [&](const std::string& length) {
        return "<rss version=\"2.0\"><channel><title>T</title><link>https://ex.com/</link><item>"
               "<pubDate>Mon, 01 Jul 2024 08:00:00 +0000</pubDate><enclosure url=\"" +
               server.url("ep.mp3") + "\" length=\"" + length +
               "\" type=\"audio/mpeg\"/></item></channel></rss>";
    };
    std::ofstream(tmp.path() + "good.xml") << feed("3000");
    std::ofstream(tmp.path() + "bad.xml") << feed("2999");
    // What an earlier run left; this server ignores ranges, so the part starts again.
    std::filesystem::create_directory(tmp.path() + "media");
    std::ofstream(tmp.path() + "media/ep.mp3.part") << "cut short";

    test::ProcessResult r = run({"import", tmp.path() + "good.xml", "--download-media",
                                 tmp.path() + "media", "-o", tmp.path() + "a.qprj"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string got;
    ASSERT_TRUE(read_file(tmp.path() + "media/ep.mp3", got));
    EXPECT_EQ(got, audio);
    EXPECT_FALSE(file_exists(tmp.path() + "media/ep.mp3.part"));
    std::string bytes;
    ASSERT_TRUE(read_file(tmp.path() + "a.qprj", bytes));
    Doc doc;
    parse_project(doc, bytes);
    ASSERT_EQ(doc.Feeds.size(), 1u);
    EXPECT_EQ(doc.Feeds[0].FeedFile, tmp.path() + "media/ep.mp3");
    EXPECT_EQ(doc.Feeds[0].FeedFileOnFTP, "");
    EXPECT_EQ(doc.Feeds[0].FeedFlag & kUploadFile, kUploadFile);

    r = run({"import", tmp.path() + "bad.xml", "--download-media", tmp.path() + "other", "-o",
             tmp.path() + "b.qprj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("states 2999"), std::string::npos) << r.err;
    EXPECT_FALSE(file_exists(tmp.path() + "b.qprj"));
    EXPECT_FALSE(file_exists(tmp.path() + "other/ep.mp3"));
}
