#include "core/dates.h"
#include "core/file_io.h"
#include "core/podcast_guid.h"
#include "core/rss_writer.h"
#include "directory_doc.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>

using namespace qp;

namespace {

const DateValue kFriday = date_from_fields(2013, 4, 5, 9, 7, 3);
const Paths kPaths("/main/", "/home/u/Documents/", "/opt/", "");
constexpr std::string_view kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

Doc new_doc() {
    Doc d;
    (void)DocDefaults(d);
    d.Lang = "fr";
    d.TimeZone = 0;
    d.LastBuildDate = kFriday;
    return d;
}

std::string build(const Doc& doc, UploadJob& job) {
    std::string out;
    StringXmlSink sink(out);
    EXPECT_EQ(build_rss_xml(doc, job, kPaths, sink), "");
    return out;
}

} // namespace

TEST(RssWriter, EmptyDocumentIsOneLine) {
    UploadJob job;
    EXPECT_EQ(build(new_doc(), job),
              std::string(kDecl) +
                  "<rss version=\"2.0\"><channel><title/><description/><language>fr</language>"
                  "<copyright/><lastBuildDate>Fri, 05 Apr 2013 09:07:03 GMT+00:00</lastBuildDate>"
                  "<generator>Quillpost 0,28,1305,1700</generator><link/><ttl>1440</ttl>"
                  "</channel></rss>");
    EXPECT_TRUE(job.files.empty());
}

TEST(RssWriter, ChannelItemsEnclosuresAndUploads) {
    Doc d = new_doc();
    d.Flag = kITunesInclude;
    d.TimeZone = 2;
    d.Title = "{Tom & Jerry <b>}";
    d.Desc = "a<b\r\n[c.png]";
    d.Lang = "en";
    d.Copyright = "\xC2\xA9 me";
    d.Link = "http://ex.com/pod";
    d.TTL = 60;
    d.WebMaster = "web@ex.com";
    d.Category = "one; ;two";
    d.ImageUrl = "img/logo.png";
    d.ImageTitle = "Logo";
    d.iTunesSubTitle = "Sub";
    d.iTunesSummary = "Sum";
    d.iTunesKeyword = "k1,k2";
    d.iTunesAuthor = "Me";
    d.iTunesMail = "me@ex.com";

    Feed a;
    a.FeedTitle = "Caf\xC3\xA9";
    a.FeedLink = "news/1.html";
    a.FeedDesc = "[my site a.html]";
    a.FeedAuthor = "Ann";
    a.FeedCategory = "x";
    a.FeedGUID = "g1";
    a.FeedFile = "%MyDoc%audio/ep1.mp3";
    a.FeedPubDate = kFriday;
    a.FeedComments = "c.html";
    a.FeedDuration = "12:00";
    a.FeedFlag = kUploadFile;
    Feed b;
    b.FeedTitle = "a<b";
    b.FeedFile = "/data/ep2.mp3";
    b.FeedFileOnFTP = "media\\";
    b.FeedFileLength = 1234;
    b.FeedFileType = "audio/mpeg";
    b.FeedFlag = kUploadFile | kFeedSpecialChar;
    Feed c; // an enclosure already on the server: nothing to upload
    c.FeedLink = "http://other/x";
    c.FeedFileOnFTP = "http://cdn/ep3.mp3";
    c.FeedFlag = kUploadFile;
    d.Feeds = {a, b, c};

    UploadJob job;
    job.files.push_back({"/earlier", "earlier"});
    const std::string item_tail = "</item>";
    EXPECT_EQ(
        build(d, job),
        std::string(kDecl) +
            "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\">"
            "<channel><title><![CDATA[Tom & Jerry <b>]]></title>"
            "<description>a&lt;b\r\n&lt;img src=\"c.png\"&gt;</description>"
            "<language>en</language><copyright>\xC2\xA9 me</copyright>"
            "<lastBuildDate>Fri, 05 Apr 2013 09:07:03 GMT+02:00</lastBuildDate>"
            "<generator>Quillpost 0,28,1305,1700</generator><link>http://ex.com/pod</link>"
            "<ttl>60</ttl><webMaster>web@ex.com</webMaster><category>one</category>"
            "<category>two</category><image><url>http://ex.com/pod/img/logo.png</url>"
            "<title>Logo</title><link>http://ex.com/pod/</link></image>"
            "<itunes:subtitle>Sub</itunes:subtitle><itunes:summary>Sum</itunes:summary>"
            "<itunes:keywords>k1,k2</itunes:keywords><itunes:author>Me</itunes:author>"
            "<itunes:owner><itunes:email>me@ex.com</itunes:email></itunes:owner>"
            "<itunes:image href=\"http://ex.com/pod/img/logo.png\"/>"
            "<item><title>Caf\xC3\xA9</title><link>http://ex.com/pod/news/1.html</link>"
            "<description>&lt;a href=\"a.html\"&gt;my site&lt;/a&gt;</description>"
            "<author>Ann</author><category>x</category><guid isPermaLink=\"false\">g1</guid>"
            "<enclosure url=\"http://ex.com/pod/ep1.mp3\" length=\"0\"/>"
            "<pubDate>Fri, 05 Apr 2013 09:07:03 GMT+02:00</pubDate>"
            "<comments>http://ex.com/pod/c.html</comments><itunes:duration>12:00</"
            "itunes:duration>" +
            item_tail +
            "<item><title>a&lt;b</title><link>http://ex.com/pod/</link><description/>"
            "<guid/>"
            "<enclosure url=\"http://ex.com/pod/media/ep2.mp3\" length=\"1234\" "
            "type=\"audio/mpeg\"/>"
            "<pubDate>Thu, 01 Jan 1970 00:00:00 GMT+02:00</pubDate>" +
            item_tail +
            "<item><title/><link>http://other/x</link><description/><guid/>"
            "<enclosure url=\"http://cdn/ep3.mp3\" length=\"0\"/>"
            "<pubDate>Thu, 01 Jan 1970 00:00:00 GMT+02:00</pubDate>" +
            item_tail + "</channel></rss>");
    ASSERT_EQ(job.files.size(), 3u);
    EXPECT_EQ(job.files[1].local_file, "/home/u/Documents/audio/ep1.mp3");
    EXPECT_EQ(job.files[1].remote_path, "ep1.mp3");
    EXPECT_EQ(job.files[2].local_file, "/data/ep2.mp3");
    EXPECT_EQ(job.files[2].remote_path, "media/ep2.mp3");
}

