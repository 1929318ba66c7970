#include "core/dates.h"
#include "core/feed_date.h"
#include "core/feed_import.h"
#include "core/project_format.h"
#include "core/rss_writer.h"
#include "directory_doc.h"

#include "support/scoped_tz.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>

#include <unistd.h>

using namespace qp;

namespace {

const Paths kPaths("/main/", "/home/u/", "/opt/", "");

std::string build(const Doc& doc) {
    std::string out;
    StringXmlSink sink(out);
    UploadJob job;
    EXPECT_EQ(build_rss_xml(doc, job, kPaths, sink), "");
    return out;
}

// Every setting, two episodes, dates in summer and in winter, texts that are markup.
Doc every_setting(int zone, bool special) {
    Doc d = test::directory_doc();
    d.Title = "Every setting";
    d.Desc = "First line\r\nSecond [with a link https://ex.com/a] & <more>";
    d.Copyright = "(c) 2024";
    d.WebMaster = "web@ex.com (Web)";
    d.Category = "Arts;Books";
    d.ImageUrl = "https://ex.com/art.jpg";
    d.ImageTitle = "Art";
    d.ImageLink = "https://ex.com/";
    d.iTunesAuthor = "Ann";
    d.iTunesSubTitle = "Sub";
    d.iTunesSummary = "Summary";
    d.iTunesKeyword = "a,b";
    d.FormatDate = special ? "" : std::string(kStandardRssDateMask);
    d.TimeZone = zone;
    d.LastBuildDate = date_from_fields(2024, 12, 1, 8, 0, 0);
    Feed& one = d.Feeds[0];
    one.FeedGUID = "6b171dfd";
    one.FeedPubDate = date_from_fields(2024, 7, 1, 8, 0, 0);
    one.FeedFileOnFTP = "media/episode 0 \xC3\xA9 & more.mp3";
    one.FeedFileType = "audio/mpeg";
    one.FeedFileLength = 1234;
    one.FeedDuration = "1:30";
    one.FeedAuthor = "ann@ex.com (Ann)";
    one.FeedCategory = "News";
    one.FeedComments = "https://ex.com/c";
    one.FeedLink = "https://ex.com/1";
    one.FeedSubTitle = "s";
    one.FeedSummary = "sum";
    one.FeedKeyword = "k";
    one.FeedDesc = "Caf\xC3\xA9 <b>\r\n[Bonus] \xE2\x82\xAC";
    Feed two = one;
    two.FeedTitle = "O'Brien & Co <single> ]]> end";
    two.FeedGUID = "https://ex.com/pod/ep2";
    two.FeedPubDate = date_from_fields(2024, 12, 1, 7, 0, 0);
    two.FeedFileOnFTP = "https://cdn.ex.com/two.mp3?x=1";
    two.FeedDuration = "01:02:03";
    d.Feeds.push_back(two);
    if (special) {
        d.Flag |= kDocSpecialChar;
        for (Feed& f : d.Feeds)
            f.FeedFlag |= kFeedSpecialChar;
    }
    return d;
}

Result<ImportedFeed> import_text(std::string_view xml) {
    return import_feed(xml);
}

// A feed of another generator: every directory setting, elements of other namespaces, the full
// text beside the description.
constexpr std::string_view kForeign = R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0" xmlns:itunes="http://www.itunes.com/dtds/podcast-1.0.dtd"
     xmlns:podcast="https://podcastindex.org/namespace/1.0"
     xmlns:content="http://purl.org/rss/1.0/modules/content/" xmlns:media="http://search.yahoo.com/mrss/">
  <channel>
    <title>Foreign &amp; Co</title>
    <link>https://foreign.example/show</link>
    <description><![CDATA[<p>About [1]</p>]]></description>
    <language>en-us</language>
    <generator>Another generator 1.0</generator>
    <image><url>https://foreign.example/art.png</url><title>Art</title><link>https://foreign.example/show</link></image>
    <itunes:image href="https://foreign.example/art.png"/>
    <itunes:category text="Society &amp; Culture"><itunes:category text="Documentary"/></itunes:category>
    <itunes:explicit>yes</itunes:explicit>
    <itunes:owner><itunes:name>Owner</itunes:name><itunes:email>o@foreign.example</itunes:email></itunes:owner>
    <itunes:block>Yes</itunes:block>
    <podcast:guid>917393e3-1b1e-5cef-ace4-edaa54e1f810</podcast:guid>
    <podcast:locked owner="o@foreign.example">no</podcast:locked>
    <podcast:person role="host" img="https://foreign.example/p.jpg">Jane
      Doe</podcast:person>
    <cloud domain="rpc.example" port="80" path="/x" registerProcedure="p" protocol="xml-rpc"/>
    <item>
      <title>Episode 1</title>
      <link>https://foreign.example/1</link>
      <description>Short</description>
      <content:encoded><![CDATA[<p>Full text</p>]]></content:encoded>
      <guid isPermaLink="false">ep-1</guid>
      <pubDate>Mon, 01 Jul 2024 08:00:00 +0200</pubDate>
      <enclosure url="https://cdn.example/1.mp3" length="5000" type="audio/mpeg"/>
      <itunes:duration>3600</itunes:duration>
      <itunes:episode>1</itunes:episode>
      <itunes:episodeType>Full</itunes:episodeType>
      <podcast:transcript url="https://foreign.example/1.vtt" type="text/vtt"/>
      <podcast:chapters url="https://foreign.example/1.json" type="application/json+chapters"/>
      <media:content url="https://cdn.example/1.mp4" medium="video"><media:title>One</media:title></media:content>
    </item>
    <item>
      <title>Episode 2</title>
      <link>https://foreign.example/2</link>
      <pubDate>Sun, 1 Dec 2024 07:00 CET</pubDate>
      <enclosure url="https://cdn.example/2.mp3" length="6000" type="audio/mpeg"/>
    </item>
  </channel>
</rss>
)";

} // namespace

