#include "core/chapters.h"

#include <gtest/gtest.h>

using namespace qp;

TEST(ChapterLabels, ReadSortedAndSkipTheFrequencyLines) {
    const auto read = chapters_from_labels("90.500000\t95.000000\tSecond part\r\n"
                                           "\\\t100.000000\t2000.000000\r\n"
                                           "\r\n"
                                           "0,000000\t0,000000\t  Opening  \r\n"
                                           "30\n"
                                           "61.25\t61.25\tA\ttab");
    ASSERT_TRUE(read.ok()) << read.error_text();
    const std::vector<Chapter> expected = {{0, "Opening", "", ""},
                                           {30, "", "", ""},
                                           {61.25, "A\ttab", "", ""},
                                           {90.5, "Second part", "", ""}};
    EXPECT_EQ(read.value(), expected);
}

TEST(ChapterLabels, NoLabelOrABadStartIsRefused) {
    for (const auto& [text, message] : {std::pair{"", "the file holds no label"},
                                        {"\r\n\\\t1\t2\n", "the file holds no label"},
                                        {"1\t1\tok\nintro\t2\tx\n", "line 2 holds no start time"},
                                        {"-4\t1\tx", "line 1 holds no start time"},
                                        {"nan\t1\tx", "line 1 holds no start time"}}) {
        const auto read = chapters_from_labels(text);
        ASSERT_FALSE(read.ok()) << text;
        EXPECT_EQ(read.kind(), ErrorKind::BadInput);
        EXPECT_EQ(read.error_text(), message);
    }
}
