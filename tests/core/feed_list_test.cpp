#include "core/dates.h"
#include "core/feed_list.h"
#include "directory_doc.h"

#include <gtest/gtest.h>

using namespace qp;

namespace {

Doc doc_of(std::initializer_list<const char*> titles) {
    Doc doc;
    for (const char* t : titles) {
        doc.Feeds.emplace_back();
        doc.Feeds.back().FeedTitle = t;
    }
    return doc;
}

std::string titles(const Doc& doc) {
    std::string s;
    for (const Feed& f : doc.Feeds)
        s += f.FeedTitle;
    return s;
}

} // namespace

TEST(FeedGuid, ComparesWithoutCaseAndNeverWithTheSkippedFeed) {
    Doc doc = doc_of({"a", "b", "c"});
    doc.Feeds[1].FeedGUID = "Ab12";
    EXPECT_TRUE(Feed_GUIDExists(doc.Feeds, "aB12", -1));
    EXPECT_FALSE(Feed_GUIDExists(doc.Feeds, "aB12", 1));
    EXPECT_FALSE(Feed_GUIDExists(doc.Feeds, "ab1", -1));
    // Two empty GUIDs count as equal.
    EXPECT_TRUE(Feed_GUIDExists(doc.Feeds, "", 0));
    doc.Feeds[2].FeedGUID = "x";
    EXPECT_FALSE(Feed_GUIDExists(doc.Feeds, "", 0));
}

TEST(FeedGuid, NewGuidIsTheHexSecondCountedPastUsedOnes) {
    const FixedClock clock(0xABCDEF0, 0);
    const ScopedClock fixed(clock);
    Doc doc = doc_of({"a", "b"});
    EXPECT_EQ(Feed_NewGUID(doc.Feeds), "abcdef0");
    EXPECT_EQ(Feed_NewGUID(doc.Feeds), "abcdef0"); // nothing stored in between
    doc.Feeds[0].FeedGUID = "ABCDEF0";
    doc.Feeds[1].FeedGUID = "abcdef1";
    EXPECT_EQ(Feed_NewGUID(doc.Feeds), "abcdef2");

    ASSERT_TRUE(feed_insert_copy(doc, 1));
    EXPECT_EQ(doc.Feeds.size(), 3U);
    EXPECT_EQ(titles(doc), "bab");
    EXPECT_EQ(doc.Feeds[0].FeedGUID, "abcdef2");
    EXPECT_EQ(doc.CurrentFeed, 0);
    EXPECT_FALSE(feed_insert_copy(doc, 3));
}

TEST(FeedTrim, TheFeedJustInsertedIsNeverTheOneRemoved) {
    // Three unprotected feeds and a new one: the bottom feed goes.
    Doc doc = doc_of({"n", "0", "1", "2"});
    doc.MaxFeed = 3;
    EXPECT_EQ(feed_trim_after_insert(doc), 1);
    EXPECT_EQ(titles(doc), "n01");
    // The bottom two protected: the first of the old three goes instead.
    doc = doc_of({"n", "0", "1", "2"});
    doc.MaxFeed = 3;
    doc.Feeds[2].FeedFlag = doc.Feeds[3].FeedFlag = kNoAutoDelete;
    EXPECT_EQ(feed_trim_after_insert(doc), 1);
    EXPECT_EQ(titles(doc), "n12");
    // Every older feed protected: the list stays above the limit, the new feed stays too.
    doc.Feeds.insert(doc.Feeds.begin(), Feed{});
    doc.Feeds[0].FeedTitle = "m";
    doc.Feeds[0].FeedFlag = kUploadFile;
    doc.Feeds[1].FeedFlag = kNoAutoDelete;
    EXPECT_EQ(feed_trim_after_insert(doc), 0);
    EXPECT_EQ(titles(doc), "mn12");
    EXPECT_EQ(doc.Feeds[0].FeedFlag, kUploadFile);
}

TEST(FeedSort, StableOn64BitDatesAndTellsWhetherTheOrderChanged) {
    const DateValue before1970 = date_from_fields(1969, 7, 20, 20, 17, 0);
    const DateValue after2038 = date_from_fields(2040, 1, 1, 0, 0, 0); // above 32 bits
    Doc doc = doc_of({"a", "b", "c", "d", "e"});
    const DateValue dates[] = {after2038, 100, before1970, 100, 0};
    for (std::size_t i = 0; i < 5; ++i)
        doc.Feeds[i].FeedPubDate = dates[i];
    doc.CurrentFeed = 0;
    EXPECT_TRUE(feed_sort_by_date(doc, SortOrder::Ascending));
    EXPECT_EQ(titles(doc), "cebda");
    EXPECT_EQ(doc.CurrentFeed, 4);
    EXPECT_FALSE(feed_sort_by_date(doc, SortOrder::Ascending));
    EXPECT_TRUE(feed_sort_by_date(doc, SortOrder::Descending));
    EXPECT_EQ(titles(doc), "abdec");

    Doc same = doc_of({"x", "y", "z"});
    EXPECT_FALSE(feed_sort_by_date(same, SortOrder::Descending));
    EXPECT_EQ(titles(same), "xyz");
}

