// The publishing job with the real client against a real server on loopback.
#include "net/ftp_job.h"

#include "core/channel_settings.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/rss_create.h"
#include "net/ftp_client.h"
#include "net/http_check.h"
#include "net/http_server.h"
#include "net/job_run.h"
#include "net/pyftpd.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

using namespace qp;
using namespace qp::net;

namespace {

void set_mtime(const std::string& path, std::int64_t utc) {
    const struct timespec times[2] = {{utc, 0}, {utc, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// Publishes as the window does after "Ok"; -1 when the job does not end within 30 s.
int publish(FTPJob& job, std::vector<std::string>& lines) {
    job.password = test::PyFtpd::kPassword;
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams());
    EXPECT_EQ(sender.connect().error_text(), "");
    const bool ended = test::poll_until(sender, [&] { return sender.finished(); });
    lines = sender.lines();
    return ended ? (sender.succeeded() ? 1 : 0) : -1;
}

int publish(const Doc& doc, const RssCreateResult& made, std::vector<std::string>& lines) {
    FTPJob job;
    ftp_add_uploads(job, made.job, doc);
    ftp_add_feed_files(job, doc, made.rss_path);
    return publish(job, lines);
}

long count(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.starts_with(prefix); });
}

TEST(FtpPublish, SendsIntoNewFoldersThenOnlyWhatChanged) {
    test::PyFtpd server;
    ASSERT_TRUE(server.running());
    // The server lists its files in UTC; the local dates are read in UTC too.
    FixedClock clock{std::time(nullptr), 0};
    ScopedClock scoped{clock};
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string& dir = tmp.path();
    const std::pair<const char*, std::string> local[] = {{"ep1.mp3", std::string(70000, 'A')},
                                                         {"ep2.ogg", "second episode"},
                                                         {"private.mp3", "not for upload"},
                                                         {"empty.mp3", ""}};
    Doc doc;
    DocDefaults(doc);
    doc.FileName = dir + "show.qprj";
    doc.Client = "127.0.0.1";
    doc.Port = server.login().port;
    doc.Protocol = Protocol::Ftp;
    doc.User = test::PyFtpd::kUser;
    doc.PathFTP = "site/feeds/";
    doc.ProjectPrivate = 0; // as a project read from a file made before the choice
    const char* on_ftp[] = {"media/2024/", "\\media\\archive\\second.ogg", "media/", "media/"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(write_file(dir + local[i].first, local[i].second));
        Feed f;
        f.FeedFile = dir + local[i].first;
        f.FeedFileOnFTP = on_ftp[i];
        f.FeedFlag = i == 2 ? 0 : kUploadFile;
        doc.Feeds.push_back(f);
    }
    Log log;
    const RssCreateResult made = Rss_Create(doc, log, Paths(dir, dir, "/opt/", ""));
    ASSERT_TRUE(made.error.empty()) << made.error;
    // Everything local is older than what the server will hold.
    for (const char* name : {"ep1.mp3", "ep2.ogg", "show.qprj", "show.Xml"})
        set_mtime(dir + name, std::time(nullptr) - 3600);

    std::vector<std::string> lines;
    EXPECT_EQ(publish(doc, made, lines), 0); // the empty file is not sent
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 4);
    EXPECT_EQ(count(lines, "FTP\\Send.FileNotFound"), 1);
    EXPECT_EQ(lines.back(), "FTP\\Send.ErrorFinished[5][1]");
    std::string mine;
    std::string theirs;
    for (const auto& [name, remote] :
         {std::pair<std::string, std::string>{"ep1.mp3", "site/feeds/media/2024/ep1.mp3"},
          {"ep2.ogg", "site/feeds/media/archive/second.ogg"},
          {"show.qprj", "site/feeds/show.qprj"},
          {"show.Xml", "site/feeds/show.Xml"}}) {
        ASSERT_TRUE(read_file(dir + name, mine));
        ASSERT_TRUE(read_file(server.root() + "/" + remote, theirs)) << remote;
        EXPECT_EQ(mine, theirs) << remote;
    }
    EXPECT_FALSE(file_exists(server.root() + "/site/feeds/media/private.mp3"));
    EXPECT_FALSE(file_exists(server.root() + "/site/feeds/media/empty.mp3"));

