// quillpost-cli publish end to end, against a real FTP server on loopback.
#include "core/file_io.h"
#include "core/lines.h"
#include "core/log.h"
#include "core/project_file.h"
#include "net/http_server.h"
#include "net/pyftpd.h"
#include "net/test_certs.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

using namespace qp;

namespace {

class CliPublish : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running());
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path();
        ASSERT_TRUE(write_file(dir_ + "ep1.mp3", std::string(50000, 'e')));
        ASSERT_EQ(::mkdir((dir_ + "Lang").c_str(), 0700), 0);
        ASSERT_TRUE(write_file(dir_ + "Lang/Test.Lng", "FTP\\Send.Ok=Sent in\r\n"
                                                       "FTP\\Send.Finished=%s1% published\r\n"
                                                       "FTP\\Send.ErrorFinished=%s2%/%s1% not "
                                                       "sent\r\n"
                                                       "FTP\\Client.NotConnected=refused by "
                                                       "%s1%\r\n"));
        Doc doc;
        DocDefaults(doc);
        doc.Client = "127.0.0.1";
        doc.Port = server_.login().port;
        doc.Protocol = Protocol::Ftp; // as an older project, which has no protocol line
        doc.User = test::PyFtpd::kUser;
        doc.PathFTP = "pod/rss/";
        doc.ProjectPrivate = 0; // as a project made before the choice
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
    // Runs the tool in the test folder, in UTC like the server, without a terminal (a session
    // of its own); env holds extra NAME=value entries. Returns the exit status and leaves the
    // output in out_ and err_.
    int run(std::vector<std::string> env, const std::vector<std::string>& args) {
        std::vector<std::string> argv = {QP_CLI_PATH, "publish"};
        argv.insert(argv.end(), args.begin(), args.end());
        env.emplace_back("TZ=UTC");
        env.emplace_back("QUILLPOST_HOME=" + (home_.empty() ? dir_ : home_));
        const test::ProcessResult r = test::run_process(
            argv, {.folder = dir_, .env = std::move(env), .unset = {"QUILLPOST_FTP_PASSWORD"}});
        EXPECT_EQ(r.error, "");
        EXPECT_FALSE(r.timed_out);
        out_ = r.out;
        err_ = r.err;
        return r.status;
    }
    long count(const std::string& prefix) const {
        long n = 0;
        LineReader lines(out_);
        while (const auto line = lines.next())
            n += line->starts_with(prefix);
        return n;
    }
    const std::string password_ = std::string("QUILLPOST_FTP_PASSWORD=") + test::PyFtpd::kPassword;
    test::PyFtpd server_;
    test::TempDir tmp_;
    std::string dir_;
    std::string home_; // the tool's own folder; empty for dir_
    std::string out_;
    std::string err_;
};

