#include "core/find_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qp;

TEST(FindState, HistoryKeepsTheTenMostRecentTextsWithoutRepeats) {
    FindState state;
    for (int i = 0; i < 10; ++i)
        state.Find_Remember("t" + std::to_string(i), kFindForward, false);
    ASSERT_EQ(state.history().size(), 10U);
    EXPECT_EQ(state.history().front(), "t9");

    // A new eleventh text goes to the front and the oldest drops out.
    state.Find_Remember("new", 0, false);
    ASSERT_EQ(state.history().size(), 10U);
    EXPECT_EQ(state.history().front(), "new");
    EXPECT_EQ(state.history().back(), "t1");

    // A remembered text moves to the front; the comparison is exact.
    state.Find_Remember("t5", kFindForward, false);
    state.Find_Remember("T5", kFindForward, false);
    const std::vector<std::string> expected{"T5", "t5", "new", "t9", "t8",
                                            "t7", "t6", "t4",  "t3", "t2"};
    EXPECT_EQ(state.history(), expected);

    // An empty text is no search: the options stay too.
    state.Find_Remember("", kFindMatchCase, true);
    EXPECT_EQ(state.history().size(), 10U);
    EXPECT_EQ(state.history().front(), "T5");
    EXPECT_EQ(state.flags(), kFindForward);
    EXPECT_FALSE(state.inSelection());
}

TEST(FindState, RemembersTheOptionsAndRepeatsThemEitherWay) {
    FindState state;
    state.Find_Remember("a", kFindWholeWord | kFindMatchCase, true);
    EXPECT_TRUE(state.inSelection());
    EXPECT_EQ(state.againFlags(true), kFindForward | kFindWholeWord | kFindMatchCase);
    EXPECT_EQ(state.againFlags(false), kFindWholeWord | kFindMatchCase);
    state.Find_Remember("a", kFindForward, true);
    EXPECT_EQ(state.againFlags(false), 0);
    state.ClearInSelection();
    EXPECT_FALSE(state.inSelection());
    EXPECT_EQ(state.history().size(), 1U);
}

TEST(FindSpan, FromTheSelectionOrInsideIt) {
    struct Case {
        int scope, flags, limit;
        int low, high;
        bool backward;
    };
    // Selection 4..9 throughout.
    const Case cases[] = {
        {kFindScopeCaret, kFindForward, -1, 9, -1, false},    // on from the selection's end
        {kFindScopeCaret, kFindForward, 20, 9, 20, false},    // up to the end limit
        {kFindScopeCaret, 0, -1, 0, 4, true},                 // back from its start
        {kFindScopeSelection, kFindForward, 20, 4, 9, false}, // inside, the limit unused
        {kFindScopeSelection, kFindWholeWord, -1, 4, 9, true},
        {12, kFindForward, -1, 12, -1, false}, // from a position
        {12, 0, -1, 0, 12, true},
    };
    for (const Case& c : cases) {
        const FindSpan span = Find_Span(4, 9, c.scope, c.flags, c.limit);
        EXPECT_EQ(span.low, c.low) << c.scope << ' ' << c.flags;
        EXPECT_EQ(span.high, c.high) << c.scope << ' ' << c.flags;
        EXPECT_EQ(span.backward, c.backward) << c.scope << ' ' << c.flags;
    }
}
