// quillpost-cli publish end to end, against a real FTP server on loopback.
#include "core/file_io.h"
#include "core/log.h"
#include "core/project_file.h"
#include "net/pyftpd.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qp;

namespace {

std::string shell_quoted(const std::string& arg) {
    std::string q = "'";
    for (const char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CliPublish : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running());
        char tmpl[] = "/tmp/qp-cli-publish-XXXXXX";
        ASSERT_TRUE(::mkdtemp(tmpl));
        dir_ = std::string(tmpl) + "/";
        ASSERT_TRUE(write_file(dir_ + "ep1.mp3", std::string(50000, 'e')));
        ASSERT_EQ(::mkdir((dir_ + "Lang").c_str(), 0700), 0);
        ASSERT_TRUE(write_file(dir_ + "Lang/Test.Lng", "FTP\\Send.Ok=Sent in\r\n"
                                                       "FTP\\Send.Finished=%s1% published\r\n"
                                                       "FTP\\Send.ErrorFinished=%s2%/%s1% not "
                                                       "sent\r\n"));
        Doc doc;
        DocDefaults(doc);
        doc.Client = "127.0.0.1";
        doc.Port = server_.login().port;
        doc.User = test::PyFtpd::kUser;
        doc.PathFTP = "pod/rss/";
        Feed feed;
        feed.FeedFile = dir_ + "ep1.mp3";
        feed.FeedFileOnFTP = "media/";
        feed.FeedFlag = kUploadFile;
        doc.Feeds = {feed, feed};
        doc.Feeds[1].FeedFile = dir_ + "private.mp3"; // not marked for upload
        doc.Feeds[1].FeedFlag = 0;
        Log log;
        ASSERT_TRUE(SaveDoc(doc, dir_ + "show.qprj", log).saved());
    }
    void TearDown() override { (void)std::system(("rm -rf " + shell_quoted(dir_)).c_str()); }

    // Runs the tool in the test folder, in UTC like the server, without a terminal; env holds
    // extra NAME=value words. Returns the exit status and leaves the output in out_ and err_.
    int run(const std::string& env, const std::vector<std::string>& args) {
        std::string command = "cd " + shell_quoted(dir_) +
                              " && env -u QUILLPOST_FTP_PASSWORD TZ=UTC " + env + " setsid -w " +
                              shell_quoted(QP_CLI_PATH) + " publish";
        for (const auto& a : args)
            command += " " + shell_quoted(a);
        const int raw = std::system((command + " </dev/null >out 2>err").c_str());
        EXPECT_TRUE(read_file(dir_ + "out", out_) && read_file(dir_ + "err", err_));
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    long count(const std::string& prefix) const {
        long n = 0;
        for (std::size_t pos = 0; pos < out_.size();) {
            n += out_.compare(pos, prefix.size(), prefix) == 0;
            const std::size_t end = out_.find('\n', pos);
            pos = end == std::string::npos ? out_.size() : end + 1;
        }
        return n;
    }
    const std::string password_ =
        shell_quoted(std::string("QUILLPOST_FTP_PASSWORD=") + test::PyFtpd::kPassword);
    test::PyFtpd server_;
    std::string dir_;
    std::string out_;
    std::string err_;
};

TEST_F(CliPublish, PublishesEverythingMarkedInTheChosenLanguage) {
    ASSERT_TRUE(write_file(dir_ + "Quillpost.ini", "MainLang=test\r\n"));
    ASSERT_EQ(run(password_, {"show.qprj"}), 0) << out_ << err_;
    EXPECT_EQ(count("Sent in "), 3);
    EXPECT_NE(out_.find("\n3 published\n"), std::string::npos) << out_;
    EXPECT_TRUE(err_.empty()) << err_; // no progress bar without a terminal
    std::string mine;
    std::string theirs;
    for (const auto& [name, remote] : {std::pair<std::string, std::string>{"ep1.mp3", "media/"},
                                       {"show.Xml", "pod/rss/"},
                                       {"show.qprj", "pod/rss/"}}) {
        ASSERT_TRUE(read_file(dir_ + name, mine));
        ASSERT_TRUE(read_file(server_.root() + "/" + remote + name, theirs)) << remote + name;
        EXPECT_EQ(mine, theirs);
    }
    // The settings stay as they were and no log is kept.
    ASSERT_TRUE(read_file(dir_ + "Quillpost.ini", mine));
    EXPECT_EQ(mine, "MainLang=test\r\n");
    EXPECT_FALSE(file_exists(dir_ + "Quillpost.Log"));
}

TEST_F(CliPublish, ExitStatusTellsFailuresAndUsageErrors) {
    EXPECT_EQ(run(password_, {}), 2);
    EXPECT_EQ(run(password_, {"show.qprj", "--bogus"}), 2);
    EXPECT_EQ(run(password_, {"show.qprj", "--password-file"}), 2);
    EXPECT_EQ(run(password_, {"missing.qprj"}), 1);
    ASSERT_TRUE(write_file(dir_ + "pass", std::string(test::PyFtpd::kPassword) + "\r\nmore\n"));
    EXPECT_EQ(run("", {"--password-file", "pass", "--no-date-check", "show.qprj"}), 0) << out_;

    // No password anywhere, and no terminal to ask on.
    EXPECT_EQ(run("", {"show.qprj"}), 1);
    EXPECT_NE(err_.find("QUILLPOST_FTP_PASSWORD"), std::string::npos) << err_;

    // A language without a file is a usage error that names the languages there are.
    EXPECT_EQ(run(password_, {"--lang", "none", "show.qprj"}), 2);
    EXPECT_NE(err_.find("languages found: "), std::string::npos) << err_;
    EXPECT_NE(err_.find("test"), std::string::npos) << err_;
    EXPECT_TRUE(out_.empty()) << out_;

    // A refused login names the server and the reason.
    EXPECT_EQ(run("QUILLPOST_FTP_PASSWORD=wrong", {"--lang", "test", "show.qprj"}), 1);
    EXPECT_EQ(out_, "FTP\\NetWork.Found\nFTP\\Client.NotConnected : 127.0.0.1\n");
    EXPECT_NE(err_.find("PASS refused: 530"), std::string::npos) << err_;

    // An enclosure that is empty on disk is not sent, so the run fails.
    ASSERT_TRUE(write_file(dir_ + "ep1.mp3", ""));
    EXPECT_EQ(run(password_, {"--lang", "test", "show.qprj"}), 1);
    EXPECT_EQ(count("FTP\\Send.FileNotFound"), 1);
    EXPECT_NE(out_.find("\n1/3 not sent\n"), std::string::npos) << out_;
}

} // namespace