TEST(RssWriter, ServerPathsOfUploads) {
    Doc d = new_doc();
    Feed f;
    f.FeedFile = "/data/ep.mp3";
    f.FeedFlag = kUploadFile;
    for (const auto& [onFtp, remote] : std::vector<std::pair<std::string, std::string>>{
             {"", "ep.mp3"},
             {"other.mp3", "other.mp3"},
             {" \\\\pod\\2024\\ x.mp3 ", "pod/2024/x.mp3"},
             {"/pod/", "pod/ep.mp3"}}) {
        f.FeedFileOnFTP = onFtp;
        d.Feeds = {f};
        UploadJob job;
        (void)build(d, job);
        ASSERT_EQ(job.files.size(), 1u);
        EXPECT_EQ(job.files[0].remote_path, remote) << onFtp;
    }
}

TEST(RssWriter, LinksAndFileNames) {
    EXPECT_EQ(Url_Join("news/1.html", "http://ex.com/pod"), "http://ex.com/pod/news/1.html");
    EXPECT_EQ(Url_Join("news/1.html", "http://ex.com/pod/"), "http://ex.com/pod/news/1.html");
    EXPECT_EQ(Url_Join("mailto:x@y", "http://ex.com"), "mailto:x@y");
    EXPECT_EQ(Url_Join("", "http://ex.com"), "http://ex.com/");
    EXPECT_EQ(Url_Join("a.html", ""), "a.html");

    Doc d = new_doc();
    d.FileName = "/feeds/news.QPRJ";
    EXPECT_EQ(Rss_FileName(d), "news.Xml");
    EXPECT_EQ(rss_file_path(d), "/feeds/news.Xml");
    d.RssName = "feed";
    EXPECT_EQ(rss_file_path(d), "/feeds/feed.Xml");
    d.RssName = "feed.rss";
    EXPECT_EQ(Rss_FileName(d), "feed.rss.Xml");
    d.RssName = "../../etc/feed";
    EXPECT_EQ(rss_file_path(d), "/feeds/feed.Xml");
    d.Format.clear(); // a project file without a format line
    EXPECT_EQ(Rss_FileName(d), "feed");
}