TEST_F(CliPublish, PublishesEverythingMarkedInTheChosenLanguage) {
    ASSERT_TRUE(write_file(dir_ + "Quillpost.ini", "MainLang=test\r\n"));
    ASSERT_EQ(run({password_}, {"show.qprj"}), 0) << out_ << err_;
    EXPECT_EQ(count("Sent in "), 3);
    EXPECT_NE(out_.find("\n3 published\n"), std::string::npos) << out_;
    // No progress bar without a terminal; only the warning that the password goes in the clear.
    EXPECT_EQ(err_, "quillpost-cli: warning: plain FTP sends the password to 127.0.0.1 in the "
                    "clear; choose FTPS or SFTP in the project's channel settings\n");
    std::string mine;
    std::string theirs;
    for (const auto& [name, remote] :
         {std::pair<std::string, std::string>{"ep1.mp3", "pod/rss/media/"},
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
    EXPECT_EQ(run({password_}, {}), 2);
    EXPECT_EQ(run({password_}, {"show.qprj", "--bogus"}), 2);
    EXPECT_EQ(run({password_}, {"show.qprj", "--password-file"}), 2);
    EXPECT_EQ(run({password_}, {"missing.qprj"}), 1);
    ASSERT_TRUE(write_file(dir_ + "pass", std::string(test::PyFtpd::kPassword) + "\r\nmore\n"));
    EXPECT_EQ(run({}, {"--password-file", "pass", "--no-date-check", "show.qprj"}), 0) << out_;

    // No password anywhere, and no terminal to ask on.
    EXPECT_EQ(run({}, {"show.qprj"}), 1);
    EXPECT_NE(err_.find("QUILLPOST_FTP_PASSWORD"), std::string::npos) << err_;
    // Asked for the keyring, it says why it cannot read one instead of taking another secret.
    EXPECT_EQ(run({password_, "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"},
                  {"--keyring", "show.qprj"}),
              1);
    EXPECT_NE(err_.find("can't read the keyring: "), std::string::npos) << err_;

    // A language without a file is a usage error that names the languages there are.
    EXPECT_EQ(run({password_}, {"--lang", "none", "show.qprj"}), 2);
    EXPECT_NE(err_.find("languages found: "), std::string::npos) << err_;
    EXPECT_NE(err_.find("test"), std::string::npos) << err_;
    EXPECT_TRUE(out_.empty()) << out_;

    // A refused login names the server and the reason.
    EXPECT_EQ(run({"QUILLPOST_FTP_PASSWORD=wrong"}, {"--lang", "test", "show.qprj"}), 1);
    EXPECT_EQ(out_, "FTP\\NetWork.Found\nrefused by 127.0.0.1\n");
    EXPECT_NE(err_.find("PASS refused: 530"), std::string::npos) << err_;

    // An enclosure that is empty on disk is not sent, so the run fails.
    ASSERT_TRUE(write_file(dir_ + "ep1.mp3", ""));
    EXPECT_EQ(run({password_}, {"--lang", "test", "show.qprj"}), 1);
    EXPECT_EQ(count("FTP\\Send.FileNotFound"), 1);
    EXPECT_NE(out_.find("\n1/3 not sent\n"), std::string::npos) << out_;

    // Sent, but a web server serving the FTP root gives nothing at the feed's addresses: the
    // channel link is not the public address of the channel's folder.
    ASSERT_TRUE(write_file(dir_ + "ep1.mp3", "episode"));
    test::HttpServer web(server_.root());
    ASSERT_TRUE(web.running());
    Doc doc;
    ASSERT_EQ(ReadProject(doc, dir_ + "show.qprj").error_text(), "");
    doc.Link = web.url();
    Log log;
    ASSERT_TRUE(SaveDoc(doc, dir_ + "show.qprj", log).saved());
    EXPECT_EQ(run({password_}, {"--lang", "test", "show.qprj"}), 1);
    EXPECT_EQ(count("FTP\\Check.NotFound"), 2) << out_; // the enclosure and the feed
    EXPECT_EQ(count("FTP\\Check.Missing"), 1) << out_;
    EXPECT_EQ(run({password_}, {"--lang", "test", "--no-address-check", "show.qprj"}), 0) << out_;
    doc.Link = web.url("pod/rss/");
    ASSERT_TRUE(SaveDoc(doc, dir_ + "show.qprj", log).saved());
    EXPECT_EQ(run({password_}, {"--lang", "test", "--no-date-check", "show.qprj"}), 0) << out_;
    EXPECT_EQ(count("FTP\\Check."), 0) << out_;
}

// A server the system cannot vouch for is refused unless --trust names its fingerprint, and one
// that shows another identity than the one accepted in the program is refused even then.
TEST_F(CliPublish, AnUnverifiedServerIsRefusedUnlessTrusted) {
    const test::TestCerts certs;
    ASSERT_TRUE(certs.ok());
    const test::PyFtpd secure(0, {}, certs.server_file("self"));
    ASSERT_TRUE(secure.running());
    Doc doc;
    Log log;
    ASSERT_TRUE(LoadDoc(doc, dir_ + "show.qprj", log).ok());
    doc.Port = secure.login().port;
    doc.Protocol = Protocol::Ftps;
    ASSERT_TRUE(SaveDoc(doc, dir_ + "show.qprj", log).saved());
    const std::string fingerprint = certs.fingerprint("self");

    // An identity planted beside the project is not the user's.
    ASSERT_TRUE(write_file(dir_ + "Quillpost.ini",
                           "Trust.127.0.0.1:" + std::to_string(doc.Port) + " = " + fingerprint));
    home_ = dir_ + "home";
    EXPECT_EQ(run({password_}, {"show.qprj"}), 1);
    EXPECT_NE(err_.find("--trust " + fingerprint), std::string::npos) << err_;
    home_.clear();
    ASSERT_TRUE(remove_file(dir_ + "Quillpost.ini"));

    EXPECT_EQ(run({password_}, {"show.qprj"}), 1);
    EXPECT_NE(err_.find("--trust " + fingerprint), std::string::npos) << err_;
    EXPECT_FALSE(file_exists(secure.root() + "/pod/rss/media/ep1.mp3"));

    // Pasted in lower case without its colons, as some tools show it.
    std::string pasted;
    for (const char c : fingerprint)
        if (c != ':')
            pasted += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_EQ(run({password_}, {"--trust", pasted, "show.qprj"}), 0) << out_ << err_;
    std::string mine;
    std::string theirs;
    ASSERT_TRUE(read_file(dir_ + "ep1.mp3", mine));
    ASSERT_TRUE(read_file(secure.root() + "/pod/rss/media/ep1.mp3", theirs));
    EXPECT_EQ(mine, theirs);

    ASSERT_TRUE(write_file(dir_ + "Quillpost.ini", "Trust.127.0.0.1:" + std::to_string(doc.Port) +
                                                       " = " + certs.fingerprint("self2") +
                                                       "\r\n"));
    EXPECT_EQ(run({password_}, {"--trust", fingerprint, "show.qprj"}), 1);
    EXPECT_NE(err_.find("another identity"), std::string::npos) << err_;
}

// While the tool holds the password, other processes of the user find it neither in the tool's
// environment nor in a core file.
TEST_F(CliPublish, ThePasswordLeavesNoTraceOutsideTheProcess) {
    // A server that takes the connection and never greets keeps the tool waiting.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), size), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &size), 0);
    Doc doc;
    Log log;
    ASSERT_TRUE(LoadDoc(doc, dir_ + "show.qprj", log).ok());
    doc.Port = ntohs(addr.sin_port);
    ASSERT_TRUE(SaveDoc(doc, dir_ + "show.qprj", log).saved());

    const std::string marker = "QUILLPOST_FTP_PASSWORD=n0-trace-Of-this";
    const std::string home = "QUILLPOST_HOME=" + dir_;
    const std::string project = dir_ + "show.qprj";
    char* const argv[] = {const_cast<char*>(QP_CLI_PATH), const_cast<char*>("publish"),
                          const_cast<char*>(project.c_str()), nullptr};
    char* const envp[] = {const_cast<char*>(marker.c_str()), const_cast<char*>(home.c_str()),
                          nullptr};
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setsid(); // no terminal to ask on
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execve(QP_CLI_PATH, argv, envp);
        ::_exit(127);
    }
    pollfd waiting{listener, POLLIN, 0};
    const bool connected = ::poll(&waiting, 1, 20000) == 1;
    const int connection = connected ? ::accept(listener, nullptr, nullptr) : -1;
    const auto slurp = [pid](const char* name) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    };
    const std::string environ = slurp("environ");
    const std::string limits = slurp("limits");
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(connection);
    ::close(listener);
    ASSERT_TRUE(connected);
    EXPECT_EQ(environ.find("n0-trace"), std::string::npos);
    EXPECT_NE(environ.find("QUILLPOST_HOME"), std::string::npos); // the file was readable
    const std::size_t core = limits.find("Max core file size");
    ASSERT_NE(core, std::string::npos) << limits;
    std::istringstream fields(limits.substr(core + 18));
    std::string soft;
    std::string hard;
    fields >> soft >> hard;
    EXPECT_EQ(soft, "0");
    EXPECT_EQ(hard, "0");
}

} // namespace