TEST(FeedImport, OwnFeedComesBackByteForByte) {
    struct Computer {
        const char* tz;
        int zone;
    };
    for (const Computer& computer :
         {Computer{"Europe/Paris", kAutoTimeZone}, Computer{"UTC", -5}, Computer{"UTC", 0}}) {
        test::ScopedTz tz(computer.tz);
        for (const bool special : {false, true}) {
            SCOPED_TRACE(std::string(computer.tz) + (special ? " special" : ""));
            const Doc original = every_setting(computer.zone, special);
            const std::string rss = build(original);
            Result<ImportedFeed> imported = import_text(rss);
            ASSERT_TRUE(imported.ok()) << imported.error_text();
            EXPECT_TRUE(imported->kept.empty());
            const Doc& d = imported->doc;
            EXPECT_EQ(d.TimeZone, computer.zone);
            EXPECT_EQ(d.Feeds.size(), 2u);
            EXPECT_EQ(d.Feeds[1].FeedPubDate, original.Feeds[1].FeedPubDate);
            EXPECT_EQ(d.RssName, "feed");
            EXPECT_EQ(d.PodcastGuid, ""); // the one the address gives
            EXPECT_EQ(build(d), rss);
            // Through the project file as well.
            Doc loaded;
            parse_project(loaded, format_project(d));
            EXPECT_EQ(build(loaded), rss);
        }
    }
}

