#include "core/doc_edits.h"

#include <gtest/gtest.h>

#include <functional>

using namespace qp;

namespace {

Doc doc_of(std::initializer_list<const char*> titles) {
    Doc doc;
    doc.Title = "Show";
    doc.MaxFeed = 100;
    int date = 0;
    for (const char* t : titles) {
        Feed& f = doc.Feeds.emplace_back();
        f.FeedTitle = t;
        f.FeedGUID = std::string("g-") + t;
        f.FeedPubDate = date += 10;
    }
    return doc;
}

std::string titles(const Doc& doc) {
    std::string s;
    for (const Feed& f : doc.Feeds)
        s += f.FeedTitle;
    return s;
}

// Everything but the current feed, which follows the selection.
void expect_same(Doc a, const Doc& b) {
    a.CurrentFeed = b.CurrentFeed;
    EXPECT_EQ(titles(a), titles(b));
    EXPECT_TRUE(a == b);
}

// Reverting gives the document back field by field, and reapplying gives the edited one.
DocEditPtr expect_round_trip(Doc& doc, const std::function<DocEditPtr(Doc&)>& make) {
    const Doc before = doc;
    DocEditPtr edit = make(doc);
    EXPECT_NE(edit, nullptr);
    if (edit == nullptr)
        return edit;
    const Doc after = doc;
    edit->revert(doc);
    expect_same(doc, before);
    edit->apply(doc);
    expect_same(doc, after);
    return edit;
}

} // namespace

TEST(DocEdits, InsertTakesBackTheTrimmedFeedsInTheirPlaces) {
    Doc doc = doc_of({"a", "b", "c", "d"});
    doc.MaxFeed = 4;
    doc.Feeds[3].FeedFlag = kNoAutoDelete; // the trim passes over d and takes c, then b
    std::vector<Feed> added(2);
    added[0].FeedTitle = "x";
    added[1].FeedTitle = "y";
    expect_round_trip(doc, [&](Doc& d) { return edit_insert_feeds(d, added); });
    EXPECT_EQ(titles(doc), "xyad");
    EXPECT_EQ(doc.CurrentFeed, 0);
    // The new feeds survive even when every other feed is protected.
    Doc guarded = doc_of({"a"});
    guarded.MaxFeed = 1;
    guarded.Feeds[0].FeedFlag = kNoAutoDelete;
    expect_round_trip(guarded, [&](Doc& d) { return edit_insert_feeds(d, added); });
    EXPECT_EQ(titles(guarded), "xya");
    EXPECT_EQ(edit_insert_feeds(guarded, {}), nullptr);
}

TEST(DocEdits, DeleteMoveAndSortRevertToTheSameFeedsAndRows) {
    Doc doc = doc_of({"a", "b", "c"});
    DocEditPtr del = expect_round_trip(doc, [](Doc& d) { return edit_delete_feed(d, 1); });
    EXPECT_EQ(titles(doc), "ac");
    EXPECT_EQ(del->revert(doc), 1); // the restored feed is selected
    EXPECT_EQ(del->apply(doc), 0);
    EXPECT_EQ(edit_delete_feed(doc, 2), nullptr);

    doc = doc_of({"a", "b", "c"});
    DocEditPtr move = expect_round_trip(doc, [](Doc& d) { return edit_move_feed(d, 2, -1); });
    EXPECT_EQ(titles(doc), "acb");
    EXPECT_EQ(move->revert(doc), 2);
    EXPECT_EQ(edit_move_feed(doc, 0, -1), nullptr);
    EXPECT_EQ(edit_move_feed(doc, 2, 1), nullptr);

    // Equal dates keep their order both ways; an order already right records nothing.
    doc = doc_of({"a", "b", "c", "d"});
    doc.Feeds[1].FeedPubDate = doc.Feeds[3].FeedPubDate = 50;
    expect_round_trip(doc, [](Doc& d) { return edit_sort_feeds(d, SortOrder::Descending); });
    EXPECT_EQ(titles(doc), "bdca");
    EXPECT_EQ(edit_sort_feeds(doc, SortOrder::Descending), nullptr);
}

TEST(DocEdits, ChangesRecordOnlyWhatDifferedAndLeaveTheRestAlone) {
    Doc doc = doc_of({"a", "b", "c"});
    const Feed was_a = doc.Feeds[0];
    const Feed was_c = doc.Feeds[2];
    doc.Feeds[2].FeedDuration = "00:10:00";
    doc.Feeds[2].FeedFileLength = 1234;
    // a came back as it was: nothing to record for it.
    DocEditPtr edit = edit_feeds_changed(doc, {{0, was_a}, {2, was_c}});
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->revert(doc), 2);
    EXPECT_EQ(doc.Feeds[2], was_c);
    edit->apply(doc);
    EXPECT_EQ(doc.Feeds[2].FeedDuration, "00:10:00");
    EXPECT_EQ(edit_feeds_changed(doc, {{0, was_a}}), nullptr);

    // The channel's own settings go back; the feeds, the name and the state stay as they are.
    doc.FileName = "/p/show.qprj";
    const Doc channel = doc_channel_settings(doc);
    EXPECT_TRUE(channel.Feeds.empty());
    doc.Title = "Renamed";
    doc.MaxFeed = 5;
    DocEditPtr settings = edit_channel_changed(channel, doc);
    ASSERT_NE(settings, nullptr);
    doc.Feeds[0].FeedTitle = "later";
    SetModified(doc, true);
    EXPECT_EQ(settings->revert(doc), kRowKeepSelection);
    EXPECT_EQ(doc.Title, "Show");
    EXPECT_EQ(doc.MaxFeed, 100);
    EXPECT_EQ(doc.Feeds[0].FeedTitle, "later");
    EXPECT_EQ(doc.FileName, "/p/show.qprj");
    EXPECT_EQ(doc.State, kModified);
    EXPECT_EQ(edit_channel_changed(doc_channel_settings(doc), doc), nullptr);
}

TEST(DocEdits, AStackOfEditsUndoesAndRedoesInOrder) {
    Doc doc = doc_of({"a", "b", "c", "d"});
    const Doc start = doc;
    std::vector<DocEditPtr> done;
    done.push_back(edit_delete_feed(doc, 0));
    done.push_back(edit_move_feed(doc, 0, 1));
    done.push_back(edit_sort_feeds(doc, SortOrder::Descending));
    std::vector<Feed> added(1);
    added[0].FeedTitle = "x";
    done.push_back(edit_insert_feeds(doc, added));
    const Doc end = doc;
    EXPECT_EQ(titles(end), "xdcb");
    for (auto e = done.rbegin(); e != done.rend(); ++e)
        (*e)->revert(doc);
    expect_same(doc, start);
    for (const DocEditPtr& e : done)
        e->apply(doc);
    expect_same(doc, end);
}
