// The client against a scripted server, for what a real server will not do.
#include "net/ftp_client.h"
#include "scripted_ftp_server.h"

#include "core/clock.h"
#include "core/file_io.h"
#include "net/ftp_job.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <thread>

using namespace qp;
using namespace qp::net;
using qp::test::ScriptedFtpServer;
using qp::test::Step;
using Strings = std::vector<std::string>;

namespace {

FtpOptions options_of(int timeout_ms) {
    FtpOptions options;
    options.timeout_ms = timeout_ms;
    return options;
}

const FtpOptions kQuick = options_of(1000);

std::vector<Step> login_steps() {
    return {{"USER u", "331 Password please\r\n"}, {"PASS p", "230 Logged in\r\n"}};
}

std::vector<Step> with_login(std::vector<Step> more) {
    std::vector<Step> steps = login_steps();
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

std::unique_ptr<FtpClient> open(const ScriptedFtpServer& server, FtpOptions options = kQuick) {
    return Ftp_Open(FtpLogin{"127.0.0.1", "u", "p", server.port(), true, Protocol::Ftp, {}},
                    options)
        .value_or(nullptr);
}

// One folder for the whole run, removed when the program ends.
std::string temp_file(const std::string& name, const std::string& content) {
    static const qp::test::TempDir dir;
    EXPECT_TRUE(dir.ok());
    const std::string path = dir.path() + name;
    EXPECT_TRUE(write_file(path, content));
    return path;
}

} // namespace

TEST(FtpClientScripted, MultiLineGreetingAndLogin) {
    ScriptedFtpServer server("220-Hello\r\nsome words\r\n220 Ready\r\n",
                             {{"USER u", "331 Password please\r\n"},
                              {"PASS p", "230-Welcome\r\n 230 text\r\n230 Logged in\r\n"},
                              {"PWD", "257 \"/home dir\" is current\r\n"},
                              {"CDUP", "200 Ok\r\n"},
                              {"CWD a b", "550 No such folder\r\n"}});
    {
        auto client = open(server);
        ASSERT_TRUE(Ftp_IsOpen(client.get()));
        EXPECT_EQ(client->get_directory(), "/home dir");
        EXPECT_EQ(client->set_directory("..").error_text(), "");
        EXPECT_NE(client->set_directory("a b").error_text(), "");
    }
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "PWD", "CDUP", "CWD a b", "QUIT"}));
}

TEST(FtpClientScripted, RefusesLoginWithoutPassword) {
    ScriptedFtpServer server("220 Ready\r\n", {{"USER u", "230 Come in\r\n"}});
    EXPECT_EQ(open(server), nullptr);
    EXPECT_EQ(server.commands(), Strings{"USER u"});
}

TEST(FtpClientScripted, SilentOrRunawayServersFailTheOperation) {
    ScriptedFtpServer silent("220 Ready\r\n", {{"USER u", ""}});
    EXPECT_EQ(open(silent, options_of(200)), nullptr);
    EXPECT_EQ(silent.commands(), Strings{"USER u"});

    ScriptedFtpServer runaway("220 " + std::string(100000, 'x') + "\r\n", {});
    EXPECT_EQ(open(runaway), nullptr);
    EXPECT_EQ(
        Ftp_Open(FtpLogin{"127.0.0.1", "u\r\nDELE x", "p", runaway.port(), true, Protocol::Ftp, {}})
            .kind(),
        ErrorKind::BadInput);
}