TEST(FeedImport, ForeignFeedKeepsWhatIsNotModelled) {
    test::ScopedTz tz("Europe/Paris");
    Result<ImportedFeed> imported = import_text(kForeign);
    ASSERT_TRUE(imported.ok()) << imported.error_text();
    const Doc& d = imported->doc;
    EXPECT_EQ(d.Title, "Foreign & Co");
    // A bracket the writer would take for a link is written as its reference.
    EXPECT_EQ(d.Desc, "<p>About &#91;1]</p>");
    EXPECT_EQ(d.ImageUrl, "https://foreign.example/art.png");
    EXPECT_EQ(d.iTunesCategory, "Society & Culture");
    EXPECT_EQ(d.iTunesSubCategory, "Documentary");
    EXPECT_EQ(d.iTunesExplicit, "true");
    EXPECT_EQ(d.iTunesOwnerName, "Owner");
    EXPECT_EQ(d.iTunesMail, "o@foreign.example");
    EXPECT_EQ(d.iTunesBlock, 1);
    EXPECT_EQ(d.PodcastGuid, "917393e3-1b1e-5cef-ace4-edaa54e1f810");
    EXPECT_EQ(d.PodcastLocked, "no");
    EXPECT_EQ(d.PodcastLockedOwner, "o@foreign.example");
    EXPECT_EQ(d.Flag & (kITunesInclude | kPodcastInclude), kITunesInclude | kPodcastInclude);
    ASSERT_EQ(d.Feeds.size(), 2u);
    EXPECT_EQ(d.MaxFeed, 15); // the default, above the episodes read
    const Feed& one = d.Feeds[0];
    EXPECT_EQ(one.FeedDesc, "Short");
    EXPECT_EQ(one.FeedContent, "<p>Full text</p>");
    EXPECT_EQ(one.FeedGUID, "ep-1");
    EXPECT_EQ(one.FeedFileOnFTP, "https://cdn.example/1.mp3");
    EXPECT_EQ(one.FeedFileLength, 5000);
    EXPECT_EQ(one.FeedDuration, "3600");
    EXPECT_EQ(one.FeedEpisode, 1);
    EXPECT_EQ(one.FeedEpisodeType, "full");
    EXPECT_EQ(one.FeedTranscriptUrl, "https://foreign.example/1.vtt");
    // +0200 and CET differ: the automatic zone, each instant kept.
    EXPECT_EQ(d.TimeZone, kAutoTimeZone);
    EXPECT_EQ(one.FeedPubDate, date_from_fields(2024, 7, 1, 8, 0, 0));
    EXPECT_EQ(d.Feeds[1].FeedPubDate, date_from_fields(2024, 12, 1, 7, 0, 0));

    const std::vector<Person> jane = {
        {"Jane\n      Doe", "host", "", "https://foreign.example/p.jpg", ""}};
    EXPECT_EQ(d.Persons, jane);
    EXPECT_EQ(d.ExtraXml, "<cloud domain=\"rpc.example\" port=\"80\" path=\"/x\" "
                          "registerProcedure=\"p\" protocol=\"xml-rpc\"/>");
    EXPECT_EQ(one.FeedChaptersUrl, "https://foreign.example/1.json");
    EXPECT_EQ(one.FeedExtraXml,
              "<media:content xmlns:media=\"http://search.yahoo.com/mrss/\" "
              "url=\"https://cdn.example/1.mp4\" medium=\"video\"><media:title>One</media:title>"
              "</media:content>");
    ASSERT_EQ(imported->kept.size(), 2u);
    EXPECT_EQ(imported->notes.size(), 0u);
    EXPECT_EQ(imported->kept[0].name, "cloud");
    EXPECT_EQ(imported->kept[0].where, "channel");

    // Written again, then read again: the same document.
    const std::string rss = build(d);
    EXPECT_NE(rss.find("<podcast:guid>917393e3-1b1e-5cef-ace4-edaa54e1f810</podcast:guid>"),
              std::string::npos);
    Result<ImportedFeed> again = import_text(rss);
    ASSERT_TRUE(again.ok()) << again.error_text();
    Doc second = again->doc;
    second.LastBuildDate = d.LastBuildDate; // the first feed had none
    EXPECT_EQ(second, d);

    // Chapters of another format are kept as they stand, and written once.
    Result<ImportedFeed> psc =
        import_text("<rss xmlns:podcast=\"https://podcastindex.org/namespace/1.0\"><channel><item>"
                    "<podcast:chapters url=\"https://ex.com/1.xml\" type=\"application/xml\"/>"
                    "</item></channel></rss>");
    ASSERT_TRUE(psc.ok()) << psc.error_text();
    EXPECT_EQ(psc->doc.Feeds[0].FeedChaptersUrl, "");
    const std::string kept = build(psc->doc);
    EXPECT_NE(kept.find("url=\"https://ex.com/1.xml\" type=\"application/xml\"/>"),
              std::string::npos);
    EXPECT_EQ(kept.find("<podcast:chapters"), kept.rfind("<podcast:chapters"));

    // A second full text is kept, not lost.
    Result<ImportedFeed> two =
        import_text("<rss xmlns:c=\"http://purl.org/rss/1.0/modules/content/\"><channel><item>"
                    "<c:encoded>a</c:encoded><c:encoded>b</c:encoded></item></channel></rss>");
    ASSERT_TRUE(two.ok()) << two.error_text();
    EXPECT_EQ(two->doc.Feeds[0].FeedContent, "a");
    EXPECT_EQ(two->doc.Feeds[0].FeedExtraXml,
              "<c:encoded xmlns:c=\"http://purl.org/rss/1.0/modules/content/\">b</c:encoded>");

    // Hand-edited markup that is not well-formed is left out, never written broken.
    Doc broken = d;
    broken.ExtraXml = "<a><b></a>";
    broken.Feeds[0].FeedExtraXml = "<x:y/>";
    const std::string fixed = build(broken);
    EXPECT_EQ(fixed.find("<a><b>"), std::string::npos);
    EXPECT_EQ(fixed.find("<x:y/>"), std::string::npos);
}

