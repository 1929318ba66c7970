// Changes of a document that the user can take back and make again: adding, copying, deleting,
// moving and sorting episodes, a property window's store and a media refresh. Each change is made
// on the document first; the edit it returns keeps just what it needs to revert and reapply it.
#pragma once

#include "core/document.h"
#include "core/feed_list.h"

#include <memory>
#include <utility>
#include <vector>

namespace qp {

// The row an edit leaves selected: a feed position, or one of these.
inline constexpr int kRowFirst = -1;         // the first row
inline constexpr int kRowKeepSelection = -2; // whatever was selected stays so

class DocEdit {
public:
    DocEdit() = default;
    DocEdit(const DocEdit&) = delete;
    DocEdit& operator=(const DocEdit&) = delete;
    virtual ~DocEdit() = default;

    // Both act on the document in the state the other left it, and return the row to select.
    virtual int apply(Doc& doc) const = 0;
    virtual int revert(Doc& doc) const = 0;
};
using DocEditPtr = std::unique_ptr<DocEdit>;

// Each returns null when the document did not change.
//
// Puts feeds at the top in the given order, then trims to MaxFeed without removing any of them.
DocEditPtr edit_insert_feeds(Doc& doc, std::vector<Feed> feeds);
DocEditPtr edit_delete_feed(Doc& doc, int position);
// Swaps the feed at position with its neighbour (step -1 up, 1 down).
DocEditPtr edit_move_feed(Doc& doc, int position, int step);
DocEditPtr edit_sort_feeds(Doc& doc, SortOrder order);

// The position and the former value of a feed that has already been changed in place.
using FeedBefore = std::pair<int, Feed>;
// Records feeds that a window or a refresh changed in place, from their former values; feeds
// that came back equal are left out.
DocEditPtr edit_feeds_changed(const Doc& doc, std::vector<FeedBefore> before);
// The channel settings of doc alone: everything but the feeds, the file name and the state.
Doc doc_channel_settings(Doc& doc);
// Records a change of the channel settings already made in doc, from the settings before.
DocEditPtr edit_channel_changed(Doc before, Doc& doc);

} // namespace qp
