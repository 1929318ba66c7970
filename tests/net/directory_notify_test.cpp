#include "net/directory_notify.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

using namespace qp;
using namespace qp::net;

namespace {

// tests/net/notify_server.py: answers with the status a path begins with, records the requests.
class NotifyServer {
public:
    NotifyServer() {
        int in[2];
        int out[2];
        if (!tmp_.ok() || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        const std::string script = std::string(QP_SOURCE_DIR) + "/tests/net/notify_server.py";
        const std::string log = tmp_.path() + "requests";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl("/usr/bin/python3", "python3", script.c_str(), log.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        std::string text;
        pollfd p{out[0], POLLIN, 0};
        char c = 0;
        while (text.size() < 16 && ::poll(&p, 1, 20000) == 1 && ::read(out[0], &c, 1) == 1 &&
               c != '\n')
            text += c;
        ::close(out[0]);
        port_ = std::atoi(text.c_str());
    }
    ~NotifyServer() {
        if (stdin_ >= 0)
            ::close(stdin_); // the server ends when its input closes
        if (pid_ > 0) {
            int status = 0;
            for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
                ::usleep(50000);
            if (::waitpid(pid_, &status, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
        }
    }
    NotifyServer(const NotifyServer&) = delete;
    NotifyServer& operator=(const NotifyServer&) = delete;

    bool running() const { return port_ > 0; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }
    // One line of JSON per request received, in their order.
    std::vector<std::string> requests() const {
        std::vector<std::string> lines;
        std::ifstream in(tmp_.path() + "requests");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    test::TempDir tmp_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

const std::string kFeed = "https://ex.com/my pod/feed.xml?a=1&b=\xc3\xa9";
const std::string kFeedEncoded = "https%3A%2F%2Fex.com%2Fmy%20pod%2Ffeed.xml%3Fa%3D1%26b%3D%C3%A9";

} // namespace

TEST(DirectoryNotify, TheHubGetsAFormPostAndErrorsTellTheAnswer) {
    NotifyServer server;
    ASSERT_TRUE(server.running());
    const Result<std::string> told = websub_publish(server.url("204/hub"), kFeed);
    ASSERT_TRUE(told.ok()) << told.error_text();
    EXPECT_EQ(told.value(), server.url("204/hub") + " answered 204");

    const Result<std::string> refused = websub_publish(server.url("503/hub"), kFeed);
    EXPECT_EQ(refused.kind(), ErrorKind::Refused);
    // The page's start on one line: controls and bytes beyond ASCII shown as such, no more
    // than the start.
    const std::string shown = server.url("503/hub") + " answered 503: <html> bad ?feed? xxx";
    EXPECT_EQ(refused.error_text().substr(0, shown.size()), shown) << refused.error_text();
    EXPECT_LT(refused.error_text().size(), shown.size() + 200);
    EXPECT_EQ(refused.error_text().substr(refused.error_text().size() - 3), "...");

    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "{\"body\": \"hub.mode=publish&hub.url=" + kFeedEncoded +
                               "\", \"method\": \"POST\", \"path\": \"/204/hub\", \"type\": "
                               "\"application/x-www-form-urlencoded\"}");
    EXPECT_EQ(websub_publish("ftp://ex.com/hub", kFeed).kind(), ErrorKind::BadInput);
}

TEST(DirectoryNotify, PodcastIndexGetsTheFeedInTheQuery) {
    NotifyServer server;
    ASSERT_TRUE(server.running());
    const std::string base = server.url("200/api/1.0/hub/pubnotify");
    const Result<std::string> told = podcast_index_notify(kFeed, base);
    ASSERT_TRUE(told.ok()) << told.error_text();
    EXPECT_EQ(told.value(), base + " answered 200");
    const Result<std::string> refused = podcast_index_notify(kFeed, server.url("400/pubnotify"));
    EXPECT_EQ(refused.kind(), ErrorKind::Refused);
    EXPECT_NE(refused.error_text().find("/400/pubnotify answered 400: <html>"), std::string::npos)
        << refused.error_text();

    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "{\"body\": \"\", \"method\": \"GET\", \"path\": "
                           "\"/200/api/1.0/hub/pubnotify?url=" +
                               kFeedEncoded + "\", \"type\": \"\"}");

    const std::atomic<bool> cancel{true};
    NotifyOptions cancelled;
    cancelled.cancel = &cancel;
    EXPECT_EQ(podcast_index_notify(kFeed, base, cancelled).kind(), ErrorKind::Cancelled);
}
