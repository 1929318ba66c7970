// The RSS file as real feed readers see it: feed_reader.py reads it with the reader podcast tools
// use, tests/readers/read_feed.mjs with two podcast apps' parsers, and each prints what it found,
// which must be what the document holds.
#include "core/dates.h"
#include "core/podcast_guid.h"
#include "core/rss_writer.h"
#include "directory_doc.h"

#include "support/feed_readers.h"
#include "support/scoped_tz.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace qp;
using qp::test::read_feed;
using qp::test::read_with_apps;

namespace {

const DateValue kFriday = test::kDirectoryFriday;

} // namespace

TEST(FeedReader, ReadsEveryDirectoryAndPodcastElement) {
    Doc d = test::directory_doc();
    d.Lang.clear();
    d.FormatDate = "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz";
    d.TimeZone = -5;
    d.iTunesSubTitle = "Every week";
    d.iTunesSummary = "A weekly show";
    d.iTunesKeyword = "culture,tech";
    Feed& full = d.Feeds[0];
    full.FeedGUID = "g1";
    full.FeedPubDate = kFriday + 60;
    full.FeedDuration = "00:42:07";
    full.FeedSubTitle = "Short";
    full.FeedSummary = "Long & full";
    full.FeedKeyword = "k1, k2";
    Feed bare;
    bare.FeedTitle = "Two";
    bare.FeedGUID = "g2";
    d.Feeds.push_back(bare);

    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string path = tmp.path() + "feed.Xml";
    UploadJob job;
    ASSERT_EQ(BuildRssFile(path, d, job, Paths("/main/", "/home/u/", "/opt/", "")), "");
    auto seen = read_feed(path);

    // A "+hhmm" zone is read as the instant it states.
    const DateValue five_hours = DateValue{5} * 3600;
    const std::map<std::string, std::string> expected = {
        {"itunes_tags", "culture,tech,Arts,Books"},
        {"itunes_type", "serial"},
        {"itunes_new-feed-url", "https://new.ex.com/feed.xml?a=1&b=2"},
        {"itunes_block", "1"},
        {"itunes_complete", "Yes"},
        {"xml.explicit", "false"},
        {"subtitle", "Every week"},
        {"summary", "A weekly show"},
        {"owner_name", "Ann & Bob"},
        {"owner_email", "me@ex.com"},
        {"podcast_guid", podcast_guid("https://ex.com/pod/feed.Xml")},
        {"xml.locked", "yes"},
        {"locked_owner", "me@ex.com"},
        {"funding_url", "https://ex.com/pod/support.html"},
        {"xml.funding", "Support us"},
        {"updated", std::to_string(kFriday + five_hours)},
        {"item0.itunes_episode", "3"},
        {"item0.itunes_season", "2"},
        {"item0.itunes_episodetype", "trailer"},
        {"item0.xml.explicit", "true"},
        {"item0.image", "https://ex.com/pod/img/ep3.jpg"},
        {"item0.itunes_duration", "00:42:07"},
        {"item0.subtitle", "Short"},
        {"item0.itunes_summary", "Long & full"},
        {"item0.keywords", "k1,k2"},
        {"item0.transcript_url", "https://ex.com/pod/t/ep3.vtt"},
        {"item0.transcript_type", "text/vtt"},
        {"item0.published", std::to_string(kFriday + 60 + five_hours)},
        // An episode without the settings has none of the elements.
        {"item1.itunes_episode", "None"},
        {"item1.itunes_season", "None"},
        {"item1.itunes_episodetype", "None"},
        {"item1.xml.explicit", "None"},
        {"item1.image", "None"},
        {"item1.transcript_url", "None"},
    };
    EXPECT_EQ(seen.count("bozo"), 0u) << seen["bozo"];
    for (const auto& [key, value] : expected)
        EXPECT_EQ(seen[key], value) << key;
}