TEST(RssWriter, WritesTheFileOrSaysWhyNot) {
    qp::test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string dir = tmp.path().substr(0, tmp.path().size() - 1);
    Doc d = new_doc();
    d.Title = "Caf\xC3\xA9";
    UploadJob job;
    const std::string path = dir + "/news.Xml";
    EXPECT_EQ(BuildRssFile(path, d, job, kPaths), "");
    std::string bytes;
    ASSERT_TRUE(read_file(path, bytes));
    UploadJob again;
    EXPECT_EQ(bytes, build(d, again));
    EXPECT_NE(bytes.find("<title>Caf\xC3\xA9</title>"), std::string::npos);
    EXPECT_EQ(BuildRssFile(dir + "/missing/news.Xml", d, job, kPaths),
              "Can't save Xml File: No such file or directory");
}

TEST(RssWriter, DefaultDateMaskGivesWhatTheMaskEngineGives) {
    // The default mask is written in one go; any other mask goes through the mask engine. A
    // text after the mask keeps the engine's path and is cut off again.
    const std::string engine_mask = std::string(kDefaultRssDateMask) + "|";
    for (const int zone : {-12, -5, 0, 1, 12}) {
        for (DateValue d = -2147483647; d < 2147483647 - 86400 * 1000; d += 86400 * 997 + 3677) {
            std::string engine = RssDate(d, engine_mask, zone);
            ASSERT_EQ(engine.back(), '|');
            engine.pop_back();
            ASSERT_EQ(RssDate(d, "", zone), engine) << d << " " << zone;
            ASSERT_EQ(RssDate(d, kDefaultRssDateMask, zone), engine) << d << " " << zone;
        }
    }
    EXPECT_EQ(RssDate(kFriday, "  ", 2), "Fri, 05 Apr 2013 09:07:03 GMT+02:00");
    EXPECT_EQ(RssDate(0, "", -3), "Thu, 01 Jan 1970 00:00:00 GMT-03:00");
}

TEST(RssWriter, LargeFeedsGoOutInChunksAndAFailingSinkIsReported) {
    // Collects the pieces the writer hands over, and refuses them once `limit` bytes are in.
    class ChunkSink : public XmlSink {
    public:
        explicit ChunkSink(std::size_t limit) : limit_(limit) {}
        bool write(std::string_view bytes) override {
            ++writes;
            out.append(bytes);
            return out.size() <= limit_;
        }
        std::string out;
        int writes = 0;

    private:
        std::size_t limit_;
    };
    Doc d = new_doc();
    for (int i = 0; i < 300; ++i) {
        Feed f;
        f.FeedTitle = "item " + std::to_string(i);
        f.FeedDesc = std::string(500, 'x') + " & " + std::to_string(i);
        d.Feeds.push_back(f);
    }
    UploadJob job;
    const std::string whole = build(d, job);
    ChunkSink chunks(whole.size());
    EXPECT_EQ(build_rss_xml(d, job, kPaths, chunks), "");
    EXPECT_GT(chunks.writes, 1);
    EXPECT_EQ(chunks.out, whole);
    ChunkSink failing(whole.size() / 2);
    EXPECT_EQ(build_rss_xml(d, job, kPaths, failing), "Can't save Xml File");
}

namespace {

// A document and one episode using every directory and podcast namespace setting.
Doc directory_doc() {
    return test::directory_doc();
}

} // namespace