TEST(FeedFileRules, MimeTypeFromTheExtension) {
    EXPECT_EQ(feed_guess_mime_type("/music/Show.MP3"), "audio/mpeg");
    EXPECT_EQ(feed_guess_mime_type("a.OPUS"), "audio/opus");
    EXPECT_EQ(feed_guess_mime_type("clip.m4v"), "video/mp4");
    EXPECT_EQ(feed_guess_mime_type("cover.Jpeg"), "image/jpeg");
    EXPECT_EQ(feed_guess_mime_type("notes.txt"), "");
    EXPECT_EQ(feed_guess_mime_type("mp3"), "");
    EXPECT_EQ(feed_guess_mime_type("dir.mp3/file"), "");
    EXPECT_EQ(transcript_type_for_path("/t/Ep1.SRT"), "application/x-subrip");
    EXPECT_EQ(transcript_type_for_path("ep1.vtt"), "text/vtt");
    EXPECT_EQ(transcript_type_for_path("ep1.mp3"), "");
    EXPECT_EQ(transcript_type_for_path("vtt"), "");
}

TEST(PodcastValues, RolesBelongToKnownGroupsAndAreFoundWithoutCase) {
    for (const PersonRole& r : person_roles()) {
        bool known = false;
        for (const std::string_view g : person_groups())
            known = known || g == r.group;
        EXPECT_TRUE(known) << r.role;
    }
    EXPECT_EQ(person_role_group("Guest"), "cast");
    EXPECT_EQ(person_role_group("editor"), "writing"); // the first group that lists it
    EXPECT_EQ(person_role_group("juggler"), "");
}

