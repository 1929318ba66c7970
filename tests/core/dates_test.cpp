#include "core/dates.h"

#include "support/scoped_tz.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

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

namespace {

// The system's time zone rules, read at a fixed instant: the offset of a zone with daylight
// saving then depends on the instant, not on the day the test runs.
class SystemZoneAt : public Clock {
public:
    explicit SystemZoneAt(std::int64_t utc) : utc_(utc) {}
    std::int64_t utc_now() const override { return utc_; }
    std::int32_t utc_offset_at(std::int64_t utc) const override {
        return system_clock().utc_offset_at(utc);
    }

private:
    std::int64_t utc_;
};

using test::ScopedTz;

constexpr std::string_view kZoneMask = "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz";

} // namespace

TEST(RssDate, NumericZoneFollowsTheStatedOffset) {
    EXPECT_EQ(RssDate(kFriday, kZoneMask, 2), "Fri, 05 Apr 2013 09:07:03 +0200");
    EXPECT_EQ(RssDate(kFriday, "%ZZ|%Zz|%gm", -5), "-0500|-0500|GMT-05:00");
    EXPECT_EQ(RssDate(0, "%zz", 0), "+0000");
    EXPECT_EQ(RssDate(0, "%zz", 40), "+1200"); // fixed zones stay clamped to whole hours

    // The computer's offset keeps its minutes, in both forms, either side of GMT and in summer.
    const std::int64_t january = date_from_fields(2025, 1, 15, 12, 0, 0);
    const std::int64_t july = date_from_fields(2025, 7, 15, 12, 0, 0);
    struct Case {
        const char* zone;
        std::int64_t utc;
        std::string_view gm;
        std::string_view zz;
    };
    for (const Case& c : {Case{"Asia/Kolkata", january, "GMT+05:30", "+0530"},
                          Case{"America/St_Johns", january, "GMT-03:30", "-0330"},
                          Case{"America/St_Johns", july, "GMT-02:30", "-0230"},
                          Case{"Pacific/Auckland", january, "GMT+13:00", "+1300"},
                          Case{"Pacific/Kiritimati", july, "GMT+14:00", "+1400"}}) {
        ScopedTz tz(c.zone);
        SystemZoneAt clock(c.utc);
        ScopedClock scoped(clock);
        const DateValue local = local_from_utc(c.utc);
        EXPECT_EQ(RssDate(local, "%gm %zz", kAutoTimeZone),
                  std::string(c.gm) + " " + std::string(c.zz))
            << c.zone;
        EXPECT_EQ(RssDate(local, "", kAutoTimeZone),
                  DateToTextEx("%dl, %dd %ml %yyyy %hh:%ii:%ss ", local) + std::string(c.gm))
            << c.zone;
    }
}

TEST(RssDate, AutomaticZoneStatesTheOffsetOfEachDate) {
    ScopedTz tz("Europe/Paris");
    // Built in winter, and again in summer: each date keeps the offset of its own season.
    for (const std::int64_t built :
         {date_from_fields(2025, 1, 15, 12, 0, 0), date_from_fields(2025, 7, 15, 12, 0, 0)}) {
        SystemZoneAt clock(built);
        ScopedClock scoped(clock);
        EXPECT_EQ(RssDate(date_from_fields(2024, 7, 1, 8, 0, 0), kZoneMask, kAutoTimeZone),
                  "Mon, 01 Jul 2024 08:00:00 +0200");
        EXPECT_EQ(RssDate(date_from_fields(2024, 12, 1, 8, 0, 0), "", kAutoTimeZone),
                  "Sun, 01 Dec 2024 08:00:00 GMT+01:00");
        // Around the changes: the last winter second, a skipped time (the offset before the
        // change), the first summer second, and a time that occurs twice (the later offset).
        EXPECT_EQ(RssDate(date_from_fields(2025, 3, 30, 1, 59, 59), "%zz", kAutoTimeZone), "+0100");
        EXPECT_EQ(RssDate(date_from_fields(2025, 3, 30, 2, 30, 0), "%zz", kAutoTimeZone), "+0100");
        EXPECT_EQ(RssDate(date_from_fields(2025, 3, 30, 3, 0, 0), "%zz", kAutoTimeZone), "+0200");
        EXPECT_EQ(RssDate(date_from_fields(2025, 10, 26, 2, 30, 0), "%zz", kAutoTimeZone), "+0100");
        EXPECT_EQ(RssDate(date_from_fields(2025, 10, 26, 1, 59, 59), "%zz", kAutoTimeZone),
                  "+0200");
    }
}

