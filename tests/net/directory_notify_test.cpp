#include "net/directory_notify.h"

#include "net/notify_server.h"

#include <gtest/gtest.h>

#include <string>

using namespace qp;
using namespace qp::net;
using qp::test::NotifyServer;

namespace {

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