TEST(FtpClientScripted, ListingConnectsToTheControlPeerNotTheNamedHost) {
    // The reply names 127.0.0.2 after words; the listener is on 127.0.0.1 only.
    ScriptedFtpServer server(
        "220 Ready\r\n", with_login({{"TYPE A", "200 Ok\r\n"},
                                     {"PASV", "227 Entering passive mode 127,0,0,2,{p1},{p2}\r\n"},
                                     {"LIST", "150 Here it comes\r\n", Step::Data::Send,
                                      "drwxr-xr-x 2 a b 4096 Dec 24 10:00 Feed.xml\r\n"
                                      "-rw-r--r--   1 a  b\t 1234 Dec 24 10:00 feed.xml\r\n",
                                      "226 Done\r\n"}}));
    FixedClock clock(date_from_fields(2024, 6, 15, 12, 0, 0), 0);
    ScopedClock scoped(clock);
    {
        auto client = open(server);
        ASSERT_TRUE(client);
        ASSERT_EQ(client->list_directory().error_text(), "");
        const auto& entries = client->entries();
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].type, EntryType::Directory);
        EXPECT_EQ(entries[1].type, EntryType::File);
        EXPECT_EQ(entries[1].size, 1234);
        EXPECT_EQ(entries[1].date, date_from_fields(2023, 12, 24, 10, 0, 0));
        client->end_listing();
        EXPECT_TRUE(client->entries().empty());
    }
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "TYPE A", "PASV", "LIST", "QUIT"}));
}

TEST(FtpClientScripted, StoredOnlyWhenTheServerConfirms) {
    const std::string content(10000, 'q');
    const std::string path = temp_file("scripted_upload.bin", content);
    const auto upload = [&](const std::string& final_reply) {
        ScriptedFtpServer server(
            "220 Ready\r\n",
            with_login({{"TYPE I", "200 Ok\r\n"},
                        {"PASV", "227 Passive (127,0,0,1,{p1},{p2})\r\n"},
                        {"STOR feed.xml", "150 Go\r\n", Step::Data::Receive, "", final_reply}}));
        auto client = open(server);
        EXPECT_TRUE(client);
        if (!client)
            return TransferState::SettingUp;
        const bool sent = client->send_file(path, "feed.xml", SendMode::Wait).status.ok();
        EXPECT_EQ(sent, client->progress().state == TransferState::Done);
        const TransferState state = client->progress().state;
        client.reset();
        EXPECT_EQ(server.received(), content);
        return state;
    };
    EXPECT_EQ(upload("226 Stored\r\n"), TransferState::Done);
    EXPECT_EQ(upload("451 Local error\r\n"), TransferState::Failed);
    // Only the final line's code counts, whatever the text lines begin with.
    EXPECT_EQ(upload("451-Local error\r\n226 Transfer complete\r\n451 Not stored\r\n"),
              TransferState::Failed);
    EXPECT_EQ(upload("552 Quota exceeded\r\n"), TransferState::Failed);
    EXPECT_EQ(upload(""), TransferState::Failed); // no reply within the time-out
}

