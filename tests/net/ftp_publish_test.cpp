// The publishing job with the real client against a real server on loopback.
#include "net/ftp_job.h"

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/rss_create.h"
#include "net/ftp_client.h"
#include "net/job_run.h"
#include "net/pyftpd.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
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
    EXPECT_EQ(sender.Connect(), "");
    const bool ended = test::poll_until(sender, [&] { return sender.finished(); });
    lines = sender.lines();
    return ended ? sender.result() : -1;
}

int publish(const Doc& doc, const RssCreateResult& made, std::vector<std::string>& lines) {
    FTPJob job;
    FTP_AddUploads(job, made.job);
    FTP_AddFeedFiles(job, doc, made.rss_path);
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
    doc.Protocol = kProtocolFtp;
    doc.User = test::PyFtpd::kUser;
    doc.PathFTP = "site/feeds/";
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
         {std::pair<std::string, std::string>{"ep1.mp3", "media/2024/ep1.mp3"},
          {"ep2.ogg", "media/archive/second.ogg"},
          {"show.qprj", "site/feeds/show.qprj"},
          {"show.Xml", "site/feeds/show.Xml"}}) {
        ASSERT_TRUE(read_file(dir + name, mine));
        ASSERT_TRUE(read_file(server.root() + "/" + remote, theirs)) << remote;
        EXPECT_EQ(mine, theirs) << remote;
    }
    EXPECT_FALSE(file_exists(server.root() + "/media/private.mp3"));
    EXPECT_FALSE(file_exists(server.root() + "/media/empty.mp3"));

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
    ASSERT_TRUE(read_file(server.root() + "/media/archive/second.ogg", theirs));
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
        auto client = Ftp_Open(slow.login(), options).client;
        ASSERT_TRUE(client);
        ASSERT_EQ(client->SendFile(dir + "ep.mp3", "ep.mp3", SendMode::Background).error, "");
        for (int i = 0; i < 2000 && client->Progress() <= 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        client->AbortFile();
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

} // namespace