TEST(FeedImport, AnImageOrSelfLinkKeptAsItStandsIsNotWrittenTwice) {
    const std::string feed =
        "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" "
        "xmlns:a=\"http://www.w3.org/2005/Atom\"><channel><title>T</title>"
        "<link>https://ex.com/</link><image><url>https://ex.com/i.png</url><title>T</title>"
        "<link>https://ex.com/</link><width>100</width></image>"
        "<itunes:image href=\"https://ex.com/big.png\"/><item/></channel></rss>";
    Result<ImportedFeed> r = import_feed(feed);
    ASSERT_TRUE(r.ok()) << r.error_text();
    EXPECT_EQ(r->doc.ImageUrl, "");
    const std::string rss = build(r->doc);
    EXPECT_EQ(rss.find("<image>"), rss.rfind("<image>"));
    EXPECT_NE(rss.find("<width>100</width>"), std::string::npos);
    EXPECT_EQ(rss.find("<itunes:image"), rss.rfind("<itunes:image"));
    EXPECT_NE(rss.find("https://ex.com/big.png"), std::string::npos);

    // Without the iTunes elements the writer gives no address of its own: the feed's is kept.
    r = import_feed(
        "<rss version=\"2.0\" xmlns:a=\"http://www.w3.org/2005/Atom\"><channel>"
        "<link>https://ex.com/</link><a:link rel=\"self\" href=\"https://feeds.ex.com/x\"/>"
        "<item/></channel></rss>");
    ASSERT_TRUE(r.ok()) << r.error_text();
    EXPECT_NE(build(r->doc).find("href=\"https://feeds.ex.com/x\""), std::string::npos);
}

TEST(FeedImport, EncodingsAndOneZone) {
    test::ScopedTz tz("UTC");
    // Windows-1252 as declared: the euro sign is 0x80 there.
    const std::string cp1252 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?><rss "
                               "version=\"2.0\"><channel><title>5 \x80 caf\xE9</title><item>"
                               "<pubDate>2024-07-01T08:00:00+02:00</pubDate></item>"
                               "<item><pubDate>Tue, 2 Jul 2024 09:00:00 +0200</pubDate></item>"
                               "</channel></rss>";
    Result<ImportedFeed> r = import_feed(cp1252);
    ASSERT_TRUE(r.ok()) << r.error_text();
    EXPECT_EQ(r->doc.Title, "5 \xE2\x82\xAC caf\xC3\xA9");
    EXPECT_EQ(r->doc.TimeZone, 2);
    // The episode limit holds every episode, so the next one added does not cut the feed down.
    std::string many = "<rss version=\"2.0\"><channel>";
    for (int k = 0; k < 40; ++k)
        many += "<item/>";
    many += "</channel></rss>";
    EXPECT_EQ(import_feed(many)->doc.MaxFeed, 40);
    EXPECT_EQ(r->doc.Feeds[0].FeedPubDate, date_from_fields(2024, 7, 1, 8, 0, 0));
    // The newest episode's date stands for the missing build date.
    EXPECT_EQ(r->doc.LastBuildDate, date_from_fields(2024, 7, 2, 9, 0, 0));

    // UTF-16 with its mark.
    const std::string utf8 = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>"
                             "\xC3\xA9t\xC3\xA9</title><item/></channel></rss>";
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c : std::u16string(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><rss "
                                           u"version=\"2.0\"><channel><title>\u00E9t\u00E9</title>"
                                           u"<item/></channel></rss>")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    for (const std::string& bytes : {utf8, utf16}) {
        Result<ImportedFeed> u = import_feed(bytes);
        ASSERT_TRUE(u.ok()) << u.error_text();
        EXPECT_EQ(u->doc.Title, "\xC3\xA9t\xC3\xA9");
    }
}

