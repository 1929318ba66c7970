// SFTP against OpenSSH's server on loopback.
#include "net/ftp_job.h"
#include "net/job_run.h"
#include "net/random_bytes.h"
#include "net/sftp_session.h"
#include "net/test_sshd.h"

#include "core/file_io.h"
#include "core/texts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace qp;
using namespace qp::net;

namespace {

class Sftp : public ::testing::Test {
protected:
    void SetUp() override {
        if (sshd_.error() == "the test account needs root")
            GTEST_SKIP() << sshd_.error();
        ASSERT_EQ(sshd_.error(), "");
        ASSERT_TRUE(tmp_.ok());
        known_hosts_ = tmp_.path() + "known_hosts";
        ASSERT_TRUE(write_file(known_hosts_, sshd_.known_hosts_line()));
    }

    FtpLogin login() const {
        return FtpLogin{
            "127.0.0.1", sshd_.user(), sshd_.password(), sshd_.port(), true, Protocol::Sftp, {}};
    }
    FtpOptions options(TrustDecision answer = TrustDecision::Refuse) {
        FtpOptions o;
        o.timeout_ms = 10000;
        o.trust.known_hosts = known_hosts_;
        o.trust.prompt = [this, answer](const TrustQuestion& q) {
            questions_.push_back(q);
            return answer;
        };
        o.trust.warn = [this](const TrustQuestion& w) { warnings_.push_back(w); };
        return o;
    }
    std::string stored(const std::string& path) const {
        std::string content;
        EXPECT_TRUE(read_file(sshd_.home() + "/" + path, content)) << path;
        return content;
    }

    test::TestSshd sshd_;
    test::TempDir tmp_;
    std::string known_hosts_;
    std::vector<TrustQuestion> questions_;
    std::vector<TrustQuestion> warnings_;
};

std::string random_bytes(std::size_t size) {
    return test::random_bytes(size, 11);
}

} // namespace

TEST_F(Sftp, FoldersUploadsAndListing) {
    const SessionOpened opened = open_session(login(), options());
    ASSERT_TRUE(opened.ok()) << opened.error_text();
    FtpSession& s = *opened.value();
    EXPECT_TRUE(questions_.empty());
    EXPECT_TRUE(s.check_alive());

    // The login folder is the top.
    EXPECT_EQ(s.get_directory(), "/");
    EXPECT_EQ(s.set_directory("..").error_text(), "");
    EXPECT_EQ(s.get_directory(), "/");
    EXPECT_NE(s.set_directory("missing").error_text(), "");
    ASSERT_EQ(s.create_directory("pod casts").error_text(), "");
    EXPECT_NE(s.create_directory("pod casts").error_text(), "");
    ASSERT_EQ(s.set_directory("pod casts").error_text(), "");
    EXPECT_EQ(s.get_directory(), "/pod casts");

    const std::string content = random_bytes(2 * 1024 * 1024 + 5);
    ASSERT_TRUE(write_file(tmp_.path() + "big.bin", content));
    ASSERT_TRUE(write_file(tmp_.path() + "empty.bin", ""));
    EXPECT_EQ(s.send_file(tmp_.path() + "big.bin", "big.bin", SendMode::Wait).status.error_text(),
              "");
    EXPECT_EQ(
        s.send_file(tmp_.path() + "empty.bin", "empty.bin", SendMode::Wait).status.error_text(),
        "");
    EXPECT_TRUE(stored("pod casts/big.bin") == content);
    EXPECT_EQ(stored("pod casts/empty.bin"), "");
    EXPECT_NE(s.send_file(tmp_.path() + "none.bin", "none.bin", SendMode::Wait).status.error_text(),
              "");

    // Renaming replaces the old copy.
    ASSERT_TRUE(write_file(tmp_.path() + "new.xml", "<rss>new</rss>"));
    ASSERT_EQ(
        s.send_file(tmp_.path() + "new.xml", "feed.xml.part", SendMode::Wait).status.error_text(),
        "");
    ASSERT_TRUE(write_file(sshd_.home() + "/pod casts/feed.xml", "old"));
    ASSERT_EQ(s.rename("feed.xml.part", "feed.xml").error_text(), "");
    EXPECT_EQ(stored("pod casts/feed.xml"), "<rss>new</rss>");
    EXPECT_EQ(s.delete_file("empty.bin").error_text(), "");

    ASSERT_EQ(s.create_directory("sub").error_text(), "");
    ASSERT_EQ(s.list_directory().error_text(), "");
    std::vector<std::string> names;
    for (const FtpEntry& e : s.entries()) {
        names.push_back(e.name + (e.type == net::EntryType::Directory ? "/" : ""));
        if (e.name == "big.bin") {
            EXPECT_EQ(e.size, static_cast<std::int64_t>(content.size()));
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "feed.xml", "sub/"}));
    const auto info = file_info(sshd_.home() + "/pod casts/big.bin");
    ASSERT_TRUE(info);
    EXPECT_EQ(s.modification_time("big.bin"), info->mtime_utc);
    EXPECT_EQ(s.modification_time("gone.bin"), std::nullopt);

    // A background upload reports its end; an aborted one fails and leaves the session usable.
    ASSERT_EQ(
        s.send_file(tmp_.path() + "big.bin", "again.bin", SendMode::Background).status.error_text(),
        "");
    for (int i = 0; i < 3000 && s.progress().running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(s.progress().state, TransferState::Done) << s.transfer_error().text;
    EXPECT_TRUE(stored("pod casts/again.bin") == content);
    ASSERT_TRUE(write_file(tmp_.path() + "huge.bin", std::string(64 * 1024 * 1024, 'x')));
    ASSERT_EQ(
        s.send_file(tmp_.path() + "huge.bin", "huge.bin", SendMode::Background).status.error_text(),
        "");
    s.abort_file();
    EXPECT_EQ(s.progress().state, TransferState::Failed);
    // The abort is over: a long call afterwards must not be taken for a cancelled one.
    EXPECT_EQ(s.send_file(tmp_.path() + "huge.bin", "huge.bin", SendMode::Wait).status.error_text(),
              "");
    EXPECT_EQ(s.list_directory().error_text(), "");
}

