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

namespace {

// The feed of doc as the apps read it.
std::map<std::string, std::string> apps_read(const Doc& d) {
    test::TempDir tmp;
    EXPECT_TRUE(tmp.ok());
    const std::string path = tmp.path() + "feed.Xml";
    UploadJob job;
    EXPECT_EQ(BuildRssFile(path, d, job, Paths("/main/", "/home/u/", "/opt/", "")), "");
    return read_with_apps(path);
}

} // namespace

// partytime reads back every element of the namespace the program writes, as JSON of its own
// fields; feedparser and rss-parser still read the feed around them.
TEST(FeedReader, PodcastAppsReadBackEveryPodcastElement) {
    Doc d = test::everything_doc();
    d.Title = "Everything";
    d.Feeds[0].FeedGUID = "g1";
    const std::map<std::string, std::string> expected = {
        {"guid", R"("024d896b-bf3d-5412-9909-7574bd82c166")"},
        {"locked", "true"},
        {"lockedOwner", R"("me@ex.com")"},
        // Roles and groups are read against the taxonomy; one outside it reads as the default.
        {"people",
         R"([{"name":"Ann Host","role":"Host","group":"Cast","img":"https://ex.com/ann.jpg",)"
         R"("href":"https://ex.com/ann"},{"name":"Bob","role":"Editor","group":"Cast"}])"},
        {"location", R"({"name":"Lyon, France","osm":"R120965","geo":"geo:45.76,4.84"})"},
        {"trailers",
         R"([{"title":"Season 2 is coming","url":"https://ex.com/trailer2.mp3",)"
         R"("pubdate":"2013-04-05T09:07:03.000Z","type":"audio/mpeg","length":12345,"season":2}])"},
        {"license",
         R"({"identifier":"cc-by-4.0","url":"https://spdx.org/licenses/CC-BY-4.0.html"})"},
        {"medium", R"("podcast")"},
        {"blocked", R"("no")"},
        {"blockedPlatforms", R"({"google":true})"},
        {"txt",
         R"([{"value":"S6lpp-7ZCn8-dZfGc-OoyaG","purpose":"verify"},{"value":"free & open"}])"},
        {"podroll", R"([{"feedGuid":"917393e3-1b1e-5cef-ace4-edaa54e1f810",)"
                    R"("feedUrl":"https://other.ex/feed.xml","medium":"podcast"}])"},
        {"value", R"({"type":"lightning","method":"keysend","suggested":5e-8,"recipients":[)"
                  R"({"name":"Ann","type":"node","address":)"
                  R"("02d5c1bf8b940dc9cadca86d1b0a3c37fbe39cee4c7e839e33bef9174531d27f52",)"
                  R"("split":90,"fee":false},{"name":"Host fee","customKey":"696969",)"
                  R"("customValue":"abc","type":"node","address":)"
                  R"("032f4ffbbafffbe51726ad3c164a3d0d37ec27bc67b29a159b0f49ae8ac21b8508",)"
                  R"("split":10,"fee":true}]})"},
        {"item0.people",
         R"([{"name":"Guest Star","role":"Guest","group":"Cast","href":"https://guest.ex"}])"},
        {"item0.location", R"({"name":"Paris","geo":"geo:48.85,2.35"})"},
        {"item0.season", R"({"number":2,"name":"The second"})"},
        {"item0.episode", R"({"number":3,"display":"Special 3"})"},
        // A soundbite without a title takes the show's.
        {"item0.soundbites", R"([{"duration":60,"startTime":73,"title":"The best minute"},)"
                             R"({"duration":30,"startTime":1200.5,"title":"Everything"}])"},
        {"item0.alternates",
         R"([{"type":"audio/opus","length":1500000,"source":[{"uri":"https://ex.com/ep3.opus",)"
         R"("contentType":"audio/opus"}],"default":false,"bitrate":32000,"lang":"en",)"
         R"("title":"Low bit rate","codecs":"opus"},{"type":"video/mp4","length":90000000,)"
         R"("source":[{"uri":"https://ex.com/ep3.mp4","contentType":"video/mp4"}],)"
         R"("default":true,"height":1080,"title":"Video"}])"},
        // The project's first transcript leads; a language left out is the channel's.
        {"item0.transcripts",
         R"([{"url":"https://ex.com/pod/t/ep3.vtt","type":"text/vtt","language":"fr"},)"
         R"({"url":"https://ex.com/ep3.srt","type":"application/srt","language":"en",)"
         R"("rel":"captions"},{"url":"https://ex.com/ep3.json","type":"application/json",)"
         R"("language":"fr"}])"},
        {"item0.value",
         R"({"type":"lightning","method":"keysend","suggested":5e-8,"recipients":[)"
         R"({"name":"Guest","type":"lnaddress","address":"guest@getalby.com","split":100,)"
         R"("fee":false}],"valueTimeSplits":[{"type":"remoteItem","startTime":120,)"
         R"("duration":180,"remoteStartTime":30,"remotePercentage":95,"remoteItem":{)"
         R"("feedGuid":"917393e3-1b1e-5cef-ace4-edaa54e1f810",)"
         R"("itemGuid":"https://other.ex/song1"}}]})"},
        {"item0.content",
         R"("<p>Show notes with <a href=\"https://ex.com\">a link</a> & more.</p>")"},
    };
    auto seen = apps_read(d);
    for (const auto& [key, value] : expected) {
        const std::size_t dot = key.find('.');
        const std::string name = dot == std::string::npos ? "partytime.podcast." + key
                                                          : "partytime." + key.substr(0, dot + 1) +
                                                                "podcast." + key.substr(dot + 1);
        EXPECT_EQ(seen[name], value) << name;
    }
    EXPECT_EQ(seen["partytime.item0.chapters"],
              "https://ex.com/pod/ep3.chapters.json application/json+chapters");
    for (const std::string reader : {"partytime.", "rss-parser."}) {
        EXPECT_EQ(seen[reader + "title"], "Everything") << reader;
        EXPECT_EQ(seen[reader + "items"], "1") << reader;
        EXPECT_EQ(seen[reader + "item0.title"], "One") << reader;
        EXPECT_EQ(seen[reader + "item0.url"], "https://ex.com/pod/ep3.mp3") << reader;
        EXPECT_EQ(seen[reader + "item0.length"], "4000000") << reader;
        EXPECT_EQ(seen[reader + "item0.type"], "audio/mpeg") << reader;
    }

    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string path = tmp.path() + "feed.Xml";
    UploadJob job;
    ASSERT_EQ(BuildRssFile(path, d, job, Paths("/main/", "/home/u/", "/opt/", "")), "");
    auto parsed = read_feed(path);
    EXPECT_EQ(parsed.count("bozo"), 0u) << parsed["bozo"];
    EXPECT_EQ(parsed["title"], "Everything");
    EXPECT_EQ(parsed["items"], "1");
    EXPECT_EQ(parsed["item0.title"], "One");
    EXPECT_EQ(parsed["item0.id"], "g1");
    EXPECT_EQ(parsed["item0.enclosure_href"], "https://ex.com/pod/ep3.mp3");
    EXPECT_EQ(parsed["item0.enclosure_length"], "4000000");
    EXPECT_EQ(parsed["item0.enclosure_type"], "audio/mpeg");
}

// What partytime leaves out of elements stated by halves: the conditions the feed check warns
// about.
TEST(FeedReader, PartytimeDropsHalfStatedElements) {
    Doc d = test::everything_doc();
    d.Feeds[0].FeedGUID = "g1";
    d.PodcastLockedOwner.clear();                                // locked without its owner
    d.Trailers[0].PubDate = 0;                                   // trailer without its date
    d.License = "My own licence";                                // no SPDX name, no address
    d.Podroll = {{"", "https://other.ex/feed.xml", "", "", ""}}; // no feed GUID
    d.Persons[0].Role = "pope";                                  // kept, as the default role
    Feed& f = d.Feeds[0];
    f.FeedSoundbites = {{0, 30, "At the start"}, {10, 0, "No length"}, {5, 5, "Kept"}};
    f.FeedAlternates[0].Length = 0; // alternate form without its length
    f.FeedTranscripts = {{"", "https://ex.com/ep3.pdf", "", "", 0}}; // no type
    f.FeedValueSplits[0].FeedGuid.clear();

    auto seen = apps_read(d);
    for (const char* key : {"locked", "lockedOwner", "trailers", "license", "podroll"})
        EXPECT_EQ(seen[std::string("partytime.podcast.") + key], "null") << key;
    EXPECT_NE(seen["partytime.podcast.people"].find(R"({"name":"Ann Host","role":"Host")"),
              std::string::npos);
    EXPECT_EQ(seen["partytime.item0.podcast.soundbites"],
              R"([{"duration":5,"startTime":5,"title":"Kept"}])");
    EXPECT_EQ(seen["partytime.item0.podcast.alternates"].find("audio/opus"), std::string::npos);
    EXPECT_NE(seen["partytime.item0.podcast.alternates"].find("video/mp4"), std::string::npos);
    // A transcript without a type reads as of unknown type beside a typed one.
    EXPECT_NE(seen["partytime.item0.podcast.transcripts"].find(
                  R"({"url":"https://ex.com/ep3.pdf","type":"unknown")"),
              std::string::npos);
    // A split to no feed reads as one that pays no one.
    EXPECT_NE(seen["partytime.item0.podcast.value"].find(
                  R"("valueTimeSplits":[{"type":"recipients","startTime":120,"duration":180,)"
                  R"("recipients":[]}])"),
              std::string::npos);
    f.FeedTranscriptUrl.clear();
    EXPECT_EQ(apps_read(d)["partytime.item0.podcast.transcripts"], "null");
}