namespace {

struct Episode {
    std::string title;
    std::string guid;
    DateValue utc = 0; // the instant its date states
    std::string url;
    std::string length;
    std::string type;
    std::string seconds; // the duration as partytime counts it
    std::string duration;
};

// Every setting, with addresses a URL cannot hold as typed; dates in summer and in winter.
Doc every_setting(int zone) {
    Doc d = test::directory_doc();
    d.Title = "Every setting";
    d.FormatDate = std::string(kStandardRssDateMask);
    d.TimeZone = zone;
    d.LastBuildDate = date_from_fields(2024, 12, 1, 8, 0, 0);
    Feed& one = d.Feeds[0];
    one.FeedGUID = "6b171dfd";
    one.FeedPubDate = date_from_fields(2024, 7, 1, 8, 0, 0);
    one.FeedFileOnFTP = "media/episode 0 \xC3\xA9 & more.mp3";
    one.FeedFileType = "audio/mpeg";
    one.FeedFileLength = 1234;
    one.FeedDuration = "1:30";
    Feed two = one;
    two.FeedTitle = "Two";
    two.FeedGUID = "https://ex.com/pod/ep2";
    two.FeedPubDate = date_from_fields(2024, 12, 1, 7, 0, 0);
    two.FeedFileOnFTP.clear();
    two.FeedFile = "/data/\xC3\x89pisode #2 : qui ?.mp3";
    two.FeedDuration = "01:02:03";
    d.Feeds.push_back(two);
    return d;
}

// Texts that are markup to HTML, special characters with the conversion on, and the stored
// documents' date mask.
Doc hostile_text(int zone) {
    Doc d = every_setting(zone);
    d.FormatDate.clear();
    d.Flag |= kDocSpecialChar;
    d.Title = "Caf\xC3\xA9 <b> & \"Co\" \xE2\x82\xAC"
              "5";
    d.Feeds[0].FeedTitle = "[Bonus] Interview";
    d.Feeds[1].FeedTitle = "O'Brien & Co <single> \xE2\x80\xB9x\xE2\x80\xBA ]]> end";
    for (Feed& f : d.Feeds)
        f.FeedFlag |= kFeedSpecialChar;
    return d;
}

} // namespace

TEST(FeedReader, PodcastAppsReadTheInstantsTextsAndAddressesWritten) {
    struct Computer {
        const char* tz;
        int zone;
        // The offsets the summer and winter dates state.
        int summer;
        int winter;
    };
    for (const Computer& computer :
         {Computer{"Europe/Paris", kAutoTimeZone, 2, 1}, Computer{"UTC", -5, -5, -5}}) {
        test::ScopedTz tz(computer.tz);
        for (const Doc& d : {every_setting(computer.zone), hostile_text(computer.zone)}) {
            SCOPED_TRACE(std::string(computer.tz) + " " + d.Title);
            test::TempDir tmp;
            ASSERT_TRUE(tmp.ok());
            const std::string path = tmp.path() + "feed.Xml";
            UploadJob job;
            ASSERT_EQ(BuildRssFile(path, d, job, Paths("/main/", "/home/u/", "/opt/", "")), "");
            auto seen = read_with_apps(path);

            const auto utc = [](DateValue local, int hours) { return local - hours * 3600; };
            const Episode expected[] = {
                {d.Feeds[0].FeedTitle, "6b171dfd", utc(d.Feeds[0].FeedPubDate, computer.summer),
                 "https://ex.com/pod/media/episode%200%20%C3%A9%20&%20more.mp3", "1234",
                 "audio/mpeg", "90", "1:30"},
                {d.Feeds[1].FeedTitle, "https://ex.com/pod/ep2",
                 utc(d.Feeds[1].FeedPubDate, computer.winter),
                 "https://ex.com/pod/%C3%89pisode%20%232%20:%20qui%20%3F.mp3", "1234", "audio/mpeg",
                 "3723", "01:02:03"},
            };
            for (const std::string reader : {"partytime.", "rss-parser."}) {
                EXPECT_EQ(seen[reader + "title"], d.Title) << reader;
                EXPECT_EQ(seen[reader + "built"],
                          std::to_string(utc(d.LastBuildDate, computer.winter)))
                    << reader;
                ASSERT_EQ(seen[reader + "items"], "2") << reader;
                for (std::size_t n = 0; n < std::size(expected); ++n) {
                    const Episode& e = expected[n];
                    const std::string item = reader + "item" + std::to_string(n) + ".";
                    EXPECT_EQ(seen[item + "title"], e.title) << item;
                    EXPECT_EQ(seen[item + "guid"], e.guid) << item;
                    EXPECT_EQ(seen[item + "date"], std::to_string(e.utc)) << item;
                    EXPECT_EQ(seen[item + "url"], e.url) << item;
                    EXPECT_EQ(seen[item + "length"], e.length) << item;
                    EXPECT_EQ(seen[item + "type"], e.type) << item;
                    EXPECT_EQ(seen[item + "duration"],
                              reader == "partytime." ? e.seconds : e.duration)
                        << item;
                }
            }
        }
    }
}
