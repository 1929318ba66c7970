// The client against a real FTP server on loopback.
#include "net/ftp_client.h"
#include "net/random_bytes.h"
#include "pyftpd.h"

#include "core/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <semaphore>
#include <thread>

using namespace qp;
using namespace qp::net;
using qp::test::PyFtpd;

namespace {

class FtpServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running()) << "pyftpdlib did not start";
        ASSERT_TRUE(tmp_.ok());
        FtpOptions options;
        options.timeout_ms = 5000;
        client_ = Ftp_Open(server_.login(), options).value_or(nullptr);
        ASSERT_TRUE(Ftp_IsOpen(client_.get()));
    }

    std::string local_file(const std::string& name, const std::string& content) {
        const std::string path = tmp_.path() + name;
        EXPECT_TRUE(write_file(path, content));
        return path;
    }
    // Waits (bounded) for the end of an asynchronous upload and returns its final state.
    TransferState wait_for_end() {
        for (int i = 0; i < 6000 && client_->progress().running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return client_->progress().state;
    }
    std::string remote(const std::string& name) {
        std::string content;
        EXPECT_TRUE(read_file(server_.root() + "/" + name, content)) << name;
        return content;
    }

    PyFtpd server_;
    qp::test::TempDir tmp_;
    std::unique_ptr<FtpClient> client_;
};

std::string random_bytes(std::size_t size) {
    return test::random_bytes(size, 42);
}

} // namespace

TEST_F(FtpServer, WrongPasswordIsRefused) {
    EXPECT_EQ(Ftp_Open(server_.login("wrong")).kind(), ErrorKind::AuthRefused);
    EXPECT_TRUE(client_->check_alive());
}

TEST_F(FtpServer, FoldersAndListing) {
    EXPECT_EQ(client_->get_directory(), "/");
    ASSERT_EQ(client_->create_directory("pod casts").error_text(), "");
    EXPECT_EQ(client_->set_directory("missing").kind(), ErrorKind::Refused);
    ASSERT_EQ(client_->set_directory("pod casts").error_text(), "");
    EXPECT_EQ(client_->get_directory(), "/pod casts");
    ASSERT_EQ(client_->set_directory("..").error_text(), "");
    EXPECT_EQ(client_->get_directory(), "/");

    ASSERT_TRUE(write_file(server_.root() + "/feed.xml", "12345"));
    ASSERT_EQ(client_->list_directory().error_text(), "");
    const auto& entries = client_->entries();
    ASSERT_EQ(entries.size(), 2u);
    for (const FtpEntry& e : entries) {
        EXPECT_EQ(e.type, e.name == "pod casts" ? EntryType::Directory : EntryType::File) << e.line;
        if (e.type == EntryType::File) {
            EXPECT_EQ(e.name, "feed.xml");
            EXPECT_EQ(e.size, 5);
        }
    }
}

TEST_F(FtpServer, UploadsArriveByteForByte) {
    const std::string big = random_bytes(3 * 1024 * 1024 + 17);
    const std::pair<std::string, std::string> files[] = {
        {"small.xml", "<rss/>"}, {"empty.bin", ""}, {"big.bin", big}};
    for (const auto& [name, content] : files) {
        ASSERT_EQ(client_->send_file(local_file(name, content), name, SendMode::Background)
                      .status.error_text(),
                  "")
            << name;
        EXPECT_EQ(wait_for_end(), TransferState::Done) << name;
        ASSERT_TRUE(file_exists(server_.root() + "/" + name)) << name;
        EXPECT_TRUE(remote(name) == content) << name;
    }
    EXPECT_NE(client_->send_file(server_.root() + "/no such file", "x.bin", SendMode::Wait)
                  .status.error_text(),
              "");
    EXPECT_TRUE(client_->check_alive());
}

TEST_F(FtpServer, AbortStopsAnUploadAndKeepsTheSession) {
    const std::string path = local_file("abort.bin", std::string(128 << 20, 'a'));
    ASSERT_EQ(client_->send_file(path, "abort.bin", SendMode::Background).status.error_text(), "");
    for (int i = 0; i < 5000 && client_->progress().sent <= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    client_->abort_file();
    EXPECT_EQ(client_->progress().state, TransferState::Failed);
    EXPECT_LT(remote("abort.bin").size(), std::size_t{128} << 20);
    EXPECT_TRUE(client_->check_alive());
    EXPECT_TRUE(remove_file(path));
}

TEST_F(FtpServer, TheEndOfAnUploadIsPublishedOnlyOnceTheConnectionIsFree) {
    // The worker stops right before it publishes the final state of its first transfer.
    std::binary_semaphore at_end{0};
    std::binary_semaphore go_on{0};
    std::atomic<bool> paused{false};
    FtpOptions options;
    options.timeout_ms = 5000;
    options.on_transfer_end = [&] {
        if (!paused.exchange(true)) {
            at_end.release();
            go_on.acquire();
        }
    };
    auto client = Ftp_Open(server_.login(), options).value_or(nullptr);
    ASSERT_TRUE(client);
    ASSERT_EQ(client->create_directory("media").error_text(), "");
    ASSERT_EQ(client->set_directory("media").error_text(), "");
    ASSERT_EQ(client->send_file(local_file("ep.mp3", "episode"), "ep.mp3", SendMode::Background)
                  .status.error_text(),
              "");
    ASSERT_TRUE(at_end.try_acquire_for(std::chrono::seconds(10)));
    // A poll now must not take the transfer for ended.
    const TransferProgress state = client->progress();
    go_on.release();
    EXPECT_TRUE(state.running());
    for (int i = 0; i < 1000 && client->progress().state != TransferState::Done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(client->progress().state, TransferState::Done);
    // Seen ended, the connection takes the next steps at once, in the right folder.
    EXPECT_EQ(client->set_directory("..").error_text(), "");
    EXPECT_EQ(client->get_directory(), "/");
    EXPECT_EQ(client->send_file(local_file("feed.xml", "<rss/>"), "feed.xml", SendMode::Wait)
                  .status.error_text(),
              "");
    EXPECT_EQ(remote("feed.xml"), "<rss/>");
    EXPECT_EQ(remote("media/ep.mp3"), "episode");
}