TEST(FeedImport, HostileAndBrokenInputGetAClearMessage) {
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
        "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">"
        "<!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">"
        "<!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">"
        "<!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">"
        "<!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">"
        "<!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">]>"
        "<rss version=\"2.0\"><channel><title>&lol9;</title><item/></channel></rss>";
    const std::string xxe = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM "
                            "\"file:///etc/passwd\">]><rss version=\"2.0\"><channel><title>&x;"
                            "</title><item/></channel></rss>";
    const std::string parameter = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY % p SYSTEM "
                                  "\"file:///etc/passwd\">%p;]><rss version=\"2.0\"><channel>"
                                  "<item/></channel></rss>";
    const std::string feed = "<rss version=\"2.0\"><channel><title>T</title><item><title>A"
                             "</title></item><item><title>B</title></item></channel></rss>";
    struct Case {
        std::string bytes;
        ErrorKind kind;
        std::string_view says;
    };
    const Case cases[] = {
        {laughs, ErrorKind::BadInput, "entities"},
        {xxe, ErrorKind::BadInput, "entities"},
        {parameter, ErrorKind::BadInput, "entities"},
        {"<!DOCTYPE html><html><head><title>x</title></head><body></body></html>",
         ErrorKind::BadInput, "web page"},
        {"<html><body><p>unclosed<br></body></html>", ErrorKind::BadInput, "web page"},
        {feed.substr(0, feed.size() - 30), ErrorKind::BadInput, "cut short"},
        {"<rss version=\"2.0\"><channel><title>T</title></channel></rss>", ErrorKind::BadInput,
         "no episodes"},
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"/>", ErrorKind::BadInput, "Atom"},
        {"", ErrorKind::BadInput, "empty"},
        {"not xml at all", ErrorKind::BadInput, "well-formed"},
        {"<rss><channel><title>&nbsp;</title><item/></channel></rss>", ErrorKind::BadInput,
         "well-formed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        const Result<ImportedFeed> r = import_feed(c.bytes);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.kind(), c.kind);
        EXPECT_NE(r.error_text().find(c.says), std::string::npos) << r.error_text();
    }

    ImportOptions small;
    small.max_bytes = feed.size() - 1;
    EXPECT_EQ(import_feed(feed, small).kind(), ErrorKind::TooLarge);
    // A stream of 1 GB of well-formed items stops at the limit (smaller here, to be quick), not at
    // the end of memory.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    // The writer learns of the closed pipe from its write, not from a signal.
    const sighandler_t old_pipe = std::signal(SIGPIPE, SIG_IGN);
    std::thread writer([out = ends[1]] {
        const std::string head = "<rss version=\"2.0\"><channel>";
        std::string items;
        while (items.size() < 65536)
            items += "<item><title>x</title></item>";
        std::uint64_t sent = 0;
        bool open = ::write(out, head.data(), head.size()) > 0;
        while (open && sent < (std::uint64_t{1} << 30)) {
            const ssize_t n = ::write(out, items.data(), items.size());
            open = n > 0;
            sent += open ? static_cast<std::uint64_t>(n) : 0;
        }
        ::close(out);
    });
    ImportOptions four_mb;
    four_mb.max_bytes = std::uint64_t{4} << 20;
    const Result<ImportedFeed> endless =
        import_feed_file("/dev/fd/" + std::to_string(ends[0]), four_mb);
    ::close(ends[0]);
    writer.join();
    std::signal(SIGPIPE, old_pipe);
    EXPECT_EQ(endless.kind(), ErrorKind::TooLarge) << endless.error_text();
    EXPECT_EQ(import_feed_file("/dev/zero").kind(), ErrorKind::BadInput);
    EXPECT_EQ(import_feed_file("/nonexistent/feed.xml").kind(), ErrorKind::NotFound);

    const std::atomic<bool> cancel{true};
    ImportOptions cancelled;
    cancelled.cancel = &cancel;
    EXPECT_EQ(import_feed(feed, cancelled).kind(), ErrorKind::Cancelled);
}