TEST(FtpClientScripted, DroppedDataConnectionFailsTheUpload) {
    const std::string path = temp_file("scripted_drop.bin", std::string(32 << 20, 'd'));
    ScriptedFtpServer server(
        "220 Ready\r\n",
        with_login({{"TYPE I", "200 Ok\r\n"},
                    {"PASV", "227 Passive (127,0,0,1,{p1},{p2})\r\n"},
                    {"STOR big.bin", "150 Go\r\n", Step::Data::Drop, "", "426 Connection lost\r\n"},
                    {"PWD", "257 \"/\"\r\n"}}));
    auto client = open(server);
    ASSERT_TRUE(client);
    ASSERT_EQ(client->send_file(path, "big.bin", SendMode::Background).status.error_text(), "");
    for (int i = 0; i < 1000 && client->progress().running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(client->progress().state, TransferState::Failed);
    EXPECT_TRUE(client->check_alive()); // the control connection stays in step
    EXPECT_TRUE(remove_file(path));
}

TEST(FtpClientScripted, LineBreaksInNamesAreRefusedBeforeSending) {
    ScriptedFtpServer server("220 Ready\r\n", with_login({{"MKD ok", "257 \"ok\" created\r\n"}}));
    {
        auto client = open(server);
        ASSERT_TRUE(client);
        EXPECT_EQ(client->create_directory("a\r\nDELE feed.xml").kind(), ErrorKind::BadInput);
        EXPECT_EQ(client->set_directory("a\nb").kind(), ErrorKind::BadInput);
        EXPECT_NE(client->send_file(temp_file("crlf.bin", "x"), "x\r\nRMD /", SendMode::Background)
                      .status.error_text(),
                  "");
        EXPECT_EQ(client->progress().state, TransferState::Failed);
        EXPECT_EQ(client->create_directory("ok").error_text(), "");
    }
    EXPECT_EQ(server.commands(), (Strings{"USER u", "PASS p", "MKD ok", "QUIT"}));
}

TEST(FtpClientScripted, TricklingRepliesAndListingsFailWithinTheTimeout) {
    // Each byte comes well within the one-second time-out, the whole never does.
    ScriptedFtpServer slow_reply(
        "220 Ready\r\n", with_login({{"PWD", "257-" + std::string(4, '.') + "\r\n257 \"/\"\r\n",
                                      Step::Data::None, "", "", 100}}));
    auto client = open(slow_reply);
    ASSERT_TRUE(client);
    EXPECT_FALSE(client->check_alive());
    client.reset();

    ScriptedFtpServer slow_listing(
        "220 Ready\r\n",
        with_login({{"TYPE A", "200 Ok\r\n"},
                    {"PASV", "227 Passive (127,0,0,1,{p1},{p2})\r\n"},
                    {"LIST", "150 Here it comes\r\n", Step::Data::Send,
                     "-rw-r--r-- 1 a b 5 Dec 24 10:00 feed.xml\r\n", "226 Done\r\n", 40}}));
    client = open(slow_listing);
    ASSERT_TRUE(client);
    EXPECT_NE(client->list_directory().error_text(), "");
    EXPECT_TRUE(client->entries().empty());
    client.reset(); // before the server waits for the connection's end
}

// A job over the real client that is cancelled while the server keeps it waiting; returns the
// commands the server saw. The server's slow step lasts seconds, the cancel comes after 300 ms.
Strings cancel_while_waiting(std::vector<Step> after_login, const std::string& remote_path,
                             bool date_check) {
    ScriptedFtpServer server("220 Ready\r\n", with_login(std::move(after_login)));
    const std::string path = temp_file("cancelled.xml", "<rss/>");
    FTPJob job;
    FTPFile file;
    file.local_file = path;
    file.remote_path = remote_path;
    job.files.push_back(file);
    job.server = "127.0.0.1";
    job.port = server.port();
    job.user = "u";
    job.password = "p";
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams());
    sender.set_date_check(date_check);
    EXPECT_EQ(sender.connect().error_text(), "");
    sender.poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sender.cancel();
    for (int pass = 0; pass < 100 && !sender.finished(); ++pass) {
        sender.poll();
        sender.wait(100);
    }
    EXPECT_TRUE(sender.finished());
    EXPECT_EQ(sender.succeeded(), false);
    sender.close();
    return server.commands();
}

TEST(FtpJobScripted, CancelEndsTheWaitForTheFinalReplyAWalkAndAListing) {
    const std::vector<Step> stor = {
        {"TYPE I", "200 Ok\r\n"},
        {"PASV", "227 Passive (127,0,0,1,{p1},{p2})\r\n"},
        {"STOR .feed.xml.part", "150 Go\r\n", Step::Data::Receive, "", "226 Stored\r\n", 3000}};
    std::vector<Step> steps = {{"PWD", "257 \"/\"\r\n"}};
    steps.insert(steps.end(), stor.begin(), stor.end());
    EXPECT_EQ(cancel_while_waiting(steps, "feed.xml", false).back(), "STOR .feed.xml.part");

    EXPECT_EQ(cancel_while_waiting({{"PWD", "257 \"/\"\r\n"},
                                    {"CWD media", "250 Ok\r\n", Step::Data::None, "", "", 300}},
                                   "media/feed.xml", false)
                  .back(),
              "CWD media");

    EXPECT_EQ(cancel_while_waiting({{"PWD", "257 \"/\"\r\n"},
                                    {"TYPE A", "200 Ok\r\n"},
                                    {"PASV", "227 Passive (127,0,0,1,{p1},{p2})\r\n"},
                                    {"LIST", "150 Here\r\n", Step::Data::Send, std::string(60, ' '),
                                     "226 Done\r\n", 50}},
                                   "feed.xml", true)
                  .back(),
              "LIST");
}
