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

TEST(FindState, RepeatsTheRememberedOptionsEitherWay) {
    FindState state;
    state.Find_Remember("a", kFindWholeWord | kFindMatchCase, true);
    EXPECT_TRUE(state.inSelection());
    EXPECT_EQ(state.againFlags(true), kFindForward | kFindWholeWord | kFindMatchCase);
    state.Find_Remember("a", kFindForward, true);
    EXPECT_EQ(state.againFlags(false), 0);
}