    // Nothing changed: every file the server holds is skipped.
    EXPECT_EQ(publish(doc, made, lines), 0);
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 0);
    EXPECT_EQ(count(lines, "FTP\\Send.TooOldFile"), 4);

    // One file changes: only it goes again.
    ASSERT_TRUE(write_file(dir + "ep2.ogg", "second episode, edited"));
    set_mtime(dir + "ep2.ogg", std::time(nullptr) + 120);
    EXPECT_EQ(publish(doc, made, lines), 0);
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 1);
    EXPECT_EQ(count(lines, "FTP\\Send.TooOldFile"), 3);
    ASSERT_TRUE(read_file(server.root() + "/site/feeds/media/archive/second.ogg", theirs));
    EXPECT_EQ(theirs, "second episode, edited");
}

TEST(FtpPublish, ACutCopyIsSentAgainAndDatesCompareInUtc) {
    test::PyFtpd server;
    ASSERT_TRUE(server.running());
    const std::int64_t now = std::time(nullptr);
    FixedClock clock{now, -5 * 3600}; // west of UTC
    ScopedClock scoped{clock};
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string& dir = tmp.path();
    const std::string episode(4 << 20, 'e');
    ASSERT_TRUE(write_file(dir + "ep.mp3", episode));
    set_mtime(dir + "ep.mp3", now - 3600);
    {
        // An earlier upload cut short left part of the file under its final name. The same
        // folder served slowly lets the upload be cut mid-way.
        test::PyFtpd slow(256 * 1024, server.root());
        ASSERT_TRUE(slow.running());
        FtpOptions options;
        options.timeout_ms = 5000;
        auto client = Ftp_Open(slow.login(), options).value_or(nullptr);
        ASSERT_TRUE(client);
        ASSERT_EQ(
            client->send_file(dir + "ep.mp3", "ep.mp3", SendMode::Background).status.error_text(),
            "");
        for (int i = 0; i < 2000 && client->progress().sent <= 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        client->abort_file();
    }
    std::string theirs;
    ASSERT_TRUE(read_file(server.root() + "/ep.mp3", theirs));
    ASSERT_LT(theirs.size(), episode.size());
    // The server's copy of this one has the right size and is ten minutes older in UTC, but
    // its listed time reads five hours later than the local wall clock.
    ASSERT_TRUE(write_file(dir + "west.xml", "<rss/>"));
    set_mtime(dir + "west.xml", now - 600);
    ASSERT_TRUE(write_file(server.root() + "/west.xml", "<old>"));
    set_mtime(server.root() + "/west.xml", now - 1200);

    FTPJob job;
    for (const char* name : {"ep.mp3", "west.xml"}) {
        FTPFile file;
        file.local_file = dir + name;
        file.remote_path = name;
        job.files.push_back(file);
    }
    job.server = "127.0.0.1";
    job.port = server.login().port;
    job.user = test::PyFtpd::kUser;
    std::vector<std::string> lines;
    EXPECT_EQ(publish(job, lines), 1);
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 2);
    ASSERT_TRUE(read_file(server.root() + "/ep.mp3", theirs));
    EXPECT_TRUE(theirs == episode);
    ASSERT_TRUE(read_file(server.root() + "/west.xml", theirs));
    EXPECT_EQ(theirs, "<rss/>");
}

// Every http address the feed file names.
std::vector<std::string> feed_addresses(const std::string& xml, const std::string& site) {
    std::vector<std::string> out;
    for (std::size_t at = xml.find(site); at != std::string::npos; at = xml.find(site, at + 1)) {
        const std::size_t end = xml.find_first_of("\"<", at);
        out.push_back(xml.substr(at, end - at));
    }
    return out;
}