TEST(RssWriter, DirectoryAndPodcastNamespaceElements) {
    UploadJob job;
    EXPECT_EQ(
        build(directory_doc(), job),
        std::string(kDecl) +
            "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" "
            "xmlns:podcast=\"https://podcastindex.org/namespace/1.0\" "
            "xmlns:atom=\"http://www.w3.org/2005/Atom\"><channel><title/>"
            "<description/><language>fr</language><copyright/>"
            "<lastBuildDate>Fri, 05 Apr 2013 09:07:03 GMT+00:00</lastBuildDate>"
            "<generator>Quillpost 0,28,1305,1700</generator><link>https://ex.com/pod</link>"
            "<atom:link href=\"https://ex.com/pod/feed.Xml\" rel=\"self\" "
            "type=\"application/rss+xml\"/><ttl>1440</ttl><itunes:owner><itunes:name>Ann &amp; "
            "Bob</itunes:name>"
            "<itunes:email>me@ex.com</itunes:email></itunes:owner>"
            "<itunes:category text=\"Arts\"><itunes:category text=\"Books\"/></itunes:category>"
            "<itunes:explicit>false</itunes:explicit><itunes:type>serial</itunes:type>"
            "<itunes:new-feed-url>https://new.ex.com/feed.xml?a=1&amp;b=2</itunes:new-feed-url>"
            "<itunes:block>Yes</itunes:block><itunes:complete>Yes</itunes:complete>"
            "<podcast:guid>" +
            podcast_guid("https://ex.com/pod/feed.Xml") +
            "</podcast:guid><podcast:locked owner=\"me@ex.com\">yes</podcast:locked>"
            "<podcast:funding url=\"https://ex.com/pod/support.html\">Support us</podcast:funding>"
            "<item><title>One</title><link>https://ex.com/pod/</link><description/>"
            "<guid/><pubDate>Thu, 01 Jan 1970 00:00:00 GMT+00:00</pubDate>"
            "<itunes:episode>3</itunes:episode><itunes:season>2</itunes:season>"
            "<itunes:episodeType>trailer</itunes:episodeType><itunes:explicit>true</"
            "itunes:explicit>"
            "<itunes:image href=\"https://ex.com/pod/img/ep3.jpg\"/>"
            "<podcast:transcript url=\"https://ex.com/pod/t/ep3.vtt\" type=\"text/vtt\"/></item>"
            "</channel></rss>");
}