TEST(FeedComboValues, EachValueOnceInListOrderWithTheLastOneMet) {
    Doc doc = doc_of({"a", "b", "c", "d"});
    doc.Feeds[0].FeedAuthor = "Ann";
    doc.Feeds[1].FeedAuthor = "ANN";
    doc.Feeds[2].FeedAuthor = "Bob";
    doc.Feeds[0].FeedFileType = "audio/ogg";
    doc.Feeds[2].FeedFileType = "audio/mp4";
    doc.Feeds[3].FeedFileType = "Audio/OGG";
    doc.Feeds[1].FeedFileOnFTP = "pod/ep1.mp3";
    doc.Feeds[2].FeedFileOnFTP = "ep2.mp3";
    doc.Feeds[3].FeedFileOnFTP = "POD/";
    const FeedComboValues v = feed_combo_values(doc.Feeds);
    EXPECT_EQ(v.authors.values, (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(v.authors.last, "Bob");
    EXPECT_EQ(v.types.values, (std::vector<std::string>{"audio/ogg", "audio/mp4"}));
    EXPECT_EQ(v.types.last, "Audio/OGG");
    EXPECT_EQ(v.folders.values, (std::vector<std::string>{"pod/"}));
    EXPECT_EQ(v.folders.last, "POD/");
    EXPECT_TRUE(v.categories.values.empty());
    EXPECT_EQ(v.categories.last, "");
}

TEST(FeedFields, StoreCleansEachFieldAndRebuildsTheFlags) {
    Feed feed;
    feed.FeedDesc = "Text\r\nkept";
    feed.FeedFlag = 16 + kUploadFile; // a bit the window does not show
    feed.FeedFileLength = 1234;
    FeedFields f = feed_load_fields(feed);
    EXPECT_EQ(f.length, "1234");
    EXPECT_TRUE(f.upload_file);
    f.title = "Two\r\nlines\t";
    f.guid = "g\n1";
    f.link = " \\news\\today.html ";
    f.comments = "*c\\x";
    f.file_on_ftp = "/pod\\ep.mp3";
    f.length = "";
    f.auto_pub_date = false;
    f.date = date_from_fields(1960, 1, 2, 3, 4, 5);
    f.no_auto_delete = true;
    f.upload_file = false;
    feed_store_fields(f, 999, feed);
    EXPECT_EQ(feed.FeedTitle, "Twolines");
    EXPECT_EQ(feed.FeedGUID, "g1");
    EXPECT_EQ(feed.FeedLink, "news/today.html");
    EXPECT_EQ(feed.FeedComments, "c/x");
    EXPECT_EQ(feed.FeedFileOnFTP, "pod/ep.mp3");
    EXPECT_EQ(feed.FeedFileLength, 0);
    EXPECT_EQ(feed.FeedPubDate, f.date);
    EXPECT_EQ(feed.FeedFlag, kNoAutoDelete);
    EXPECT_EQ(feed.FeedDesc, "Text\r\nkept");

    f.auto_pub_date = true;
    f.special_char = true;
    f.length = "5000000000";
    feed_store_fields(f, 999, feed);
    EXPECT_EQ(feed.FeedPubDate, 999);
    EXPECT_EQ(feed.FeedFlag, kAutoPubDate + kNoAutoDelete + kFeedSpecialChar);
    EXPECT_EQ(feed.FeedFileLength, 5000000000);
}

TEST(FeedFields, EpisodeSettingsRoundTripAndEmptyStaysEmpty) {
    // A feed without them gives them back empty, so older project files keep their bytes.
    Feed blank;
    feed_store_fields(feed_load_fields(blank), 0, blank);
    EXPECT_EQ(blank, Feed{});

    Feed full;
    full.FeedEpisode = 12;
    full.FeedSeason = 3;
    full.FeedEpisodeType = "teaser"; // hand-edited: kept as it stands
    full.FeedExplicit = "true";
    full.FeedImage = "https://example.org/12.jpg";
    full.FeedTranscriptUrl = "https://example.org/12.vtt";
    full.FeedTranscriptType = "text/vtt";
    full.FeedDuration = "00:42:07";
    Feed copy;
    FeedFields f = feed_load_fields(full);
    EXPECT_EQ(f.episode, "12");
    feed_store_fields(f, 0, copy);
    EXPECT_EQ(copy, full);

    f.episode = " 007";
    f.season = "-2";
    f.image = " \\art\\12.jpg ";
    f.transcript_type = " application/json\t";
    f.duration = "00:42\r\n:07";
    feed_store_fields(f, 0, copy);
    EXPECT_EQ(copy.FeedEpisode, 7);
    EXPECT_EQ(copy.FeedSeason, 0);
    EXPECT_EQ(copy.FeedImage, "art/12.jpg");
    EXPECT_EQ(copy.FeedTranscriptType, "application/json");
    EXPECT_EQ(copy.FeedDuration, "00:42:07");
}

TEST(FeedFields, NamespaceValuesRoundTripAndListTextsStayOnOneLine) {
    const Doc everything = test::everything_doc();
    for (const Feed& full : everything.Feeds) {
        Feed copy;
        feed_store_fields(feed_load_fields(full), full.FeedPubDate, copy);
        copy.FeedDesc = full.FeedDesc;
        copy.FeedExtraXml = full.FeedExtraXml;
        EXPECT_EQ(copy, full) << full.FeedTitle;
    }

    Feed feed;
    FeedFields f;
    f.persons = {{"Ann\tLee", "host\r\n", "", "", ""}};
    f.alternates = {{"audio/ogg\n", 1, 0, 0, "", "", "", "", 0, "%MyDoc%a\t.ogg", ""}};
    f.content = "<p>one</p>\n<p>two</p>\r\n";
    feed_store_fields(f, 0, feed);
    EXPECT_EQ(feed.FeedPersons[0].Name, "AnnLee");
    EXPECT_EQ(feed.FeedPersons[0].Role, "host");
    EXPECT_EQ(feed.FeedAlternates[0].Type, "audio/ogg");
    EXPECT_EQ(feed.FeedAlternates[0].File, "%MyDoc%a.ogg");
    // The project keeps CR LF line ends; the editor shows LF.
    EXPECT_EQ(feed.FeedContent, "<p>one</p>\r\n<p>two</p>\r\n");
    EXPECT_EQ(feed_load_fields(feed).content, "<p>one</p>\n<p>two</p>\n");

    // The average bit rate of a file, when its playing time is known.
    const AlternateEnclosure a = alternate_for_file("%MyDoc%ep.opus", 2'400'000, "audio/opus", 300);
    EXPECT_EQ(a.File, "%MyDoc%ep.opus");
    EXPECT_EQ(a.Length, 2'400'000);
    EXPECT_EQ(a.Type, "audio/opus");
    EXPECT_EQ(a.Bitrate, 64000);
    EXPECT_EQ(alternate_for_file("x.bin", 10, "", 0).Bitrate, 0);
}
