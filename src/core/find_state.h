// What find and replace remembers between two searches (the recent texts and the options of the
// last action), and the span of text a search may match in. Held in memory for one run only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// Options of a search, combined by adding them.
inline constexpr int kFindForward = 1;
inline constexpr int kFindWholeWord = 2;
inline constexpr int kFindMatchCase = 4;

// Where a search starts: from the editor's selection (forward from its end, backward from its
// start), or inside the selection only. Any other scope value is a position.
inline constexpr int kFindScopeCaret = -1;
inline constexpr int kFindScopeSelection = -2;

class FindState {
public:
    static constexpr std::size_t kMaxHistory = 10;

    // Most recent first.
    const std::vector<std::string>& history() const { return history_; }
    int flags() const { return flags_; }
    bool in_selection() const { return in_selection_; }

    // Keeps the options of an action and puts its text at the front of the history (moving it
    // there when it is remembered already; the oldest text drops out). An empty text is no
    // search: nothing changes.
    void find_remember(std::string_view text, int flags, bool in_selection);
    // The dialog forgets the selection choice when the editor has no selection to search.
    void clear_in_selection() { in_selection_ = false; }
    // The remembered options, searching in the given direction.
    int again_flags(bool forward) const;

private:
    std::vector<std::string> history_;
    int flags_ = 0;
    bool in_selection_ = false;
};

// The positions a match must lie within, both ends included; high -1 is the end of the text. A
// backward search takes the match nearest to high, a forward one the match nearest to low.
struct FindSpan {
    int low = 0;
    int high = -1;
    bool backward = false;
};

// The span of a search from the editor's selection [selection_start, selection_end] with a scope
// (kFindScopeCaret, kFindScopeSelection or a position), the options and the end limit of a
// forward search from the caret (-1 for the end of the text).
FindSpan find_span(int selection_start, int selection_end, int scope, int flags, int limit);

} // namespace qp