TEST(NowIn, FixedZoneReadsThatZonesWallClock) {
    // 21:03:05 UTC on a computer in Paris (summer).
    const std::int64_t utc = date_from_fields(2025, 7, 15, 21, 3, 5);
    FixedClock clock(utc, 7200);
    ScopedClock scoped(clock);
    EXPECT_EQ(now_in(-5), date_from_fields(2025, 7, 15, 16, 3, 5));
    EXPECT_EQ(RssDate(now_in(-5), kZoneMask, -5), "Tue, 15 Jul 2025 16:03:05 -0500");
    EXPECT_EQ(now_in(0), utc);
    EXPECT_EQ(now_in(kAutoTimeZone), Now());
    EXPECT_EQ(now_in(kAutoTimeZone), utc + 7200);
}

TEST(Rfc822, AcceptsOnlyWholeRfc822Dates) {
    // What the program writes: the numeric zone is a valid date, the default mask's is not.
    for (const int zone : {-12, -1, 0, 5, 12})
        EXPECT_TRUE(rfc822_valid(RssDate(kFriday, kZoneMask, zone))) << zone;
    EXPECT_FALSE(rfc822_valid(RssDate(kFriday, "", 2)));
    {
        ScopedTz tz("Asia/Kolkata");
        EXPECT_TRUE(rfc822_valid(RssDate(kFriday, kZoneMask, kAutoTimeZone)));
    }

    for (const char* good :
         {"5 Apr 13 09:07 GMT", "Fri,05 Apr 2013 09:07:03 Z", "fri, 5 APR 2013 23:59:60 est",
          "05  Apr 2013 00:00:00   -0530", "Sun, 31 Dec 1899 12:00 UT", "1 Jan 2000 00:00 PDT"})
        EXPECT_TRUE(rfc822_valid(good)) << good;
    for (const char* bad : {"",
                            "Fri 05 Apr 2013 09:07:03 GMT",
                            "Fri, 05 Apr 2013 09:07:03 GMT ",
                            " Fri, 05 Apr 2013 09:07:03 GMT",
                            "Fri, 05 Apr 2013 09:07:03",
                            "Fri, 05 Apr 2013 09:07:03 J",
                            "Fri, 05 April 2013 09:07:03 GMT",
                            "Fry, 05 Apr 2013 09:07:03 GMT",
                            "Fri, 005 Apr 2013 09:07:03 GMT",
                            "Fri, 32 Apr 2013 09:07:03 GMT",
                            "Fri, 05 Apr 201 09:07:03 GMT",
                            "Fri, 05 Apr 20130 09:07:03 GMT",
                            "Fri, 05 Apr 2013 24:00 GMT",
                            "Fri, 05 Apr 2013 9:07 GMT",
                            "Fri, 05 Apr 2013 09:60 GMT",
                            "Fri, 05 Apr 2013 09:07:03 +530",
                            "Fri, 05 Apr 2013 09:07:03 +0560",
                            "Fri, 05 Apr 2013 09:07:03 +05300",
                            "Fri, 05 Apr 2013 09:07:03 CET",
                            "2013-04-05T09:07:03Z"})
        EXPECT_FALSE(rfc822_valid(bad)) << bad;
}