TEST(FeedImport, DatesInTheFormsReadersAccept) {
    const std::int64_t utc = date_from_fields(2024, 7, 1, 6, 0, 0);
    struct Case {
        std::string_view text;
        std::int32_t offset;
    };
    for (const Case c :
         {Case{"Mon, 01 Jul 2024 08:00:00 +0200", 7200},
          Case{"Monday, 1 July 2024 08:00:00 +02:00", 7200}, Case{"Mon 01 Jul 24 06:00 GMT", 0},
          Case{"1 Jul 2024 06:00:00", 0}, Case{"Mon, 01 Jul 2024 02:00:00 EDT", -14400},
          Case{"Mon, 01 Jul 2024 08:00:00 CEST", 7200},
          Case{"Mon, 01 Jul 2024 11:30:00 +0530", 19800}, Case{"Mon, 01 Jul 2024 06:00:00 Z", 0},
          Case{"Jul 1 2024 06:00:00 UTC", 0}, Case{"2024-07-01T08:00:00.123+02:00", 7200},
          Case{"2024-07-01 06:00:00Z", 0}}) {
        const std::optional<FeedInstant> at = parse_feed_date(c.text);
        ASSERT_TRUE(at.has_value()) << c.text;
        EXPECT_EQ(at->utc, utc) << c.text;
        EXPECT_EQ(at->offset, c.offset) << c.text;
    }
    for (const std::string_view bad : {"", "yesterday", "32 Jul 2024 06:00 GMT",
                                       "01 Jul 2024 06:00 +02:00:00", "01 Jul 2024 06:00 XYZ"})
        EXPECT_FALSE(parse_feed_date(bad).has_value()) << bad;
}

