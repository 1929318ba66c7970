#include "core/document.h"

#include <gtest/gtest.h>

using namespace qp;

TEST(TextCleaners, CleanPathsAndNames) {
    EXPECT_EQ(Text_Clean("\t a*b\x01 "), "ab");
    EXPECT_EQ(Text_CleanPath(" /podcast\\ep1.mp3 "), "podcast/ep1.mp3");
    EXPECT_EQ(Text_CleanFileName("a/b*c.xml", false), "bc.xml");
    EXPECT_EQ(Text_CleanFileName("a/b.xml", true), "a/b.xml");
    EXPECT_EQ(Text_StripControl("a\r\n\tb\x1F", true), "a\r\nb");
    // The reader cleans what the writer stored: a second pass must not strip more.
    for (const char* s : {"//cdn/x.png", "/ /x", " a/ b.xml "}) {
        const std::string path = Text_CleanPath(s);
        EXPECT_EQ(Text_CleanPath(path), path) << s;
        const std::string name = Text_CleanFileName(s, false);
        EXPECT_EQ(Text_CleanFileName(name, false), name) << s;
    }
}

namespace {
Doc feeds_flagged(int max, std::initializer_list<int> flags) {
    Doc doc;
    doc.MaxFeed = max;
    for (int f : flags) {
        doc.Feeds.emplace_back();
        doc.Feeds.back().FeedTitle = std::to_string(doc.Feeds.size() - 1);
        doc.Feeds.back().FeedFlag = f;
    }
    return doc;
}
std::string titles(const Doc& doc) {
    std::string s;
    for (const Feed& f : doc.Feeds)
        s += f.FeedTitle;
    return s;
}
} // namespace

TEST(FeedTrimToMax, RemovesFromTheBottomSparingProtectedFeeds) {
    Doc doc = feeds_flagged(2, {0, 0, kNoAutoDelete});
    EXPECT_EQ(Feed_TrimToMax(doc), 1);
    EXPECT_EQ(titles(doc), "02");

    doc = feeds_flagged(3, {kAutoPubDate, 0, kNoAutoDelete, kNoAutoDelete | kUploadFile});
    doc.CurrentFeed = 3;
    EXPECT_EQ(Feed_TrimToMax(doc), 1);
    EXPECT_EQ(titles(doc), "023");
    EXPECT_EQ(doc.CurrentFeed, 2); // still the same feed

    doc = feeds_flagged(1, {kNoAutoDelete, kNoAutoDelete}); // may end above the limit
    EXPECT_EQ(Feed_TrimToMax(doc), 0);
    doc = feeds_flagged(0, {0, 0}); // a file without the setting keeps every feed
    EXPECT_EQ(Feed_TrimToMax(doc), 0);
    EXPECT_EQ(titles(doc), "01");
}
