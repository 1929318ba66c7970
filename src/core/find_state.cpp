#include "core/find_state.h"

#include <algorithm>

namespace qp {

void FindState::find_remember(std::string_view text, int flags, bool in_selection) {
    if (text.empty())
        return;
    flags_ = flags;
    in_selection_ = in_selection;
    std::erase(history_, text);
    history_.insert(history_.begin(), std::string(text));
    if (history_.size() > kMaxHistory)
        history_.resize(kMaxHistory);
}

int FindState::again_flags(bool forward) const {
    return forward ? (flags_ | kFindForward) : (flags_ & ~kFindForward);
}

FindSpan find_span(int selection_start, int selection_end, int scope, int flags, int limit) {
    int a = selection_start;
    int b = selection_end;
    if (scope != kFindScopeCaret && scope != kFindScopeSelection)
        a = b = scope;
    if (scope == kFindScopeSelection)
        return {a, b, (flags & kFindForward) == 0};
    if ((flags & kFindForward) != 0)
        return {b, limit, false};
    return {0, a, true};
}

} // namespace qp
