#include "core/clock.h"
#include "core/file_io.h"

#include "support/temp_dir.h"
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

using namespace qp;

using qp::test::TempDir;

TEST(FileIo, WriteReadAndAtomicReplace) {
    TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string& dir = tmp.path();
    const std::string f = dir + "a.txt";
    ASSERT_TRUE(write_file(f, "one\r\n"));
    std::string back;
    ASSERT_TRUE(read_file(f, back));
    EXPECT_EQ(back, "one\r\n");
    ASSERT_TRUE(replace_file_atomically(f, "two"));
    ASSERT_TRUE(read_file(f, back));
    EXPECT_EQ(back, "two");
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_FALSE(read_file(dir + "missing", back));
    EXPECT_FALSE(read_file(dir, back)); // a folder is not a file
    EXPECT_FALSE(write_file(dir + "no/such/folder.txt", "x"));
    EXPECT_FALSE(replace_file_atomically(dir + "no/such/folder.txt", "x"));
}

TEST(FileIo, NewFileNeverReplacesOneMadeMeanwhile) {
    TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string f = tmp.path() + "new.qprj";
    FileReplacement first;
    ASSERT_TRUE(first.begin(f, f));
    ASSERT_TRUE(first.write("first"));
    FileReplacement second;
    ASSERT_TRUE(second.begin(f, f));
    ASSERT_TRUE(second.write("second"));
    ASSERT_TRUE(first.commit_new());
    const Status refused = second.commit_new();
    EXPECT_EQ(refused.error(), system_error(EEXIST));
    std::string back;
    ASSERT_TRUE(read_file(f, back));
    EXPECT_EQ(back, "first");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 1);
}

TEST(FileIo, PathParts) {
    EXPECT_EQ(folder_part("/a/b/c.qprj"), "/a/b/");
    EXPECT_EQ(folder_part("c.qprj"), "");
    EXPECT_EQ(file_part("a\\b/c.qprj"), "c.qprj");
    EXPECT_EQ(file_part("dir/"), "");
    EXPECT_EQ(extension_of("/x.y/news.QPRJ"), "QPRJ");
    EXPECT_EQ(extension_of("/x.y/news"), "");
    EXPECT_TRUE(is_absolute_path("/x"));
    EXPECT_FALSE(is_absolute_path("x/y"));
    EXPECT_EQ(canonical_path("/a/./b/../c"), "/a/c");
}

TEST(Clock, CalendarFieldsWithoutTimeZoneShift) {
    // Friday 5 April 2013 09:07:03
    const DateValue v = date_from_fields(2013, 4, 5, 9, 7, 3);
    const DateFields f = date_fields(v);
    EXPECT_EQ(f.year, 2013);
    EXPECT_EQ(f.month, 4);
    EXPECT_EQ(f.day, 5);
    EXPECT_EQ(f.hour, 9);
    EXPECT_EQ(f.minute, 7);
    EXPECT_EQ(f.second, 3);
    EXPECT_EQ(f.weekday, 5);
    EXPECT_EQ(date_fields(0).weekday, 4); // Thursday 1 January 1970
    const DateFields before = date_fields(-1);
    EXPECT_EQ(before.year, 1969);
    EXPECT_EQ(before.hour, 23);
    EXPECT_EQ(before.weekday, 3);
    // Past 2038 the values keep counting.
    EXPECT_EQ(date_fields(date_from_fields(2040, 2, 29, 0, 0, 0)).day, 29);
    EXPECT_EQ(date_from_fields(2024, 13, 1, 0, 0, 0), date_from_fields(2025, 1, 1, 0, 0, 0));
}

TEST(Clock, FixedClockDrivesLocalTime) {
    FixedClock fixed(1000, 3600);
    {
        ScopedClock scope(fixed);
        EXPECT_EQ(local_from_utc(current_clock().utc_now()), 4600);
    }
    EXPECT_EQ(&current_clock(), &system_clock());
}
