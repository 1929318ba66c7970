#include "net/http_fetch.h"

#include "http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace qp;
using namespace qp::net;

TEST(HttpFetch, FollowsRedirectsAndReportsWhatWentWrong) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string feed = "<rss version=\"2.0\"><channel><item/></channel></rss>";
    std::filesystem::create_directory(tmp.path() + "moved");
    std::ofstream(tmp.path() + "moved/index.html") << feed;
    std::ofstream(tmp.path() + "feed.xml") << feed;
    test::HttpServer server(tmp.path());
    ASSERT_TRUE(server.running());

    Result<std::string> got = fetch_address(server.url("feed.xml"));
    ASSERT_TRUE(got.ok()) << got.error_text();
    EXPECT_EQ(got.value(), feed);
    // The server answers "moved" with a redirection to "moved/".
    got = fetch_address(server.url("moved"));
    ASSERT_TRUE(got.ok()) << got.error_text();
    EXPECT_EQ(got.value(), feed);

    EXPECT_EQ(fetch_address(server.url("missing.xml")).kind(), ErrorKind::NotFound);
    FetchOptions small;
    small.max_bytes = feed.size() - 1;
    EXPECT_EQ(fetch_address(server.url("feed.xml"), small).kind(), ErrorKind::TooLarge);
    const std::atomic<bool> cancel{true};
    FetchOptions cancelled;
    cancelled.cancel = &cancel;
    EXPECT_EQ(fetch_address(server.url("feed.xml"), cancelled).kind(), ErrorKind::Cancelled);
    EXPECT_EQ(fetch_address("file:///etc/passwd").kind(), ErrorKind::BadInput);
}

TEST(HttpFetch, ASilentServerRunsIntoTheDeadline) {
    // Listening, never answering: the connection is made and nothing comes.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    FetchOptions quick;
    quick.timeout_ms = 300;
    const Result<std::string> got =
        fetch_address("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/", quick);
    EXPECT_EQ(got.kind(), ErrorKind::Timeout) << got.error_text();
    ::close(listener);
}

namespace {

// Answers one connection on loopback with the given bytes once the request has come, then holds
// the connection open until told to stop.
class OneAnswerServer {
public:
    explicit OneAnswerServer(std::string answer) : answer_(std::move(answer)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~OneAnswerServer() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        ::close(listener_);
    }
    OneAnswerServer(const OneAnswerServer&) = delete;
    OneAnswerServer& operator=(const OneAnswerServer&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/feed"; }
    std::string request() const { return request_; }

private:
    void serve() {
        const int c = ::accept(listener_, nullptr, nullptr);
        if (c < 0)
            return;
        char buf[4096];
        for (int k = 0; k < 100 && request_.find("\r\n\r\n") == std::string::npos; ++k) {
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request_.append(buf, static_cast<std::size_t>(n));
        }
        (void)::send(c, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        for (int k = 0; k < 100 && !stop_; ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(c);
    }

    std::string answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::string request_;
    std::thread thread_;
};

} // namespace

TEST(HttpFetch, TakesAGzipAnswerAndStopsASlowOneWhenCancelled) {
    const std::string zipped(
        "\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xB3\x29\x2A\x2E\x56\x28\x4B\x2D\x2A\xCE"
        "\xCC\xCF\xB3\x55\x32\xD2\x33\x50\xB2\xB3\x49\xCE\x48\xCC\xCB\x4B\xCD\xB1\xB3\x29"
        "\xC9\x2C\xC9\x49\xB5\x8B\xCA\x2C\x28\x48\x4D\xB1\xD1\x87\xF0\x6C\x32\x4B\x52\x73"
        "\xF5\xED\x6C\xF4\xE1\xAA\xF4\x81\x46\xD8\x01\x00\xA4\x67\x72\x5A\x48\x00\x00\x00",
        80);
    {
        OneAnswerServer server("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 80\r\n"
                               "Connection: close\r\n\r\n" +
                               zipped);
        const Result<std::string> got = fetch_address(server.url());
        ASSERT_TRUE(got.ok()) << got.error_text();
        EXPECT_EQ(got.value(),
                  "<rss version=\"2.0\"><channel><title>Zipped</title><item/></channel></rss>");
        EXPECT_NE(server.request().find("gzip"), std::string::npos) << server.request();
    }
    {
        // The headers and a first piece come, then nothing until the server gives up after 5 s
        // (a failure of another kind): Cancel ends the wait before.
        OneAnswerServer server("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n<rss>");
        std::atomic<bool> cancel{false};
        std::thread canceller([&cancel] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel = true;
        });
        FetchOptions options;
        options.cancel = &cancel;
        const Result<std::string> got = fetch_address(server.url(), options);
        canceller.join();
        EXPECT_EQ(got.kind(), ErrorKind::Cancelled) << got.error_text();
    }
}

TEST(HttpFetch, ADownloadResumesFromItsPartAndChecksTheLength) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string path = tmp.path() + "ep.mp3";
    std::ofstream(path + ".part") << "abcde";
    OneAnswerServer server("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 5-9/10\r\n"
                           "Content-Length: 5\r\nConnection: close\r\n\r\nfghij");
    const Result<std::uint64_t> got = download_file(server.url(), path, 10);
    ASSERT_TRUE(got.ok()) << got.error_text();
    EXPECT_EQ(got.value(), 10u);
    EXPECT_NE(server.request().find("Range: bytes=5-"), std::string::npos) << server.request();
    std::string bytes;
    std::getline(std::ifstream(path), bytes);
    EXPECT_EQ(bytes, "abcdefghij");
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    // A file whose length is not the one stated is refused and its part removed.
    OneAnswerServer short_one(
        "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nxyz");
    const Result<std::uint64_t> refused = download_file(short_one.url(), tmp.path() + "b.mp3", 4);
    EXPECT_EQ(refused.kind(), ErrorKind::BadInput) << refused.error_text();
    EXPECT_FALSE(std::filesystem::exists(tmp.path() + "b.mp3"));
    EXPECT_FALSE(std::filesystem::exists(tmp.path() + "b.mp3.part"));
}
