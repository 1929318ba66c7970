// The feed check: each rule with a document that trips it and one that does not.
#include "core/feed_check.h"

#include "core/paths.h"
#include "core/texts.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

class FeedCheckTest : public ::testing::Test {
protected:
    FeedCheckTest() : paths_("/tmp/", "/tmp/", "/tmp/", "") {
        DocDefaults(doc_);
        doc_.Flag |= kITunesInclude;
        doc_.iTunesCategory = "Technology";
        doc_.iTunesExplicit = "false";
    }
    // The keys found, in order.
    std::vector<std::string> keys() const {
        std::vector<std::string> out;
        for (const CheckFinding& f : Feed_Check(doc_, paths_))
            out.push_back(f.key);
        return out;
    }
    Doc doc_;
    Paths paths_;
};

TEST_F(FeedCheckTest, ChannelNeedsTheITunesTagsACategoryAndExplicit) {
    EXPECT_EQ(keys(), std::vector<std::string>{});
    doc_.iTunesCategory.clear();
    doc_.iTunesExplicit.clear();
    EXPECT_EQ(keys(), (std::vector<std::string>{"Check.NoCategory", "Check.NoExplicit"}));
    EXPECT_TRUE(Check_HasError(Feed_Check(doc_, paths_)));
    doc_.Flag = 1;
    EXPECT_EQ(keys(), std::vector<std::string>{"Check.ITunesOff"});
}

TEST_F(FeedCheckTest, TextSaysWhereTheFindingIs) {
    doc_.Feeds.resize(2);
    doc_.Feeds[1].FeedTitle = "Two";
    KeyTexts texts;
    EXPECT_EQ(Check_Text(doc_, {CheckLevel::Error, -1, "Check.NoCategory", {}}, texts),
              "Check.Channel[Check.NoCategory[][][][][]]");
    EXPECT_EQ(Check_Text(doc_, {CheckLevel::Warning, 1, "K", {"a"}}, texts),
              "Check.Episode[2][Two][K[a][][][][]]");
}

} // namespace
} // namespace qp
