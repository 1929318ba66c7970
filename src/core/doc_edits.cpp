#include "core/doc_edits.h"

#include <algorithm>
#include <numeric>

namespace qp {

namespace {

std::vector<Feed>::iterator at(Doc& doc, int position) {
    return doc.Feeds.begin() + position;
}

// The current feed follows the row an edit selects.
int select(Doc& doc, int row) {
    const int count = static_cast<int>(doc.Feeds.size());
    if (row >= 0 && row < count)
        doc.CurrentFeed = row;
    else if (row != kRowKeepSelection)
        doc.CurrentFeed = count > 0 ? 0 : -1;
    return row;
}

// Feeds put at the top, and the feeds the MaxFeed trim then removed (positions counted after the
// insertion, from the last up).
class InsertFeeds final : public DocEdit {
public:
    InsertFeeds(std::vector<Feed> added, std::vector<FeedBefore> removed)
        : added_(std::move(added)), removed_(std::move(removed)) {}

    int apply(Doc& doc) const override {
        doc.Feeds.insert(doc.Feeds.begin(), added_.begin(), added_.end());
        for (const FeedBefore& r : removed_)
            doc.Feeds.erase(at(doc, r.first));
        return select(doc, 0);
    }
    int revert(Doc& doc) const override {
        // Back in the reverse order of their removal, so each position is right again.
        for (std::size_t k = removed_.size(); k-- > 0;)
            doc.Feeds.insert(at(doc, removed_[k].first), removed_[k].second);
        doc.Feeds.erase(doc.Feeds.begin(), at(doc, static_cast<int>(added_.size())));
        return select(doc, kRowFirst);
    }

private:
    std::vector<Feed> added_;
    std::vector<FeedBefore> removed_;
};

class DeleteFeed final : public DocEdit {
public:
    DeleteFeed(int position, Feed feed) : position_(position), feed_(std::move(feed)) {}

    int apply(Doc& doc) const override {
        doc.Feeds.erase(at(doc, position_));
        // The row before the deleted feed, or the new first row.
        return select(doc, position_ - 1);
    }
    int revert(Doc& doc) const override {
        doc.Feeds.insert(at(doc, position_), feed_);
        return select(doc, position_);
    }

private:
    int position_;
    Feed feed_;
};

class MoveFeed final : public DocEdit {
public:
    MoveFeed(int from, int to) : from_(from), to_(to) {}

    int apply(Doc& doc) const override {
        std::iter_swap(at(doc, from_), at(doc, to_));
        return select(doc, to_);
    }
    int revert(Doc& doc) const override {
        std::iter_swap(at(doc, from_), at(doc, to_));
        return select(doc, from_);
    }

private:
    int from_;
    int to_;
};

// The sorted list as positions of the list before the sort.
class SortFeeds final : public DocEdit {
public:
    explicit SortFeeds(std::vector<int> order) : order_(std::move(order)) {}

    int apply(Doc& doc) const override {
        std::vector<Feed> sorted;
        sorted.reserve(order_.size());
        for (const int from : order_)
            sorted.push_back(std::move(doc.Feeds[static_cast<std::size_t>(from)]));
        doc.Feeds = std::move(sorted);
        return select(doc, kRowFirst);
    }
    int revert(Doc& doc) const override {
        std::vector<Feed> unsorted(order_.size());
        for (std::size_t i = 0; i < order_.size(); ++i)
            unsorted[static_cast<std::size_t>(order_[i])] = std::move(doc.Feeds[i]);
        doc.Feeds = std::move(unsorted);
        return select(doc, kRowFirst);
    }

private:
    std::vector<int> order_;
};

struct FeedChange {
    int position;
    Feed before;
    Feed after;
};

class ChangeFeeds final : public DocEdit {
public:
    explicit ChangeFeeds(std::vector<FeedChange> changes) : changes_(std::move(changes)) {}

    int apply(Doc& doc) const override {
        for (const FeedChange& c : changes_)
            doc.Feeds[static_cast<std::size_t>(c.position)] = c.after;
        return select(doc, changes_.front().position);
    }
    int revert(Doc& doc) const override {
        for (const FeedChange& c : changes_)
            doc.Feeds[static_cast<std::size_t>(c.position)] = c.before;
        return select(doc, changes_.front().position);
    }

private:
    std::vector<FeedChange> changes_;
};

class ChangeChannel final : public DocEdit {
public:
    ChangeChannel(Doc before, Doc after) : before_(std::move(before)), after_(std::move(after)) {}