// The rest of the podcast namespace, written by hand as test::everything_doc() would be, with
// variants the document cannot hold.
TEST(FeedImport, PodcastNamespaceFillsTheModelAndKeepsTheRest) {
    const std::string guid = "917393e3-1b1e-5cef-ace4-edaa54e1f810";
    const std::string feed =
        R"(<rss version="2.0" xmlns:itunes="http://www.itunes.com/dtds/podcast-1.0.dtd"
 xmlns:podcast="https://podcastindex.org/namespace/1.0"
 xmlns:content="http://purl.org/rss/1.0/modules/content/"><channel><title>T</title>
<link>https://ex.com/pod</link><lastBuildDate>Fri, 05 Apr 2013 09:07:03 GMT</lastBuildDate>
<podcast:person role="host" group="cast" img="https://ex.com/ann.jpg" href="https://ex.com/ann">Ann Host</podcast:person>
<podcast:person role="editor" group="post-production"> Bob </podcast:person>
<podcast:location geo="geo:45.76,4.84" osm="R120965">Lyon, France</podcast:location>
<podcast:location>Lyon</podcast:location>
<podcast:trailer pubdate="Fri, 05 Apr 2013 09:07:03 GMT" url="https://ex.com/trailer2.mp3" length="12345" type="audio/mpeg" season="2">Season 2 is coming</podcast:trailer>
<podcast:trailer pubdate="soon" url="https://ex.com/t3.mp3">Soon</podcast:trailer>
<podcast:license>cc-by-4.0</podcast:license>
<podcast:medium>podcast</podcast:medium>
<podcast:updateFrequency rrule="FREQ=WEEKLY;BYDAY=FR" dtstart="2013-04-05T09:00:00Z">Every Friday</podcast:updateFrequency>
<podcast:txt purpose="verify">S6lpp-7ZCn8-dZfGc-OoyaG</podcast:txt><podcast:txt>free &amp; open</podcast:txt>
<podcast:block>no</podcast:block><podcast:block id="google">yes</podcast:block>
<podcast:block id="apple">maybe</podcast:block>
<podcast:podroll><podcast:remoteItem feedGuid=")" +
        guid + R"(" feedUrl="https://other.ex/feed.xml" medium="podcast"/></podcast:podroll>
<podcast:value type="lightning" method="keysend" suggested="0.00000005000">
<podcast:valueRecipient name="Ann" type="node" address="02d5c1bf8b940dc9cadca86d1b0a3c37fbe39cee4c7e839e33bef9174531d27f52" split="90"/>
<podcast:valueRecipient name="Host fee" type="node" address="032f4ffbbafffbe51726ad3c164a3d0d37ec27bc67b29a159b0f49ae8ac21b8508" split="10" fee="true" customKey="696969" customValue="abc"/>
</podcast:value>
<item><title>One</title><guid>g1</guid><pubDate>Fri, 05 Apr 2013 09:07:03 GMT</pubDate>
<enclosure url="https://ex.com/ep3.mp3" length="4000000" type="audio/mpeg"/>
<itunes:episode>3</itunes:episode><itunes:title>One</itunes:title>
<podcast:season name="The second">2</podcast:season><itunes:season>2</itunes:season>
<podcast:episode display="Special 3">3</podcast:episode>
<podcast:transcript url="https://ex.com/ep3.srt" type="application/x-subrip" language="en" rel="captions"/>
<podcast:transcript url="t/ep3.vtt" type="text/vtt"/>
<podcast:transcript url="https://ex.com/ep3.json" type="application/json" language="fr"/>
<podcast:transcript url="https://ex.com/ep3.html" type="text/html" rel="notes"/>
<podcast:person role="guest" group="cast" href="https://guest.ex">Guest Star</podcast:person>
<podcast:location geo="geo:48.85,2.35">Paris</podcast:location>
<podcast:soundbite startTime="73" duration="60">The best minute</podcast:soundbite>
<podcast:soundbite startTime="1200.5" duration="30"/><podcast:soundbite startTime="inf" duration="1"/>
<podcast:alternateEnclosure type="audio/opus" length="1500000" bitrate="32000" lang="en" title="Low bit rate" codecs="opus">
 <podcast:source uri="https://ex.com/ep3.opus"/></podcast:alternateEnclosure>
<podcast:alternateEnclosure type="video/mp4" length="90000000" height="1080" title="Video" default="true"><podcast:source uri="https://ex.com/ep3.mp4"/></podcast:alternateEnclosure>
<podcast:alternateEnclosure type="audio/aac" length="9"><podcast:source uri="https://a.ex/1.aac"/><podcast:source uri="https://b.ex/1.aac"/></podcast:alternateEnclosure>
<content:encoded><![CDATA[<p>Show notes with <a href="https://ex.com">a link</a> &amp; more.</p>]]></content:encoded>
<podcast:value type="lightning" method="keysend">
<podcast:valueRecipient name="Guest" type="lnaddress" address="guest@getalby.com" split="100"/>
<podcast:valueTimeSplit startTime="120" duration="180" remoteStartTime="30" remotePercentage="95"><podcast:remoteItem feedGuid=")" +
        guid + R"(" itemGuid="https://other.ex/song1"/></podcast:valueTimeSplit>
</podcast:value></item>
<item><title>Two</title><guid>g2</guid><pubDate>Fri, 05 Apr 2013 09:07:03 GMT</pubDate>
<itunes:season>1</itunes:season><podcast:season>2</podcast:season>
<podcast:value type="lightning" method="keysend"><podcast:valueRecipient type="node" address="a" split="50"/>
<podcast:valueTimeSplit startTime="1" duration="2"><podcast:valueRecipient type="node" address="b" split="1"/></podcast:valueTimeSplit>
</podcast:value>
<podcast:value type="hive" method="keysend"><podcast:valueRecipient type="node" address="c" split="1"/></podcast:value>
</item></channel></rss>)";
    Result<ImportedFeed> imported = import_text(feed);
    ASSERT_TRUE(imported.ok()) << imported.error_text();
    const Doc& d = imported->doc;
    Doc want = test::everything_doc();
    want.Persons[1].Image = want.Persons[1].Href = "";
    want.Podroll[0].Title = ""; // the editor's own, not in the feed
    EXPECT_EQ(d.Persons, want.Persons);
    EXPECT_EQ(d.Location + d.LocationGeo + d.LocationOsm,
              want.Location + want.LocationGeo + want.LocationOsm);
    EXPECT_EQ(d.TimeZone, 0);
    EXPECT_EQ(d.Trailers, want.Trailers);
    EXPECT_EQ(d.License + "|" + d.LicenseUrl + "|" + d.Medium, "cc-by-4.0||podcast");
    EXPECT_EQ(d.UpdateFrequency + d.UpdateFrequencyRule + d.UpdateFrequencyStart,
              want.UpdateFrequency + want.UpdateFrequencyRule + want.UpdateFrequencyStart);
    EXPECT_EQ(d.Texts, want.Texts);
    EXPECT_EQ(d.Blocks, want.Blocks);
    EXPECT_EQ(d.Podroll, want.Podroll);
    EXPECT_EQ(d.ValueType + d.ValueMethod + d.ValueSuggested,
              want.ValueType + want.ValueMethod + want.ValueSuggested);
    EXPECT_EQ(d.ValueRecipients, want.ValueRecipients);
    ASSERT_EQ(d.Feeds.size(), 2u);
    const Feed& f = d.Feeds[0];
    const Feed& w = want.Feeds[0];
    // The first plain transcript is the one older projects hold; the others follow in order.
    EXPECT_EQ(f.FeedTranscriptUrl + " " + f.FeedTranscriptType,
              w.FeedTranscriptUrl + " " + w.FeedTranscriptType);
    EXPECT_EQ(f.FeedTranscripts, w.FeedTranscripts);
    EXPECT_EQ(f.FeedPersons, w.FeedPersons);
    EXPECT_EQ(f.FeedLocation + f.FeedLocationGeo + f.FeedLocationOsm,
              w.FeedLocation + w.FeedLocationGeo + w.FeedLocationOsm);
    EXPECT_EQ(f.FeedSeason * 100 + f.FeedEpisode, w.FeedSeason * 100 + w.FeedEpisode);
    EXPECT_EQ(f.FeedSeasonName + "|" + f.FeedEpisodeDisplay + "|" + f.FeedItunesTitle,
              w.FeedSeasonName + "|" + w.FeedEpisodeDisplay + "|" + w.FeedItunesTitle);
    EXPECT_EQ(f.FeedSoundbites, w.FeedSoundbites);
    EXPECT_EQ(f.FeedAlternates, w.FeedAlternates);
    EXPECT_EQ(f.FeedContent, w.FeedContent);
    EXPECT_EQ(f.FeedDesc, "");
    EXPECT_EQ(f.FeedValueRecipients, w.FeedValueRecipients);
    EXPECT_EQ(f.FeedValueSplits, w.FeedValueSplits);

    // What the document cannot hold stays as it stands, once: a second place, a date that is
    // none, a block neither yes nor no, a moment at no time, a transcript of another kind, a form
    // with two sources, a stretch with recipients of its own, a second block of payments, a
    // season that differs.
    EXPECT_EQ(d.ExtraXml, "<podcast:location xmlns:podcast=\"https://podcastindex.org/namespace/"
                          "1.0\">Lyon</podcast:location>"
                          "<podcast:trailer xmlns:podcast=\"https://podcastindex.org/namespace/"
                          "1.0\" pubdate=\"soon\" url=\"https://ex.com/t3.mp3\">Soon"
                          "</podcast:trailer>"
                          "<podcast:block xmlns:podcast=\"https://podcastindex.org/namespace/1.0\""
                          " id=\"apple\">maybe</podcast:block>");
    EXPECT_NE(f.FeedExtraXml.find("rel=\"notes\""), std::string::npos);
    EXPECT_NE(f.FeedExtraXml.find("https://b.ex/1.aac"), std::string::npos);
    EXPECT_EQ(imported->kept.size(), 8u); // by name and place
    const Feed& two = d.Feeds[1];
    EXPECT_EQ(two.FeedSeason, 1);
    EXPECT_TRUE(two.FeedValueRecipients.empty());
    EXPECT_EQ(two.FeedExtraXml.find("<podcast:value"), 0u);
    EXPECT_NE(two.FeedExtraXml.find("type=\"hive\""), std::string::npos);
    EXPECT_NE(two.FeedExtraXml.find(">2</podcast:season>"), std::string::npos);
    EXPECT_EQ(imported->notes,
              std::vector<std::string>{
                  "episode 2: <podcast:season> states 2, the iTunes value 1; both are kept"});

    // A number without its name stays as it stands, since the writer states it only with one.
    Result<ImportedFeed> bare =
        import_text("<rss xmlns:podcast=\"https://podcastindex.org/namespace/1.0\"><channel><item>"
                    "<podcast:episode>4</podcast:episode></item></channel></rss>");
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ(bare->doc.Feeds[0].FeedEpisode, 4);
    EXPECT_NE(bare->doc.Feeds[0].FeedExtraXml.find(">4</podcast:episode>"), std::string::npos);

    // The channel's block after the items: an episode's block read as the channel's type proves
    // of another, and is kept after all.
    const std::string pays = "<podcast:valueRecipient type=\"node\" address=\"a\" split=\"1\"/>";
    Result<ImportedFeed> late = import_text(
        "<rss xmlns:podcast=\"https://podcastindex.org/namespace/1.0\"><channel><item>"
        "<podcast:value type=\"lightning\" method=\"keysend\">" +
        pays + "</podcast:value></item><podcast:value type=\"hive\" method=\"keysend\">" + pays +
        "</podcast:value></channel></rss>");
    ASSERT_TRUE(late.ok()) << late.error_text();
    EXPECT_EQ(late->doc.ValueType, "hive");
    EXPECT_TRUE(late->doc.Feeds[0].FeedValueRecipients.empty());
    EXPECT_NE(late->doc.Feeds[0].FeedExtraXml.find("type=\"lightning\""), std::string::npos);
}