TEST(RssWriter, AHubIsNamedNextToTheFeedsOwnAddress) {
    // A feed without the directory settings: the hub brings the namespace and the self link a
    // subscriber needs along.
    Doc doc = new_doc();
    doc.Link = "https://ex.com/pod";
    doc.RssName = "feed";
    doc.WebSubHub = "https://hub.ex.com/pub sub";
    UploadJob job;
    const std::string out = build(doc, job);
    EXPECT_EQ(out.rfind(std::string(kDecl) +
                            "<rss version=\"2.0\" xmlns:atom=\"http://www.w3.org/2005/Atom\">",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("<link>https://ex.com/pod</link><atom:link href=\"https://ex.com/pod/"
                       "feed.Xml\" rel=\"self\" type=\"application/rss+xml\"/><atom:link "
                       "href=\"https://hub.ex.com/pub%20sub\" rel=\"hub\"/><ttl>"),
              std::string::npos)
        << out;
    doc.WebSubHub.clear();
    EXPECT_EQ(build(doc, job).find("atom"), std::string::npos);
}

TEST(RssWriter, UnusedOrSwitchedOffSettingsLeaveTheFileAsItWas) {
    // Without their flags, the new settings change no byte of the file.
    Doc plain = directory_doc();
    plain.Flag = 0;
    Doc bare = new_doc();
    bare.Link = plain.Link;
    bare.RssName = plain.RssName;
    bare.Format = plain.Format;
    bare.iTunesMail = plain.iTunesMail;
    Feed f;
    f.FeedTitle = "One";
    bare.Feeds = {f};
    UploadJob job;
    const std::string without = build(bare, job);
    EXPECT_EQ(build(plain, job), without);
    EXPECT_EQ(without.find("itunes:"), std::string::npos);

    // The owner appears for a name alone; with a mail alone it holds just the mail, as before.
    Doc named = new_doc();
    named.Flag = kITunesInclude;
    named.iTunesOwnerName = "Ann";
    EXPECT_NE(build(named, job)
                  .find("<itunes:owner><itunes:name>Ann</itunes:name></itunes:owner></channel>"),
              std::string::npos);

    // The podcast namespace alone: no iTunes element, no identity without an absolute feed
    // address, and a transcript without a type has no type attribute. Episode and season 0
    // mean none.
    Doc pod = directory_doc();
    pod.Flag = kPodcastInclude;
    pod.Link.clear();
    pod.Feeds[0].FeedTranscriptType.clear();
    const std::string out = build(pod, job);
    EXPECT_EQ(out.find("itunes:"), std::string::npos);
    EXPECT_EQ(out.find("podcast:guid"), std::string::npos);
    EXPECT_NE(out.find("<podcast:transcript url=\"t/ep3.vtt\"/>"), std::string::npos);
    pod.Feeds[0].FeedTranscriptUrl.clear();
    pod.Flag |= kITunesInclude;
    pod.Feeds[0].FeedEpisode = 0;
    pod.Feeds[0].FeedSeason = 0;
    const std::string no_numbers = build(pod, job);
    EXPECT_EQ(no_numbers.find("podcast:transcript"), std::string::npos);
    EXPECT_EQ(no_numbers.find("itunes:episode>"), std::string::npos);
    EXPECT_EQ(no_numbers.find("itunes:season"), std::string::npos);
}

TEST(RssWriter, AddressesAreEncodedOnceAndOnlyRealSchemesAreAbsolute) {
    for (const auto& [link, absolute] :
         std::vector<std::pair<std::string, bool>>{{"https://ex.com/a", true},
                                                   {"mailto:x@y", true},
                                                   {"svn+ssh.1-a:x", true},
                                                   {"\xC3\x89pisode #2 : qui ?.mp3", false},
                                                   {"ep 2: part.mp3", false},
                                                   {"1ab:c", false},
                                                   {":x", false}})
        EXPECT_EQ(url_has_scheme(link), absolute) << link;
    EXPECT_EQ(Url_Join("ep 2: part.mp3", "http://ex.com"), "http://ex.com/ep 2: part.mp3");
    EXPECT_EQ(
        url_encode(" http://ex.com/a b\x01\"<>\\^`{|}\xC3\xA9?q=1&r=[2]#f ", UrlPart::Address),
        "http://ex.com/a%20b%22%3C%3E%5C%5E%60%7B%7C%7D%C3%A9?q=1&r=[2]#f");
    // An escape already made stays; a lone "%" is encoded.
    EXPECT_EQ(url_encode("a%20b%2x%", UrlPart::Address), "a%20b%252x%25");
    EXPECT_EQ(url_encode("a?b#c[d]", UrlPart::Path), "a%3Fb%23c%5Bd%5D");
    EXPECT_EQ(url_encode("https://ex.com/plain-path_1.mp3~", UrlPart::Address),
              "https://ex.com/plain-path_1.mp3~");
}

TEST(RssWriter, WhatReadersTakeAsPlainTextsPermalinksAndAddresses) {
    Doc d = new_doc();
    d.Flag = kITunesInclude | kDocSpecialChar;
    d.Link = "https://ex.com/pod";
    d.RssName = "my feed";
    d.Title = "[Bonus] \xE2\x82\xAC"
              "5 <single> O'Brien & Co";
    d.Desc = "[Bonus] \xE2\x82\xAC"
             "5";
    d.ImageUrl = "art work.png";
    Feed f;
    f.FeedTitle = d.Title;
    f.FeedDesc = d.Desc;
    f.FeedFlag = kFeedSpecialChar | kUploadFile;
    f.FeedGUID = "6b171dfd";
    f.FeedFile = "/data/\xC3\x89pisode #2 : qui ?.mp3";
    f.FeedComments = "c/1";
    Feed g;
    g.FeedGUID = "https://ex.com/pod/ep2";
    g.FeedAuthor = "ann@ex.com";
    g.FeedSubTitle = "Sub";
    g.FeedFileOnFTP = "media/a%20b.mp3";
    d.Feeds = {f, g};
    UploadJob job;
    const std::string out = build(d, job);
    const std::string plain = "[Bonus] \xE2\x82\xAC"
                              "5 &lt;single&gt; O'Brien &amp; Co";
    const std::string html = "&lt;a href=\"Bonus\"&gt;Bonus&lt;/a&gt; &amp;euro;5";
    EXPECT_NE(out.find("<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/"
                       "podcast-1.0.dtd\" xmlns:atom=\"http://www.w3.org/2005/Atom\"><channel>"
                       "<title>" +
                       plain + "</title><description>" + html + "</description>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<link>https://ex.com/pod</link><atom:link href=\"https://ex.com/pod/"
                       "my%20feed.Xml\" rel=\"self\" type=\"application/rss+xml\"/><ttl>1440</ttl>"
                       "<image><url>https://ex.com/pod/art%20work.png</url>"),
              std::string::npos)
        << out;
    // The empty web master, author and iTunes texts are left out; set ones stay.
    EXPECT_EQ(out.find("<webMaster"), std::string::npos);
    EXPECT_EQ(out.find("<itunes:subtitle/>"), std::string::npos);
    EXPECT_EQ(out.find("<itunes:duration"), std::string::npos);
    EXPECT_NE(
        out.find("<item><title>" + plain +
                 "</title><link>https://ex.com/pod/</link>"
                 "<description>" +
                 html +
                 "</description>"
                 "<guid isPermaLink=\"false\">6b171dfd</guid>"
                 "<enclosure url=\"https://ex.com/pod/%C3%89pisode%20%232%20:%20qui%20%3F.mp3\" "
                 "length=\"0\"/><pubDate>Thu, 01 Jan 1970 00:00:00 GMT+00:00</pubDate>"
                 "<comments>https://ex.com/pod/c/1</comments></item>"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("<author>ann@ex.com</author><guid>https://ex.com/pod/ep2</guid>"
                       "<enclosure url=\"https://ex.com/pod/media/a%20b.mp3\" length=\"0\"/>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<itunes:subtitle>Sub</itunes:subtitle></item>"), std::string::npos);
    // The file goes up under its own name.
    ASSERT_EQ(job.files.size(), 1u);
    EXPECT_EQ(job.files[0].remote_path, "\xC3\x89pisode #2 : qui ?.mp3");
}

namespace {

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(RssWriter, EveryPodcastElementOnceWithItsAttributes) {
    Doc d = test::everything_doc();
    d.LicenseUrl = "licence.html";
    d.UpdateFrequencyComplete = 1;
    d.MeasurePrefix = "https://stats.ex/e/";
    Feed& f = d.Feeds[0];
    f.FeedTranscripts.push_back({"%MyDoc%t/ep3.vtt", "", "", "", 0});
    f.FeedAlternates[0].File = "/media/ep3 low.opus";
    f.FeedAlternates.push_back({"audio/flac", 0, 0, 0, "", "", "", "", 0, "", ""}); // no source
    f.FeedAlternates.push_back({"audio/ogg", 10, 0, 0, "", "", "", "", 0, "", "ipfs://Qm1"});
    UploadJob job;
    const std::string out = build(d, job);
    const std::string channel = out.substr(0, out.find("<item>"));
    const std::string item = out.substr(out.find("<item>"));
    for (const std::string_view part : {
             "<podcast:person role=\"host\" group=\"cast\" img=\"https://ex.com/ann.jpg\" "
             "href=\"https://ex.com/ann\">Ann Host</podcast:person>",
             "<podcast:person role=\"editor\" group=\"post-production\">Bob</podcast:person>",
             "<podcast:location geo=\"geo:45.76,4.84\" osm=\"R120965\">Lyon, France"
             "</podcast:location>",
             "<podcast:trailer pubdate=\"Fri, 05 Apr 2013 09:07:03 GMT+00:00\" "
             "url=\"https://ex.com/trailer2.mp3\" length=\"12345\" type=\"audio/mpeg\" "
             "season=\"2\">Season 2 is coming</podcast:trailer>",
             "<podcast:license url=\"https://ex.com/pod/licence.html\">cc-by-4.0</podcast:license>",
             "<podcast:medium>podcast</podcast:medium>",
             "<podcast:updateFrequency complete=\"true\" dtstart=\"2013-04-05T09:00:00Z\" "
             "rrule=\"FREQ=WEEKLY;BYDAY=FR\">Every Friday</podcast:updateFrequency>",
             "<podcast:txt purpose=\"verify\">S6lpp-7ZCn8-dZfGc-OoyaG</podcast:txt>",
             "<podcast:txt>free &amp; open</podcast:txt>",
             "<podcast:block>no</podcast:block><podcast:block id=\"google\">yes</podcast:block>",
             "<podcast:podroll><podcast:remoteItem "
             "feedGuid=\"917393e3-1b1e-5cef-ace4-edaa54e1f810\" "
             "feedUrl=\"https://other.ex/feed.xml\" medium=\"podcast\"/></podcast:podroll>",
             "<podcast:value type=\"lightning\" method=\"keysend\" suggested=\"0.00000005000\">"
             "<podcast:valueRecipient name=\"Ann\" type=\"node\" "
             "address=\"02d5c1bf8b940dc9cadca86d1b0a3c37fbe39cee4c7e839e33bef9174531d27f52\" "
             "split=\"90\"/><podcast:valueRecipient name=\"Host fee\" customKey=\"696969\" "
             "customValue=\"abc\" type=\"node\" "
             "address=\"032f4ffbbafffbe51726ad3c164a3d0d37ec27bc67b29a159b0f49ae8ac21b8508\" "
             "split=\"10\" fee=\"true\"/></podcast:value>",
         })
        EXPECT_EQ(occurrences(channel, part), 1u) << part << "\n" << channel;
    for (const std::string_view part : {
             "<description/><content:encoded>&lt;p&gt;Show notes with &lt;a "
             "href=\"https://ex.com\"&gt;a link&lt;/a&gt; &amp;amp; more.&lt;/p&gt;"
             "</content:encoded>",
             "<itunes:title>One</itunes:title>",
             "<podcast:season name=\"The second\">2</podcast:season>"
             "<podcast:episode display=\"Special 3\">3</podcast:episode>"
             // The project's first transcript leads.
             "<podcast:transcript url=\"https://ex.com/pod/t/ep3.vtt\" type=\"text/vtt\"/>"
             "<podcast:transcript url=\"https://ex.com/ep3.srt\" type=\"application/x-subrip\" "
             "language=\"en\" rel=\"captions\"/>"
             "<podcast:transcript url=\"https://ex.com/ep3.json\" type=\"application/json\" "
             "language=\"fr\"/>"
             // A file of this computer: beside the enclosure, its type from its extension.
             "<podcast:transcript url=\"https://ex.com/pod/ep3.vtt\" type=\"text/vtt\"/>"
             "<podcast:chapters ",
             "<podcast:person role=\"guest\" group=\"cast\" href=\"https://guest.ex\">Guest Star"
             "</podcast:person><podcast:location geo=\"geo:48.85,2.35\">Paris</podcast:location>"
             "<podcast:soundbite startTime=\"73\" duration=\"60\">The best minute"
             "</podcast:soundbite><podcast:soundbite startTime=\"1200.5\" duration=\"30\"/>",
             // Web sources go behind the measurement prefix, as the enclosure does.
             "<podcast:alternateEnclosure type=\"audio/opus\" length=\"1500000\" bitrate=\"32000\" "
             "lang=\"en\" title=\"Low bit rate\" codecs=\"opus\">"
             "<podcast:source uri=\"https://stats.ex/e/ex.com/pod/ep3%20low.opus\"/>"
             "<podcast:source uri=\"https://stats.ex/e/ex.com/ep3.opus\"/>"
             "</podcast:alternateEnclosure><podcast:alternateEnclosure type=\"video/mp4\" "
             "length=\"90000000\" height=\"1080\" title=\"Video\" default=\"true\">"
             "<podcast:source uri=\"https://stats.ex/e/ex.com/ep3.mp4\"/>"
             "</podcast:alternateEnclosure><podcast:alternateEnclosure type=\"audio/ogg\" "
             "length=\"10\"><podcast:source uri=\"ipfs://Qm1\"/></podcast:alternateEnclosure>"
             "<podcast:value ",
             "<podcast:valueRecipient name=\"Guest\" type=\"lnaddress\" "
             "address=\"guest@getalby.com\" split=\"100\"/><podcast:valueTimeSplit "
             "startTime=\"120\" duration=\"180\" remoteStartTime=\"30\" remotePercentage=\"95\">"
             "<podcast:remoteItem feedGuid=\"917393e3-1b1e-5cef-ace4-edaa54e1f810\" "
             "itemGuid=\"https://other.ex/song1\"/></podcast:valueTimeSplit></podcast:value>",
         })
        EXPECT_EQ(occurrences(item, part), 1u) << part << "\n" << item;
    EXPECT_EQ(occurrences(out, "audio/flac"), 0u);
    EXPECT_EQ(occurrences(out, "xmlns:content=\"http://purl.org/rss/1.0/modules/content/\""), 1u);

    // The files go up beside the enclosure, with it or not; their addresses are the plain ones.
    ASSERT_EQ(job.files.size(), 2u);
    EXPECT_EQ(job.files[0].local_file, "/home/u/Documents/t/ep3.vtt");
    EXPECT_EQ(job.files[0].remote_path, "ep3.vtt");
    EXPECT_EQ(job.files[0].address, "https://ex.com/pod/ep3.vtt");
    EXPECT_EQ(job.files[0].type, "text/vtt");
    EXPECT_EQ(job.files[1].local_file, "/media/ep3 low.opus");
    EXPECT_EQ(job.files[1].address, "https://ex.com/pod/ep3%20low.opus");
    EXPECT_EQ(job.files[1].type, "audio/opus");
}

TEST(RssWriter, OddTextsAreEscapedAndHalfMadeEntriesLeftOut) {
    Doc d = new_doc();
    d.Flag = kPodcastInclude;
    d.Link = "https://ex.com/pod";
    d.Persons = {{"A <b> & \"c\"\x01", "", "", "", "me page.html"}, {"", "guest", "", "", ""}};
    d.LocationGeo = "geo:1,2"; // no place name
    d.Trailers = {{"No address", "", kFriday, 0, "", 0}};
    d.Texts = {{"p\"q", "x'y<"}, {"empty", ""}};
    d.ValueRecipients = {{"Ann", "", "addr", -5, 0, "", ""}};
    Feed f;
    f.FeedSoundbites = {{-1, std::numeric_limits<double>::quiet_NaN(), "]]> end"}};
    f.FeedValueSplits = {{1, 2, 0, 0, "g", "", ""}};
    f.FeedTranscripts = {{"/t/notes.txt", "", "", "", 0}}; // no enclosure to go beside
    d.Feeds = {f};
    UploadJob job;
    const std::string out = build(d, job);
    EXPECT_NE(out.find("<podcast:person href=\"https://ex.com/pod/me%20page.html\">A &lt;b&gt; "
                       "&amp; \"c\"</podcast:person><podcast:txt purpose=\"p&quot;q\">"
                       "x'y&lt;</podcast:txt><podcast:value type=\"lightning\" "
                       "method=\"keysend\"><podcast:valueRecipient name=\"Ann\" type=\"node\" "
                       "address=\"addr\" split=\"0\"/></podcast:value><item>"),
              std::string::npos)
        << out;
    // The episode's stretches keep the channel's recipients beside them.
    EXPECT_NE(out.find("<podcast:soundbite startTime=\"0\" duration=\"0\">]]&gt; end"
                       "</podcast:soundbite><podcast:value type=\"lightning\" "
                       "method=\"keysend\"><podcast:valueRecipient name=\"Ann\" type=\"node\" "
                       "address=\"addr\" split=\"0\"/><podcast:valueTimeSplit startTime=\"1\" "
                       "duration=\"2\"><podcast:remoteItem feedGuid=\"g\"/>"
                       "</podcast:valueTimeSplit></podcast:value></item>"),
              std::string::npos)
        << out;
    for (const std::string_view absent : {"guest", "geo:", "No address", "empty", "notes"})
        EXPECT_EQ(out.find(absent), std::string::npos) << absent;
    EXPECT_TRUE(job.files.empty());
    // Nobody to pay: no payments block at all.
    d.ValueRecipients.clear();
    EXPECT_EQ(build(d, job).find("podcast:value"), std::string::npos);

    // Switched off, none of it is written; content:encoded is plain RSS and stays.
    Doc off = test::everything_doc();
    off.Flag = 0;
    const std::string plain = build(off, job);
    EXPECT_EQ(plain.find("podcast:"), std::string::npos);
    EXPECT_EQ(plain.find("itunes:"), std::string::npos);
    EXPECT_NE(plain.find("<content:encoded>"), std::string::npos);
}
