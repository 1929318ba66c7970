#include "net/ftp_listing.h"

#include <gtest/gtest.h>

using namespace qp;
using namespace qp::net;

namespace {

DateFields june_2024() {
    DateFields now;
    now.year = 2024;
    now.month = 6;
    now.day = 15;
    return now;
}

} // namespace

TEST(Listing, FieldsOfFilesAndDirectories) {
    const auto dir =
        parse_listing_line("drwxr-xr-x  2 ftp  ftp  4096 Mar  5 12:30 podcasts", june_2024());
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->type, EntryType::Directory);
    EXPECT_EQ(dir->name, "podcasts");
    EXPECT_EQ(dir->permissions, 0755);

    // Tabs and runs of blanks separate fields; the name keeps its inner spaces; sizes pass 4 GB.
    const auto file = parse_listing_line(
        "-rw-r-S--x\t1 owner\t group   5000000000 jan 31  2019 My  episode.mp3\r", june_2024());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->type, EntryType::File);
    EXPECT_EQ(file->name, "My  episode.mp3");
    EXPECT_EQ(file->size, 5000000000LL);
    EXPECT_EQ(file->permissions, 0641);
    EXPECT_EQ(file->date, date_from_fields(2019, 1, 31, 0, 0, 0));
    EXPECT_EQ(file->line, "-rw-r-S--x\t1 owner\t group   5000000000 jan 31  2019 My  episode.mp3");
}

TEST(Listing, DatesWithoutAYear) {
    const auto later = parse_listing_line("-rw-r--r-- 1 a b 10 Dec 24 18:05 x", june_2024());
    ASSERT_TRUE(later);
    EXPECT_EQ(later->date, date_from_fields(2023, 12, 24, 18, 5, 0)); // a later month: last year
    const auto same = parse_listing_line("-rw-r--r-- 1 a b 10 JUN 20 07:09 x", june_2024());
    ASSERT_TRUE(same);
    EXPECT_EQ(same->date, date_from_fields(2024, 6, 20, 7, 9, 0));
    const auto unknown = parse_listing_line("-rw-r--r-- 1 a b 10 Foo 2 99:99 x", june_2024());
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->date, date_from_fields(2024, 1, 2, 23, 59, 0));
}

TEST(Listing, StopsAtTheFirstLineThatIsNotAnEntry) {
    const std::string data = "total 12\r\n"
                             "drwxr-xr-x 2 a b 4096 Jan 1 2020 sub\r\n"
                             "-rw-r--r-- 1 a b 7 Feb 2 2020 feed.xml\r\n"
                             "-rw-r--r-- 1 a b 7 Feb 2 2020\r\n" // no name
                             "-rw-r--r-- 1 a b 7 Feb 2 2020 after.xml\r\n";
    const auto entries = parse_listing(data, june_2024());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "sub");
    EXPECT_EQ(entries[1].name, "feed.xml");
    EXPECT_TRUE(parse_listing("", june_2024()).empty());
}