// A new user's set-up: the default settings of a new document, the channel's FTP folder, the
// channel link its public address, artwork chosen on disk. The web server serves the FTP root.
TEST(FtpPublish, EveryAddressOfTheFeedIsFoundWhereListenersFetchIt) {
    test::PyFtpd ftp;
    ASSERT_TRUE(ftp.running());
    test::HttpServer web(ftp.root());
    ASSERT_TRUE(web.running());
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string& dir = tmp.path();
    Doc doc;
    DocDefaults(doc);
    doc.FileName = dir + "show.qprj";
    doc.Client = "127.0.0.1";
    doc.Port = ftp.login().port;
    doc.Protocol = Protocol::Ftp;
    doc.User = test::PyFtpd::kUser;
    doc.PathFTP = "podcast/";
    doc.Link = web.url("podcast/");
    doc.Flag |= kITunesInclude;
    doc.ImageFile = "cover.png";
    ASSERT_TRUE(write_file(dir + "cover.png", "\x89PNG picture"));
    const std::pair<const char*, const char*> items[] = {
        {"ep1.mp3", ""}, {"ep2.mp3", "2024/"}, {"ep3.mp3", "third.mp3"}};
    for (const auto& [name, on_ftp] : items) {
        ASSERT_TRUE(write_file(dir + name, std::string(3000, name[2])));
        Feed& f = doc.Feeds.emplace_back();
        f.FeedFile = dir + name;
        f.FeedFileOnFTP = on_ftp;
        f.FeedFlag = kUploadFile;
    }
    Log log;
    const Paths paths(dir, dir, "/opt/", "");
    RssCreateResult made = Rss_Create(doc, log, paths);
    ASSERT_TRUE(made.error.empty()) << made.error;

    std::vector<std::string> lines;
    EXPECT_EQ(publish(doc, made, lines), 1);
    EXPECT_EQ(lines.back(), "FTP\\Send.Finished[5]"); // the project file stays private
    EXPECT_FALSE(file_exists(ftp.root() + "/podcast/show.qprj"));
    std::string xml;
    ASSERT_TRUE(read_file(ftp.root() + "/podcast/show.Xml", xml));
    std::vector<AddressProbe> probes;
    for (const std::string& url : feed_addresses(xml, web.url()))
        probes.push_back({url, std::nullopt});
    // The links, the image (twice: image and itunes:image) and three enclosures at least.
    ASSERT_GE(probes.size(), 6U) << xml;
    probes.push_back({channel_public_link(doc), std::nullopt});
    for (const AddressAnswer& a : http_check_addresses(probes, {})) {
        EXPECT_TRUE(a.found) << a.status << " " << a.error;
        EXPECT_EQ(a.status, 200);
    }

    // An item path written from the server's root, as users had to: it still lands there, so its
    // address in the feed, the link followed by that path, is not found, and the check says so.
    Feed& old = doc.Feeds.emplace_back(doc.Feeds[0]);
    ASSERT_TRUE(write_file(dir + "ep4.mp3", "fourth"));
    old.FeedFile = dir + "ep4.mp3";
    old.FeedFileOnFTP = "podcast/ep4.mp3";
    made = Rss_Create(doc, log, paths);
    ASSERT_TRUE(made.error.empty()) << made.error;
    EXPECT_EQ(publish(doc, made, lines), 0);
    EXPECT_TRUE(file_exists(ftp.root() + "/podcast/ep4.mp3"));
    EXPECT_EQ(count(lines, "FTP\\Check.NotFound[" + web.url("podcast/podcast/ep4.mp3") + "][404]"),
              1);
    EXPECT_EQ(count(lines, "FTP\\Check.NotFound"), 1);
    EXPECT_EQ(lines.back(), "FTP\\Check.Missing[6][1]");
}

TEST(HttpCheck, TellsFoundMissingWrongSizeAndSilentAddressesWithinTheDeadline) {
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    ASSERT_TRUE(write_file(tmp.path() + "a.mp3", "12345"));
    test::HttpServer web(tmp.path());
    ASSERT_TRUE(web.running());
    // A port that listens but never answers: the deadline ends its wait.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const std::string quiet = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x";

    HttpCheckOptions options;
    options.total_ms = 1500;
    const auto started = std::chrono::steady_clock::now();
    const std::vector<AddressAnswer> got = http_check_addresses({{web.url("a.mp3"), 5},
                                                                 {web.url("a.mp3"), 6},
                                                                 {web.url("b.mp3"), std::nullopt},
                                                                 {quiet, std::nullopt}},
                                                                options);
    const auto took = std::chrono::steady_clock::now() - started;
    ::close(silent);
    ASSERT_EQ(got.size(), 4U);
    EXPECT_TRUE(got[0].found);
    EXPECT_FALSE(got[1].found);
    EXPECT_EQ(got[1].length, 5);
    EXPECT_FALSE(got[2].found);
    EXPECT_EQ(got[2].status, 404);
    EXPECT_FALSE(got[3].found);
    EXPECT_EQ(got[3].status, 0);
    EXPECT_FALSE(got[3].error.empty());
    EXPECT_LT(took, std::chrono::milliseconds(3000));
}

} // namespace