    int apply(Doc& doc) const override { return put(doc, after_); }
    int revert(Doc& doc) const override { return put(doc, before_); }

private:
    static int put(Doc& doc, const Doc& channel) {
        std::vector<Feed> feeds = std::move(doc.Feeds);
        std::string file = std::move(doc.FileName);
        const int state = doc.State;
        const int current = doc.CurrentFeed;
        doc = channel;
        doc.Feeds = std::move(feeds);
        doc.FileName = std::move(file);
        doc.State = state;
        doc.CurrentFeed = current;
        return kRowKeepSelection;
    }

    Doc before_;
    Doc after_;
};

bool valid(const Doc& doc, int position) {
    return position >= 0 && position < static_cast<int>(doc.Feeds.size());
}

} // namespace

DocEditPtr edit_insert_feeds(Doc& doc, std::vector<Feed> feeds) {
    if (feeds.empty())
        return nullptr;
    doc.Feeds.insert(doc.Feeds.begin(), feeds.begin(), feeds.end());
    std::vector<FeedBefore> removed;
    for (const int position : feed_trim_positions(doc, static_cast<int>(feeds.size()))) {
        removed.emplace_back(position, std::move(doc.Feeds[static_cast<std::size_t>(position)]));
        doc.Feeds.erase(at(doc, position));
    }
    select(doc, 0);
    return std::make_unique<InsertFeeds>(std::move(feeds), std::move(removed));
}

DocEditPtr edit_delete_feed(Doc& doc, int position) {
    if (!valid(doc, position))
        return nullptr;
    auto edit = std::make_unique<DeleteFeed>(
        position, std::move(doc.Feeds[static_cast<std::size_t>(position)]));
    doc.Feeds.erase(at(doc, position));
    select(doc, position - 1);
    return edit;
}

DocEditPtr edit_move_feed(Doc& doc, int position, int step) {
    const int to = feed_move(doc, position, step);
    if (to < 0)
        return nullptr;
    select(doc, to);
    return std::make_unique<MoveFeed>(position, to);
}

DocEditPtr edit_sort_feeds(Doc& doc, SortOrder order) {
    std::vector<int> index(doc.Feeds.size());
    std::iota(index.begin(), index.end(), 0);
    const auto date = [&doc](int i) { return doc.Feeds[static_cast<std::size_t>(i)].FeedPubDate; };
    // Equal dates keep their order.
    if (order == SortOrder::Ascending)
        std::stable_sort(index.begin(), index.end(),
                         [&](int a, int b) { return date(a) < date(b); });
    else
        std::stable_sort(index.begin(), index.end(),
                         [&](int a, int b) { return date(a) > date(b); });
    if (std::is_sorted(index.begin(), index.end()))
        return nullptr;
    auto edit = std::make_unique<SortFeeds>(std::move(index));
    edit->apply(doc);
    return edit;
}

DocEditPtr edit_feeds_changed(const Doc& doc, std::vector<FeedBefore> before) {
    std::vector<FeedChange> changes;
    for (FeedBefore& b : before) {
        if (!valid(doc, b.first))
            continue;
        const Feed& now = doc.Feeds[static_cast<std::size_t>(b.first)];
        if (now != b.second)
            changes.push_back({b.first, std::move(b.second), now});
    }
    if (changes.empty())
        return nullptr;
    return std::make_unique<ChangeFeeds>(std::move(changes));
}

Doc doc_channel_settings(Doc& doc) {
    // The feeds step out while the rest is copied, so a large document costs nothing.
    std::vector<Feed> feeds = std::move(doc.Feeds);
    Doc channel = doc;
    doc.Feeds = std::move(feeds);
    channel.FileName.clear();
    channel.State = 0;
    channel.CurrentFeed = -1;
    return channel;
}

DocEditPtr edit_channel_changed(Doc before, Doc& doc) {
    Doc now = doc_channel_settings(doc);
    if (before == now)
        return nullptr;
    return std::make_unique<ChangeChannel>(std::move(before), std::move(now));
}

} // namespace qp
