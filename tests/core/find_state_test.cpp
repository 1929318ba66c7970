#include "core/find_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qp;

TEST(FindState, HistoryKeepsTheTenMostRecentTextsWithoutRepeats) {
    FindState state;
    for (int i = 0; i < 10; ++i)
        state.find_remember("t" + std::to_string(i), kFindForward, false);
    ASSERT_EQ(state.history().size(), 10U);
    EXPECT_EQ(state.history().front(), "t9");

    // A new eleventh text goes to the front and the oldest drops out.
    state.find_remember("new", 0, false);
    ASSERT_EQ(state.history().size(), 10U);
    EXPECT_EQ(state.history().front(), "new");
    EXPECT_EQ(state.history().back(), "t1");

    // A remembered text moves to the front; the comparison is exact.
    state.find_remember("t5", kFindForward, false);
    state.find_remember("T5", kFindForward, false);
    const std::vector<std::string> expected{"T5", "t5", "new", "t9", "t8",
                                            "t7", "t6", "t4",  "t3", "t2"};
    EXPECT_EQ(state.history(), expected);

    // An empty text is no search: the options stay too.
    state.find_remember("", kFindMatchCase, true);
    EXPECT_EQ(state.history().size(), 10U);
    EXPECT_EQ(state.history().front(), "T5");
    EXPECT_EQ(state.flags(), kFindForward);
    EXPECT_FALSE(state.in_selection());
}

TEST(FindState, RepeatsTheRememberedOptionsEitherWay) {
    FindState state;
    state.find_remember("a", kFindWholeWord | kFindMatchCase, true);
    EXPECT_TRUE(state.in_selection());
    EXPECT_EQ(state.again_flags(true), kFindForward | kFindWholeWord | kFindMatchCase);
    state.find_remember("a", kFindForward, true);
    EXPECT_EQ(state.again_flags(false), 0);
}
