#include "net/ftp_job.h"

#include "core/file_io.h"
#include "core/publish_plan.h"
#include "net/fake_ftp_session.h"
#include "net/notify_server.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <semaphore>
#include <sys/stat.h>

using namespace qp;
using namespace qp::net;
using qp::net::testing::FakeFtpSession;

namespace {

constexpr std::int64_t kMtime = 1700000000; // UTC
constexpr std::int32_t kOffset = 3600;      // local time is an hour ahead

long count(const std::vector<std::string>& list, const std::string& prefix) {
    return std::count_if(list.begin(), list.end(),
                         [&](const std::string& s) { return s.starts_with(prefix); });
}

// Local files, a job over a fake server, and the window's loop.
struct JobRun {
    qp::test::TempDir tmp;
    std::string dir;
    FTPJob job;
    KeyTexts texts;
    FakeFtpSession* fake = nullptr;
    std::vector<int> sleeps;
    std::int64_t ms = 0;
    FixedClock clock{kMtime, kOffset};
    ScopedClock scoped{clock};
    std::unique_ptr<FtpSender> sender; // kept open after the end, as the window is

    JobRun() : dir(tmp.path()) {}
    ~JobRun() { sender.reset(); }
    void add(const std::string& name, const std::string& content, const std::string& remote) {
        const std::string path = dir + name;
        if (!content.empty() || name.ends_with(".empty")) {
            EXPECT_TRUE(write_file(path, content));
            const struct timespec t[2] = {{kMtime, 0}, {kMtime, 0}};
            ::utimensat(AT_FDCWD, path.c_str(), t, 0);
        }
        FTPFile file;
        file.local_file = path;
        file.remote_path = remote;
        job.files.push_back(file);
    }
    FtpJobSeams seams() {
        FtpJobSeams s;
        s.open = [this](const FtpLogin& login, const std::atomic<bool>*) {
            auto session = std::make_unique<FakeFtpSession>();
            fake = session.get();
            if (login.password != "secret")
                return SessionOpened(make_error(ErrorKind::AuthRefused, "PASS refused: 530 wrong"));
            return SessionOpened(std::unique_ptr<FtpSession>(std::move(session)));
        };
        s.now_ms = [this] { return ms += 1500; };
        s.sleep_ms = [this](int wait) { sleeps.push_back(wait); };
        return s;
    }
    void start(bool date_check = true) {
        job.password = "secret";
        sender = std::make_unique<FtpSender>(job, texts, seams());
        sender->set_date_check(date_check);
        ASSERT_EQ(sender->connect().error_text(), "");
    }
    std::vector<std::string> finish() {
        for (int pass = 0; pass < 1000 && !sender->finished(); ++pass) {
            sender->poll();
            sender->wait(10);
        }
        EXPECT_TRUE(sender->finished());
        EXPECT_EQ(fake->record->commands_during_transfer, 0);
        return sender->lines();
    }
};

TEST(FtpJob, FolderFormsAndElapsedTexts) {
    EXPECT_EQ(FTP_FolderPart(" \\pod\\casts\\ep.mp3 ", false), "pod/casts/");
    EXPECT_EQ(FTP_FolderPart("/pod/casts", true), "pod/casts/");
    EXPECT_EQ(FTP_FolderPart("ep.mp3", false), "");
    EXPECT_EQ(FTP_FolderPart("/", true), "");
    EXPECT_EQ(FTP_ElapsedText(999), "999ms");
    EXPECT_EQ(FTP_ElapsedText(1549), "1.5s");
    EXPECT_EQ(FTP_ElapsedText(10000), "10s");

    Doc doc;
    doc.FileName = "/home/ann/news.qprj";
    doc.PathFTP = "\\site\\rss"; // as a hand-edited project may hold it
    FTPJob job;
    ftp_add_uploads(job, UploadJob{{{"/m/ep1.mp3", "media/ep1.mp3"}}}, doc);
    ftp_add_feed_files(job, doc, "/home/ann/news.Xml");
    ASSERT_EQ(job.files.size(), 3u);
    EXPECT_EQ(job.files[1].remote_path, "site/rss/news.Xml");
    EXPECT_EQ(job.files[2].remote_path, "site/rss/news.qprj");
    // A new document keeps its project private; its local artwork goes beside the feed, at the
    // address the feed gives it unless one was typed.
    FTPJob fresh;
    DocDefaults(doc);
    doc.Link = "https://example.org/pod";
    doc.Format = "RssV2";
    doc.ImageFile = "art/cover.png";
    ftp_add_feed_files(fresh, doc, "/home/ann/news.Xml");
    ASSERT_EQ(fresh.files.size(), 2u);
    EXPECT_EQ(fresh.files[0].address, "https://example.org/pod/news.Xml");
    EXPECT_EQ(fresh.files[1].local_file, "/home/ann/art/cover.png");
    EXPECT_EQ(fresh.files[1].remote_path, "site/rss/cover.png");
    EXPECT_EQ(fresh.files[1].address, "https://example.org/pod/cover.png");
    EXPECT_TRUE(fresh.files[1].address_sized);
    doc.ImageUrl = "https://cdn.example.org/big.png";
    FTPJob typed;
    ftp_add_feed_files(typed, doc, "/home/ann/news.Xml");
    EXPECT_EQ(typed.files[1].address, "https://cdn.example.org/big.png");
    EXPECT_FALSE(typed.files[1].address_sized);
    doc.PathFTP = "";
    ftp_add_feed_files(job, doc, "/home/ann/news.Xml");
    EXPECT_EQ(job.files[3].remote_path, "news.Xml");
}

// The enclosures go into the channel's folder, where the channel link finds them; without a
// channel folder, and for a path already from the server's root, nothing moves.
TEST(FtpJob, EnclosuresGoIntoTheChannelsFolder) {
    Doc doc;
    doc.Link = "http://example.org/pod/";
    Feed feed;
    const auto remote = [&](const char* on_ftp) {
        feed.FeedFileOnFTP = on_ftp;
        return enclosure_remote_path(doc, feed, "/m/ep.mp3");
    };
    EXPECT_EQ(remote("media/"), "media/ep.mp3");
    EXPECT_EQ(remote(""), "ep.mp3");
    doc.PathFTP = "podcast/";
    EXPECT_EQ(remote(""), "podcast/ep.mp3");
    EXPECT_EQ(remote("2024/"), "podcast/2024/ep.mp3");
    EXPECT_EQ(remote("\\media\\a.ogg "), "podcast/media/a.ogg");
    EXPECT_EQ(remote("podcast/ep.mp3"), "podcast/ep.mp3");
    EXPECT_EQ(remote("podcasts/ep.mp3"), "podcast/podcasts/ep.mp3");
    feed.FeedFileOnFTP = "2024/";
    const UploadEntry up = enclosure_upload(doc, feed, "/m/ep.mp3");
    EXPECT_EQ(up.remote_path, "podcast/2024/ep.mp3");
    EXPECT_EQ(up.address, "http://example.org/pod/2024/ep.mp3");

    EXPECT_EQ(channel_image_address(doc), "");
    doc.ImageFile = "/pics/cover.jpg";
    EXPECT_EQ(channel_image_address(doc), "cover.jpg");
    doc.ImageUrl = "img/logo.png";
    EXPECT_EQ(channel_image_address(doc), "img/logo.png");
}

TEST(FtpJob, SortsAndWalksCreatingMissingLevels) {
    JobRun run;
    run.add("b.mp3", "b", "x/y/lower.mp3");
    run.add("a.mp3", "a", "X/Upper.mp3");
    run.add("c.mp3", "c", "x/y/");
    run.add("d.mp3", "d", "x/y/lower.mp3");
    run.start();
    run.fake->folders.insert("x");
    const auto lines = run.finish();
    // Case-sensitive order; equal paths keep theirs.
    EXPECT_EQ(run.job.files[0].remote_path, "X/Upper.mp3");
    EXPECT_EQ(run.job.files[2].local_file, run.dir + "b.mp3");
    EXPECT_EQ(run.job.files[3].local_file, run.dir + "d.mp3");
    EXPECT_EQ(lines[4], "FTP\\Send.File " + run.dir + "c.mp3 FTP\\Send.To x/y/c.mp3");
    EXPECT_EQ(lines[5], "FTP\\Send.Ok 1.5s");
    EXPECT_EQ(run.fake->files["x/y/lower.mp3"].line, run.dir + "d.mp3");
    // "X" and "y" were missing: each refused change is followed by a creation, without a wait
    // since the new folders could be entered at once.
    EXPECT_EQ(count(run.fake->record->commands, "MKD"), 2);
    EXPECT_EQ(run.sleeps, std::vector<int>{});
    EXPECT_EQ(lines.back(), "FTP\\Send.Finished[4]");
    EXPECT_EQ(run.sender->succeeded(), true);
    EXPECT_EQ(run.sender->progress(), 100); // the last file sent shows a full bar
}

TEST(FtpJob, FailuresAreReportedAndTheNextFileIsTried) {
    JobRun run;
    run.add("locked.mp3", "a", "locked/a.mp3");
    run.add("gone.mp3", "", "m/gone.mp3");
    run.add("zero.empty", "", "m/zero.mp3");
    run.add("", "", "m/folder.mp3"); // the local path is a folder
    run.add("ok.mp3", "b", "ok.mp3");
    run.start();
    run.fake->refuse_mkd.insert("locked");
    run.fake->refuse_send = true;
    const auto lines = run.finish();
    EXPECT_EQ(count(run.fake->record->commands, "CWD locked"), 30);
    // The first try is quick; every later one gives the server its moments.
    EXPECT_EQ(run.sleeps.size(), 2U * 29);
    EXPECT_EQ(run.sleeps[0], 10);
    EXPECT_EQ(run.sleeps[1], 100);
    EXPECT_EQ(count(lines, "FTP\\Send.ErrorSetPath"), 1);
    EXPECT_EQ(count(lines, "FTP\\Send.FileNotFound"), 3);
    EXPECT_EQ(count(run.fake->record->commands, "STOR"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "FTP\\Send.Error"), 1);
    EXPECT_EQ(lines.back(), "FTP\\Send.ErrorFinished[5][5]");
    EXPECT_EQ(run.sender->succeeded(), false);
}

TEST(FtpJob, DateCheckSkipsOnlyCopiesOfTheSameSizeNotOlder) {
    JobRun run;
    run.add("same.mp3", "a", "m/same.mp3");
    run.add("newer.mp3", "b", "m/newer.mp3");
    run.add("dir.mp3", "c", "m/dir.mp3");
    run.add("cut.mp3", "full content", "m/cut.mp3");
    run.add("utc.mp3", "d", "m/utc.mp3");
    run.add("west.mp3", "e", "m/west.mp3");
    run.start();
    const DateValue local = kMtime + kOffset;
    run.fake->folders.insert("m");
    run.fake->files["m/same.mp3"] = FtpEntry{"SAME.mp3", "", 1, 0, local};
    run.fake->files["m/newer.mp3"] = FtpEntry{"newer.mp3", "", 1, 0, local - 1};
    run.fake->files["m/dir.mp3"] = FtpEntry{"dir.mp3", "", 1, 0, local + 9, EntryType::Directory};
    // An upload cut short: newer on the server, but not the whole file.
    run.fake->files["m/cut.mp3"] = FtpEntry{"cut.mp3", "", 4, 0, local + 60};
    // MDTM answers in UTC and wins over the listing's clock.
    run.fake->files["m/utc.mp3"] = FtpEntry{"utc.mp3", "", 1, 0, local - 600};
    run.fake->mdtm["m/utc.mp3"] = kMtime;
    run.fake->files["m/west.mp3"] = FtpEntry{"west.mp3", "", 1, 0, local + 600};
    run.fake->mdtm["m/west.mp3"] = kMtime - 1;
    const auto lines = run.finish();
    const auto status = [&](const std::string& remote) {
        for (const FTPFile& f : run.job.files)
            if (f.remote_path == remote)
                return f.status;
        return 99;
    };
    EXPECT_EQ(status("m/dir.mp3"), kFileSent); // a folder of that name is not the file
    EXPECT_EQ(status("m/newer.mp3"), kFileSent);
    EXPECT_EQ(status("m/same.mp3"), kFileSkipped);
    EXPECT_EQ(status("m/cut.mp3"), kFileSent);
    EXPECT_EQ(status("m/utc.mp3"), kFileSkipped);
    EXPECT_EQ(status("m/west.mp3"), kFileSent);
    EXPECT_EQ(count(lines, "FTP\\Send.TooOldFile"), 2);
    EXPECT_EQ(run.sender->succeeded(), true);

    JobRun unchecked;
    unchecked.add("same.mp3", "a", "same.mp3");
    unchecked.start(false);
    unchecked.fake->files["same.mp3"] = FtpEntry{"same.mp3", "", 1, 0, local};
    unchecked.finish();
    EXPECT_EQ(count(unchecked.fake->record->commands, "LIST"), 0);
    EXPECT_EQ(unchecked.job.files[0].status, kFileSent);
}

TEST(FtpJob, AFeedSentIsToldToTheHubAndTheIndexAndAnUnchangedOneIsNot) {
    qp::test::NotifyServer server;
    ASSERT_TRUE(server.running());
    const auto run_with = [&](const std::string& hub, bool on_server) {
        auto run = std::make_unique<JobRun>();
        run->add("feed.Xml", "<rss/>", "feed.Xml");
        run->job.files[0].is_feed = true;
        run->job.check_addresses = false;
        run->job.notice.on = true;
        run->job.notice.feed_url = "https://example.org/feed.Xml";
        run->job.notice.hub = hub;
        run->job.notice.index_address = server.url("200/notify");
        run->start();
        if (on_server)
            run->fake->files["feed.Xml"] = FtpEntry{"feed.Xml", "", 6, 0, kMtime + kOffset};
        run->finish();
        return run;
    };
    auto told = run_with(server.url("204/hub"), false);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_NE(server.requests()[0].find("hub.mode=publish&hub.url=https%3A%2F%2Fexample.org"),
              std::string::npos);
    EXPECT_NE(server.requests()[1].find("/200/notify?url=https%3A%2F%2Fexample.org"),
              std::string::npos);
    EXPECT_EQ(count(told->sender->lines(), "FTP\\Notify.Told"), 2);
    EXPECT_EQ(told->job.notice.answers.size(), 2u);

    // The feed the server already holds did not change: nobody is told.
    run_with(server.url("204/hub"), true);
    EXPECT_EQ(server.requests().size(), 2u);
    // A hub that refuses is named with its answer; the index is still told.
    auto refused = run_with(server.url("503/hub"), false);
    EXPECT_EQ(count(refused->sender->lines(), "FTP\\Notify.NotTold"), 1);
    EXPECT_EQ(count(refused->sender->lines(), "FTP\\Notify.Told"), 1);
    EXPECT_TRUE(refused->sender->succeeded()); // the files are published all the same
}

TEST(FtpJob, UploadsUnderAPartNameAndRenamesIntoPlace) {
    JobRun run;
    run.add("feed.xml", "<rss/>", "feed.xml");
    run.start(false);
    std::atomic<int> notes{0}; // what the window turns into queued calls
    run.sender->set_notify([&] { ++notes; });
    run.finish();
    EXPECT_GT(notes.load(), 0);
    EXPECT_EQ(run.fake->record->commands,
              (std::vector<std::string>{"NOOP", "PWD", "STOR .feed.xml.part", "RNFR .feed.xml.part",
                                        "RNTO feed.xml"}));
    EXPECT_EQ(run.fake->files.count("feed.xml"), 1u);
    EXPECT_EQ(run.fake->files.size(), 1u);

    // A server that refuses the rename gets the file under its final name, and the user is told.
    JobRun refused;
    refused.add("feed.xml", "<rss/>", "feed.xml");
    refused.start(false);
    refused.fake->refuse_rename = true;
    const auto lines = refused.finish();
    EXPECT_EQ(count(lines, "FTP\\Send.RenameRefused[feed.xml][RNFR refused: 550 not allowed]"), 1);
    EXPECT_EQ(count(refused.fake->record->commands, "DELE .feed.xml.part"), 1);
    EXPECT_EQ(refused.fake->files.count("feed.xml"), 1u);
    EXPECT_EQ(refused.sender->succeeded(), true);
}

TEST(FtpJob, EveryFailedFileIsNamedWithItsReasonEscaped) {
    JobRun run;
    run.add("gone.mp3", "", "m/gone.mp3");
    run.add("bad.mp3", "b", "bad\x1b]0;x\x07.mp3");
    run.start();
    run.fake->fail_transfer = true;
    const auto lines = run.finish();
    EXPECT_EQ(count(lines, "FTP\\Send.Failed[m/gone.mp3][the local file is missing]"), 1);
    EXPECT_EQ(count(lines, "FTP\\Send.Failed[bad\\x1B]0;x\\x07.mp3][STOR refused: 451 "
                           "disk\\x1B[2J full]"),
              1);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    EXPECT_EQ(lines.back(), "FTP\\Send.ErrorFinished[2][2]");
}

TEST(FtpJob, TransfersReportProgressAndCancelStopsTheRun) {
    JobRun run;
    run.add("big.mp3", std::string(200, 'x'), "big.mp3");
    run.add("next.mp3", "n", "next.mp3");
    run.add("last.mp3", "l", "last.mp3");
    run.start();
    run.fake->steps = {0, 50, 150};
    // The worker stops at each step while the polling side reads the state.
    std::binary_semaphore at_step{0};
    std::binary_semaphore go_on{0};
    run.fake->on_step = [&](std::int64_t) {
        at_step.release();
        go_on.acquire();
    };
    std::vector<int> seen;
    std::string title;
    run.sender->poll();
    for (int step = 0; step < 4 && at_step.try_acquire_for(std::chrono::seconds(10)); ++step) {
        run.sender->poll();
        seen.push_back(run.sender->progress());
        title = run.sender->title();
        if (step == 3) // the second file: cancel it as the window's button would
            run.sender->cancel();
        go_on.release();
    }
    run.finish();
    EXPECT_EQ(title, "FTP\\Title.Sending[2/3][last.mp3]");
    EXPECT_EQ(seen, (std::vector<int>{0, 25, 75, 0}));
    EXPECT_EQ(run.job.files[0].status, kFileSent);
    EXPECT_EQ(run.job.files[1].status, kFileNotSent);
    EXPECT_EQ(run.job.files[2].status, kFileNotSent); // never started
    EXPECT_EQ(count(run.fake->record->commands, "STOR"), 2);
    EXPECT_EQ(run.fake->record->commands_during_transfer, 0);
    EXPECT_EQ(run.sender->succeeded(), false);
    run.sender->close();
    EXPECT_FALSE(run.job.connection);
}

TEST(FtpJob, ConnectReportsTheNetworkAndTheLogin) {
    JobRun run;
    std::vector<std::string> lines;
    const auto sink = [&](const std::string& l) { lines.push_back(l); };
    FtpJobSeams seams = run.seams();
    run.job.server = "host";
    run.job.password = "wrong";
    const Status refused = FTP_Connect(run.job, seams, run.texts, sink);
    EXPECT_EQ(refused.kind(), ErrorKind::AuthRefused);
    EXPECT_EQ(refused.error_text(), "PASS refused: 530 wrong");
    EXPECT_TRUE(run.job.password.empty());
    run.job.password = "secret";
    EXPECT_EQ(FTP_Connect(run.job, seams, run.texts, sink).error_text(), "");
    seams.net_init = [] { return false; };
    EXPECT_EQ(FTP_Connect(run.job, seams, run.texts, sink).kind(), ErrorKind::Unreachable);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"FTP\\NetWork.Found", "FTP\\Client.NotConnected[host]",
                                        "FTP\\NetWork.Found", "FTP\\Client.Connected[host]",
                                        "FTP\\NetWork.NotFound"}));
}

} // namespace
