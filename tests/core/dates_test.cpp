#include "core/dates.h"

#include <gtest/gtest.h>

using namespace qp;

namespace {

const DateValue kFriday = date_from_fields(2013, 4, 5, 9, 7, 3);

} // namespace

TEST(DateToText, TokensInAnyCaseAndStrayPercents) {
    EXPECT_EQ(DateToText("%yyyy-%mm-%dd %hh:%ii:%ss", kFriday), "2013-04-05 09:07:03");
    EXPECT_EQ(DateToText("%YYYY/%MM/%DD %Hh%iI%SS", kFriday), "2013/04/05 090703");
    EXPECT_EQ(DateToText("%yy|%yyy", kFriday), "13|13y"); // %yyy is %yy then a plain y
    EXPECT_EQ(DateToText("no tokens", kFriday), "no tokens");
    EXPECT_EQ(DateToText("%x 100% %", kFriday), "%x 100% %");
    // The second-pass tokens survive the first.
    EXPECT_EQ(DateToText("%dl %ml %gm", kFriday), "%dl %ml %gm");
    EXPECT_EQ(DateToText("%yyyy", date_from_fields(0, 1, 1, 0, 0, 0)), "0000");
    EXPECT_EQ(DateToText("%yyyy %yy", date_from_fields(12345, 1, 1, 0, 0, 0)), "12345 45");
}

TEST(DateToText, NamesOfDaysAndMonths) {
    EXPECT_EQ(DateToTextEx("%dl %DL %Ml %ML", kFriday), "Fri Fri Apr Apr");
    EXPECT_EQ(DateToTextEx("%dl %ml", date_from_fields(2023, 12, 31, 0, 0, 0)), "Sun Dec");
    EXPECT_EQ(DateToTextEx("%dl %ml", date_from_fields(2024, 1, 1, 0, 0, 0)), "Mon Jan");
}

TEST(GmtOffset, ClampedInHoursAndSeconds) {
    EXPECT_EQ(GmtOffsetText(1, true, "%hh:%ii"), "GMT+01:00");
    EXPECT_EQ(GmtOffsetText(-5, true, "%hh:%ii"), "GMT-05:00");
    EXPECT_EQ(GmtOffsetText(0, true, "%hh:%ii"), "GMT+00:00");
    EXPECT_EQ(GmtOffsetText(13, true, "%hh:%ii"), "GMT+12:00");
    EXPECT_EQ(GmtOffsetText(-99999, true, "%hh:%ii"), "GMT-12:00");
    EXPECT_EQ(GmtOffsetText(-19800, false, "%hh:%ii"), "GMT-05:30");
    EXPECT_EQ(GmtOffsetText(50000, false, "%hh:%ii"), "GMT+12:00");
}

TEST(GmtOffset, LocalOffsetComesFromTheClock) {
    FixedClock clock(1'000'000, 19800); // +5:30
    ScopedClock scoped(clock);
    EXPECT_EQ(LocalGmtOffset(false), 19800);
    EXPECT_EQ(LocalGmtOffset(true), 5);
    clock.set(1'000'000, -12600); // -3:30 truncates toward zero
    EXPECT_EQ(LocalGmtOffset(true), -3);
    EXPECT_EQ(Now(), 1'000'000 - 12600);
}

TEST(RssDate, DefaultMaskAndTimeZones) {
    EXPECT_EQ(RssDate(kFriday, "", 2), "Fri, 05 Apr 2013 09:07:03 GMT+02:00");
    EXPECT_EQ(RssDate(kFriday, "   ", -12), "Fri, 05 Apr 2013 09:07:03 GMT-12:00");
    EXPECT_EQ(RssDate(0, "", 0), "Thu, 01 Jan 1970 00:00:00 GMT+00:00");
    EXPECT_EQ(RssDate(kFriday, "%dd.%mm.%yyyy", 3), "05.04.2013");
    EXPECT_EQ(RssDate(kFriday, "%hh %GM", 12), "09 GMT+12:00");

    FixedClock clock(0, -4 * 3600);
    ScopedClock scoped(clock);
    EXPECT_EQ(RssDate(kFriday, "%gm", kAutoTimeZone), "GMT-04:00");
}
