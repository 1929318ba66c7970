#include "net/http_fetch.h"

#include "http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>

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
