// The list of the language editor over the language table: one row per entry, in the table's
// sorted order, reading "key = text". A text stored while the editor is open turns its row into
// "key == text", and such a row counts as missing, so a search for missing texts finds it again
// for review.
#pragma once

#include "core/language.h"

#include <set>
#include <string>
#include <vector>

namespace qp {

class LangEditList {
public:
    explicit LangEditList(LangTable& table) : table_(table) {}

    // Sorts the table and makes one row per entry. Stored rows keep their mark.
    void fill();
    int size() const { return static_cast<int>(keys_.size()); }

    std::string item_text(int row) const;
    // A row without a text, or with a text stored while the editor is open.
    bool is_missing(int row) const;
    // The entry a row shows; null when the row is out of range or its entry is gone.
    const LangEntry* entry(int row) const;

    // Sets the text of a row's entry and marks the row; false when the row names no entry.
    bool store(int row, std::string text);
    // Removes a row's entry from the table; the rows are stale until the next fill().
    void remove(int row);

    // The first missing row from `from` on, stepping by direction (+1 or -1); -1 when there is
    // none or `from` lies outside the rows.
    int find_missing(int from, int direction) const;

private:
    LangTable& table_;
    // Rows name their entry by key: a lookup that adds a key reorders nothing it shows.
    std::vector<std::string> keys_;
    std::set<std::string> stored_;
};

} // namespace qp