TEST_F(Sftp, PublishesFoldersLevelByLevelUnderThePartName) {
    ASSERT_TRUE(write_file(tmp_.path() + "ep.mp3", random_bytes(70000)));
    ASSERT_TRUE(write_file(tmp_.path() + "feed.xml", "<rss/>"));
    ASSERT_TRUE(write_file(sshd_.home() + "/feed.xml", "old"));
    FTPJob job;
    test::fill_job(job, login(), tmp_.path(),
                   {{"ep.mp3", "a/b/c/ep.mp3"}, {"feed.xml", "feed.xml"}});
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams(options().trust));
    ASSERT_EQ(sender.connect().error_text(), "");
    ASSERT_TRUE(test::poll_until(sender, [&] { return sender.finished(); }));
    EXPECT_EQ(sender.succeeded(), true);
    std::string local;
    ASSERT_TRUE(read_file(tmp_.path() + "ep.mp3", local));
    EXPECT_TRUE(stored("a/b/c/ep.mp3") == local);
    EXPECT_EQ(stored("feed.xml"), "<rss/>");
    EXPECT_FALSE(file_exists(sshd_.home() + "/" + ftp_part_name("feed.xml")));
}

// The descriptors this process has open.
std::size_t open_descriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

TEST_F(Sftp, AnUnknownHostKeyNeedsTheUsersWord) {
    ASSERT_TRUE(write_file(known_hosts_, ""));
    const std::size_t descriptors = open_descriptors();
    const std::string key = trust_server_key("127.0.0.1", sshd_.port());
    FtpOptions none = options();
    none.trust.prompt = nullptr;
    EXPECT_FALSE(open_session(login(), none).ok());
    const SessionOpened refused = open_session(login(), options());
    EXPECT_EQ(refused.kind(), ErrorKind::Unverified) << refused.error_text();
    ASSERT_EQ(questions_.size(), 1U);
    EXPECT_EQ(questions_[0].server, key);
    EXPECT_EQ(questions_[0].fingerprint, sshd_.fingerprint());

    questions_.clear();
    EXPECT_TRUE(open_session(login(), options(TrustDecision::AcceptOnce)).ok());
    EXPECT_EQ(questions_.size(), 1U);
    FtpOptions stored = options();
    stored.trust.accepted[key] = sshd_.fingerprint();
    questions_.clear();
    EXPECT_TRUE(open_session(login(), stored).ok());
    EXPECT_TRUE(questions_.empty());
    stored.trust.accepted[key] = "SHA256:" + std::string(43, 'A');
    const SessionOpened changed = open_session(login(), stored);
    EXPECT_FALSE(changed.ok());
    EXPECT_EQ(changed.kind(), ErrorKind::IdentityChanged) << changed.error_text();
    EXPECT_TRUE(questions_.empty());

    FtpLogin wrong = login();
    wrong.password = "wrong";
    EXPECT_EQ(open_session(wrong, options(TrustDecision::AcceptOnce)).kind(),
              ErrorKind::AuthRefused);
    EXPECT_EQ(open_descriptors(), descriptors); // every session let go of its connection
}

// The warning names the file and the line that hold the old key, hashed names included.
TEST_F(Sftp, AChangedHostKeyIsRefusedWithoutAsking) {
    for (const bool hashed : {false, true}) {
        ASSERT_TRUE(write_file(known_hosts_, "# mine\nother.example " +
                                                 sshd_.known_hosts_line(false).substr(
                                                     sshd_.known_hosts_line(false).find(' ') + 1) +
                                                 sshd_.known_hosts_line(false)));
        if (hashed) {
            ASSERT_EQ(test::run_process({"/usr/bin/ssh-keygen", "-H", "-f", known_hosts_}).status,
                      0);
        }
        warnings_.clear();
        const SessionOpened opened = open_session(login(), options(TrustDecision::AcceptOnce));
        EXPECT_FALSE(opened.ok());
        EXPECT_EQ(opened.kind(), ErrorKind::IdentityChanged) << opened.error_text();
        EXPECT_TRUE(questions_.empty());
        ASSERT_EQ(warnings_.size(), 1U);
        EXPECT_EQ(warnings_[0].fingerprint, sshd_.fingerprint());
        EXPECT_EQ(warnings_[0].stored_in, known_hosts_ + ", line 3") << hashed;
    }
}
