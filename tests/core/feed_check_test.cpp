// The feed check: each rule with a document that trips it and one that does not.
#include "core/feed_check.h"

#include "core/file_io.h"
#include "core/image_size.h"
#include "core/language_keys.h"
#include "core/paths.h"
#include "core/texts.h"

#include "directory_doc.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <type_traits>
#include <utility>

namespace qp {
namespace {

using Keys = std::vector<std::string>;

std::string be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

// The signature and header chunk of a PNG: all the check reads.
std::string png(std::uint32_t w, std::uint32_t h) {
    return std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + be32(w) + be32(h) +
           std::string("\x08\x06\0\0\0", 5);
}

// A JPEG whose frame header follows a metadata segment and a fill byte, as cameras write them.
std::string jpeg(std::uint16_t w, std::uint16_t h, char frame = '\xC0') {
    const auto two = [](std::uint16_t v) {
        return std::string{static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    return std::string("\xFF\xD8\xFF\xE1\x00\x06"
                       "Exif\xFF\xFF",
                       12) +
           frame + std::string("\x00\x11\x08", 3) + two(h) + two(w) + std::string(3, '\x01');
}

class FeedCheckTest : public ::testing::Test {
protected:
    // A document the directories take: every later test breaks one thing of it.
    FeedCheckTest() : paths_("/tmp/", "/tmp/", "/tmp/", "") {
        DocDefaults(doc_);
        doc_.Flag |= kITunesInclude;
        doc_.iTunesCategory = "News";
        doc_.iTunesExplicit = "false";
        doc_.Title = "Show";
        doc_.Desc = "About the show";
        doc_.Lang = "en";
        doc_.Link = "https://example.org/show";
        doc_.ImageUrl = "https://example.org/art.jpg";
        doc_.FormatDate = "%dl, %dd %ml %yyyy %hh:%ii:%ss GMT";
        doc_.Feeds.resize(2);
        for (int i = 0; i < 2; ++i) {
            Feed& f = doc_.Feeds[static_cast<std::size_t>(i)];
            f.FeedTitle = "Episode " + std::to_string(i + 1);
            f.FeedGUID = "ep" + std::to_string(i + 1);
            f.FeedFileOnFTP = "audio/ep" + std::to_string(i + 1) + ".mp3";
            f.FeedFileType = "audio/mpeg";
            f.FeedFileLength = 1000;
            f.FeedDuration = "00:42:07";
        }
    }
    Keys keys() const {
        Keys out;
        for (const CheckFinding& f : feed_check(doc_, paths_))
            out.push_back(f.key);
        return out;
    }
    // Each finding on one line: E or W, the episode index, the key and the parameters.
    Keys lines() const {
        Keys out;
        for (const CheckFinding& f : feed_check(doc_, paths_)) {
            out.push_back((f.level == CheckLevel::Error ? "E" : "W") + std::to_string(f.feed) +
                          " " + f.key);
            for (const std::string& p : f.params)
                out.back() += " [" + p + "]";
        }
        return out;
    }
    // The keys with one text of the channel, or of the second episode, set to value.
    template <typename Record> Keys keys_with(std::string Record::*field, std::string_view value) {
        const Doc saved = doc_;
        if constexpr (std::is_same_v<Record, Doc>)
            doc_.*field = value;
        else
            ep(1).*field = value;
        Keys out = keys();
        doc_ = saved;
        return out;
    }
    Feed& ep(std::size_t i) { return doc_.Feeds[i]; }

    Doc doc_;
    Paths paths_;
};

template <typename Record> struct Case {
    std::string Record::*field;
    std::string value;
    Keys expected;
};

TEST_F(FeedCheckTest, ChannelNeedsTheITunesTagsACategoryAndExplicit) {
    EXPECT_EQ(keys(), std::vector<std::string>{});
    doc_.iTunesCategory.clear();
    doc_.iTunesExplicit.clear();
    EXPECT_EQ(keys(), (std::vector<std::string>{"Check.NoCategory", "Check.NoExplicit"}));
    EXPECT_TRUE(check_has_error(feed_check(doc_, paths_)));
    doc_.Flag = 1;
    EXPECT_EQ(keys(), std::vector<std::string>{"Check.ITunesOff"});
}

TEST_F(FeedCheckTest, ChannelTagsCategoriesAndAddresses) {
    // Without a web link, the enclosures made from it are not web addresses either.
    const Keys relative = {"Check.EnclosureNotWeb", "Check.EnclosureNotWeb"};
    const Case<Doc> cases[] = {
        {&Doc::Title, " \r\n", {"Check.NoTitle"}},
        {&Doc::Desc, "", {"Check.NoDescription"}},
        {&Doc::Lang, "", {"Check.NoLanguage"}},
        {&Doc::Link, "", {"Check.NoLink", relative[0], relative[1]}},
        {&Doc::Link, "ftp://example.org/show", {"Check.LinkNotWeb", relative[0], relative[1]}},
        {&Doc::Link, "https:///show", {"Check.LinkNotWeb", relative[0], relative[1]}},
        {&Doc::Link, "HTTP://example.org", {}},
        {&Doc::iTunesCategory, "Tech", {"Check.UnknownCategory"}},
        {&Doc::iTunesCategory, "Books", {"Check.UnknownCategory"}}, // a subcategory
        {&Doc::iTunesSubCategory, "Books", {"Check.UnknownSubCategory"}},
        {&Doc::iTunesSubCategory, "Tech News", {}},
        {&Doc::iTunesExplicit, "yes", {"Check.BadExplicit"}},
        {&Doc::iTunesType, "weekly", {"Check.BadShowType"}},
        {&Doc::iTunesType, "serial", {}},
        {&Doc::ImageUrl, "", {"Check.NoArtwork"}},
        {&Doc::ImageUrl, "art.GIF", {"Check.ArtworkType"}},
        {&Doc::ImageUrl, "https://example.org/art.png?v=2.1", {}},
        {&Doc::ImageUrl, "https://example.org/art.jpg.webp", {"Check.ArtworkType"}},
        {&Doc::ImageUrl, "file:///home/me/art.jpeg", {"Check.ArtworkNotWeb"}},
    };
    for (const auto& [field, value, expected] : cases)
        EXPECT_EQ(keys_with(field, value), expected) << value;

    doc_.iTunesSubCategory = "Cooking";
    doc_.Link = "news";
    EXPECT_EQ(lines(),
              (Keys{"E-1 Check.LinkNotWeb [news]", "E-1 Check.UnknownSubCategory [Cooking] [News]",
                    "E0 Check.EnclosureNotWeb [news/audio/ep1.mp3]",
                    "E1 Check.EnclosureNotWeb [news/audio/ep2.mp3]"}));
}

TEST_F(FeedCheckTest, ArtworkBesideTheProjectIsReadByItsHeader) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    doc_.FileName = tmp.path() + "show.qprj";
    doc_.ImageUrl = "img/art.png";
    ASSERT_TRUE(std::filesystem::create_directory(tmp.path() + "img"));
    const auto with_file = [&](const std::string& bytes) {
        EXPECT_TRUE(write_file(tmp.path() + "img/art.png", bytes));
        return keys();
    };
    // Not beside the project: only the name can be checked.
    EXPECT_EQ(keys(), Keys{});
    EXPECT_EQ(with_file(png(1400, 1400)), Keys{});
    EXPECT_EQ(with_file(png(3000, 3000)), Keys{});
    EXPECT_EQ(with_file(png(2000, 1500)), Keys{"Check.ArtworkNotSquare"});
    EXPECT_EQ(with_file(png(1400, 1000)), (Keys{"Check.ArtworkNotSquare", "Check.ArtworkSize"}));
    EXPECT_EQ(with_file(png(3001, 3001)), Keys{"Check.ArtworkSize"});
    // A JPEG under a PNG name is served as what it is not.
    EXPECT_EQ(with_file(jpeg(1000, 1000)), (Keys{"Check.ArtworkMisnamed", "Check.ArtworkSize"}));
    EXPECT_EQ(with_file("GIF89a\x10\x00\x10\x00"), Keys{"Check.ArtworkContent"});
    // A header cut short says nothing of the size.
    EXPECT_EQ(with_file(png(500, 500).substr(0, 20)), Keys{});
    (void)with_file(png(1399, 1399));
    EXPECT_EQ(lines(), Keys{"E-1 Check.ArtworkSize [1399] [1399]"});
    doc_.ImageUrl = "/img/art.png?v=1";
    EXPECT_EQ(keys(), Keys{"Check.ArtworkSize"});
    // The image file that publishing uploads is the artwork when no address is typed.
    doc_.ImageUrl.clear();
    doc_.ImageFile = "img/art.png";
    EXPECT_EQ(keys(), Keys{"Check.ArtworkSize"});
    (void)with_file(png(1400, 1400));
    EXPECT_EQ(keys(), Keys{});
}

TEST(ImageHeader, PngAndEveryJpegFrameKind) {
    const auto size = [](const std::string& bytes) {
        const ImageHeader h = image_header(bytes);
        return std::to_string(static_cast<int>(h.format)) + ":" + std::to_string(h.width) + "x" +
               std::to_string(h.height);
    };
    EXPECT_EQ(size(png(1400, 1401)), "1:1400x1401");
    EXPECT_EQ(size(png(0xFFFFFFFF, 1)), "1:0x0");
    EXPECT_EQ(size(jpeg(640, 480)), "2:640x480");
    EXPECT_EQ(size(jpeg(1400, 1400, '\xC2')), "2:1400x1400"); // progressive
    // A table segment shares the frame markers' range and is skipped.
    EXPECT_EQ(size(jpeg(1400, 1400, '\xC4')), "2:0x0");
    EXPECT_EQ(size(jpeg(1400, 1400).substr(0, 19)), "2:0x0");
    EXPECT_EQ(size(std::string("\xFF\xD8\xFF\xDA\x00\x02", 6)), "2:0x0");
    EXPECT_EQ(size("BM\x10\x00"), "0:0x0");
}

TEST_F(FeedCheckTest, EpisodeEnclosuresAndIdentities) {
    const Case<Feed> cases[] = {
        {&Feed::FeedTitle, "", {"Check.NoEpisodeTitle"}},
        {&Feed::FeedFileOnFTP, "", {"Check.NoEnclosure"}},
        {&Feed::FeedFileType, " ", {"Check.NoEnclosureType"}},
        {&Feed::FeedFileOnFTP, "ftp://example.org/ep2.mp3", {"Check.EnclosureNotWeb"}},
        {&Feed::FeedGUID, "ep1", {"Check.DuplicateGuid"}},
        {&Feed::FeedGUID, "EP1", {}},
        {&Feed::FeedGUID, " ", {"Check.NoGuid"}},
        // The same address written two ways.
        {&Feed::FeedFileOnFTP,
         "https://example.org/show/audio/ep1.mp3 ",
         {"Check.DuplicateEnclosure"}},
    };
    for (const auto& [field, value, expected] : cases)
        EXPECT_EQ(keys_with(field, value), expected) << value;
    // Two missing GUIDs are not the same GUID.
    ep(0).FeedGUID.clear();
    ep(1).FeedFileLength = 0;
    EXPECT_EQ(keys_with(&Feed::FeedGUID, ""),
              (Keys{"Check.NoGuid", "Check.NoGuid", "Check.NoEnclosureLength"}));

    ep(1).FeedGUID = ep(0).FeedGUID = "ep1";
    ep(1).FeedFileLength = 1000;
    ep(1).FeedFileOnFTP = "audio/ep1.mp3";
    EXPECT_EQ(
        lines(),
        (Keys{"E1 Check.DuplicateGuid [ep1] [Episode 1]",
              "E1 Check.DuplicateEnclosure [https://example.org/show/audio/ep1.mp3] [Episode 1]"}));
}

TEST_F(FeedCheckTest, LocalMediaFilesAreLookedAt) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    paths_ = Paths("/tmp/", tmp.path(), "/tmp/", "");
    ASSERT_TRUE(write_file(tmp.path() + "ep1.mp3", std::string(1000, 'a')));
    ASSERT_TRUE(write_file(tmp.path() + "ep2.mp3", std::string(999, 'a')));
    for (Feed& f : doc_.Feeds) {
        f.FeedFile = "%MyDoc%" + file_part(f.FeedFileOnFTP);
        f.FeedFileOnFTP.clear();
    }
    EXPECT_EQ(lines(), Keys{"W1 Check.FileSize [" + tmp.path() + "ep2.mp3] [999] [1000]"});
    EXPECT_FALSE(check_has_error(feed_check(doc_, paths_)));
    ep(1).FeedFile = "%MyDoc%gone.mp3";
    EXPECT_EQ(keys(), Keys{"Check.FileMissing"});
    // An unknown length is an error of its own, not also a size that differs.
    ep(0).FeedFileLength = 0;
    EXPECT_EQ(keys(), (Keys{"Check.NoEnclosureLength", "Check.FileMissing"}));
}

TEST_F(FeedCheckTest, DescriptionsAreMeasuredAsWritten) {
    const std::string full(4000, 'a');
    const Case<Feed> cases[] = {
        {&Feed::FeedDesc, full, {}},
        {&Feed::FeedDesc, full + "a", {"Check.LongDescription"}},
        // Control characters and the braces of a CDATA section are not written.
        {&Feed::FeedDesc, full + "\x01", {}},
        {&Feed::FeedDesc, "{" + full + "}", {}},
    };
    for (const auto& [field, value, expected] : cases)
        EXPECT_EQ(keys_with(field, value), expected);
    // Converted to HTML, 1000 ampersands take 5000 bytes.
    EXPECT_EQ(keys_with(&Doc::Desc, std::string(1000, '&')), Keys{});
    doc_.Flag |= kDocSpecialChar;
    EXPECT_EQ(keys_with(&Doc::Desc, std::string(1000, '&')), Keys{"Check.LongDescription"});
}

TEST_F(FeedCheckTest, EpisodeDirectoryValues) {
    for (const char* good : {"3600", "0", "42:07", "1:30", "1:02:03", "01:02:03"}) {
        ep(0).FeedDuration = good;
        EXPECT_EQ(keys(), Keys{}) << good;
    }
    for (const char* bad : {"1:2:3", "1:2", "1:02:3", "61:00", "00:60", "1:02:03:04", "123:00:00",
                            "4 min", " 42:07", ":42:07", "42:07:"}) {
        ep(0).FeedDuration = bad;
        EXPECT_EQ(keys(), Keys{"Check.BadDuration"}) << bad;
    }
    ep(0).FeedDuration.clear();
    EXPECT_EQ(keys(), Keys{"Check.NoDuration"});
    ep(0).FeedDuration = "01:00";
    ep(1).FeedEpisodeType = "Full";
    ep(1).FeedExplicit = "clean";
    EXPECT_EQ(keys(), (Keys{"Check.BadEpisodeType", "Check.BadExplicit"}));
    ep(1).FeedEpisodeType = "bonus";
    ep(1).FeedExplicit = "true";
    EXPECT_EQ(keys(), Keys{});
    ep(1).FeedImage = "https://example.org/ep.jpeg?v=1";
    EXPECT_EQ(keys(), Keys{});
    ep(1).FeedImage = "ep.webp";
    EXPECT_EQ(keys(), Keys{"Check.EpisodeImageType"});
    ep(1).FeedImage.clear();
    // Without the iTunes tags none of these is written.
    doc_.Flag &= ~kITunesInclude;
    ep(1).FeedDuration = "soon";
    EXPECT_EQ(keys(), Keys{"Check.ITunesOff"});
}

TEST_F(FeedCheckTest, PodcastNamespaceValuesReadersWouldDrop) {
    doc_.Flag |= kPodcastInclude;
    doc_.PodcastLockedOwner = "me@example.org";
    const Case<Doc> channel[] = {
        {&Doc::PodcastLocked, "yes", {}},
        {&Doc::PodcastLocked, "Yes", {"Check.BadLocked"}},
        {&Doc::PodcastFundingText, "Support us", {"Check.FundingWithoutAddress"}},
        {&Doc::iTunesNewFeedUrl, "https://new.example.org/feed.xml", {}},
        {&Doc::iTunesNewFeedUrl, "feed2.xml", {"Check.NewFeedUrlNotWeb"}},
    };
    for (const auto& [field, value, expected] : channel)
        EXPECT_EQ(keys_with(field, value), expected) << value;
    ep(1).FeedTranscriptUrl = "t/ep2.vtt";
    EXPECT_EQ(keys(), Keys{"Check.NoTranscriptType"});
    ep(1).FeedTranscriptType = "text/vtt";
    EXPECT_EQ(keys(), Keys{});
    // Without the namespace, neither the transcript nor the lock is written.
    ep(1).FeedTranscriptType.clear();
    doc_.PodcastLocked = "maybe";
    doc_.Flag &= ~kPodcastInclude;
    EXPECT_EQ(keys(), Keys{});
}

// The podcast namespace beyond the lock and the funding: the document using every element passes,
// and each break gives its finding, on the channel (-1) or the episode (0).
class NamespaceCheck : public ::testing::Test {
protected:
    NamespaceCheck() : paths_("/tmp/", "/tmp/", "/tmp/", "") {
        doc_.Title = "Show";
        doc_.Desc = "About";
        doc_.ImageUrl = "https://ex.com/art.jpg";
        doc_.FormatDate = "%dl, %dd %ml %yyyy %hh:%ii:%ss GMT";
        doc_.Feeds[0].FeedGUID = "ep3";
        // The address as the server's, not a file on this computer.
        doc_.Feeds[0].FeedFileOnFTP = std::exchange(doc_.Feeds[0].FeedFile, "");
        // The taxonomy's group is "Audio Post-Production"; readers file a bare "post-production"
        // under "cast".
        doc_.Persons[1].Group = "audio post-production";
    }
    Keys lines(const Doc& doc) const {
        Keys out;
        for (const CheckFinding& f : feed_check(doc, paths_)) {
            out.push_back((f.level == CheckLevel::Error ? "E" : "W") + std::to_string(f.feed) +
                          " " + f.key);
            EXPECT_NE(find_language_key(f.key), nullptr) << f.key;
        }
        return out;
    }
    Keys with(const std::function<void(Doc&, Feed&)>& change) const {
        Doc d = doc_;
        change(d, d.Feeds[0]);
        return lines(d);
    }

    Doc doc_ = test::everything_doc();
    Paths paths_;
};

TEST_F(NamespaceCheck, EachBrokenElementGivesItsFinding) {
    EXPECT_EQ(lines(doc_), Keys{});
    struct Break {
        std::function<void(Doc&, Feed&)> change;
        Keys expected;
    };
    const Break cases[] = {
        {[](Doc& d, Feed&) { d.PodcastLockedOwner = " "; }, {"W-1 Check.LockedWithoutOwner"}},
        {[](Doc& d, Feed&) { d.Persons[1].Name = ""; }, {"E-1 Check.PersonNoName"}},
        {[](Doc& d, Feed&) { d.Persons[0].Role = "Hostess"; }, {"W-1 Check.PersonRole"}},
        {[](Doc& d, Feed&) { d.Persons[0].Role = "Co-Host"; }, {}},
        {[](Doc&, Feed& f) { f.FeedPersons[0].Group = "crew"; }, {"W0 Check.PersonGroup"}},
        {[](Doc& d, Feed&) { d.Location = ""; }, {"E-1 Check.LocationNoName"}},
        {[](Doc&, Feed& f) { f.FeedLocationGeo = "48.85,2.35"; }, {"W0 Check.LocationGeo"}},
        {[](Doc& d, Feed&) { d.Trailers[0].PubDate = 0; }, {"E-1 Check.TrailerIncomplete"}},
        {[](Doc& d, Feed&) { d.Trailers[0].Url = ""; }, {"E-1 Check.TrailerIncomplete"}},
        {[](Doc& d, Feed&) { d.License = "My own licence"; }, {"W-1 Check.LicenseNoUrl"}},
        {[](Doc& d, Feed&) { d.License = "cc-by-nc-sa-2.5x"; }, {"W-1 Check.LicenseNoUrl"}},
        {[](Doc& d, Feed&) { d.License = "CC-BY-NC-SA-3.0"; }, {}},
        {[](Doc& d, Feed&) { d.License = "Mine", d.LicenseUrl = "https://ex.com/l"; }, {}},
        {[](Doc& d, Feed&) { d.Medium = "Podcast"; }, {"W-1 Check.BadMedium"}},
        {[](Doc& d, Feed&) { d.Medium = "musicL"; }, {}},
        {[](Doc& d, Feed&) { d.Podroll[0].Medium = "radio"; }, {"W-1 Check.BadMedium"}},
        {[](Doc& d, Feed&) { d.UpdateFrequency = ""; }, {"E-1 Check.FrequencyNoText"}},
        {[](Doc& d, Feed&) { d.UpdateFrequencyRule = "FREQ=MONTHLY;INTERVAL=2;BYDAY=1MO"; }, {}},
        {[](Doc& d, Feed&) { d.UpdateFrequencyStart = "2013-04-05T09:00+02:00"; }, {}},
        {[](Doc& d, Feed&) { d.UpdateFrequencyStart = "2013-04-05"; }, {}},
        {[](Doc& d, Feed&) { d.UpdateFrequencyStart = "2013-04-05 09:00"; },
         {"W-1 Check.FrequencyStart"}},
        {[](Doc& d, Feed&) { d.UpdateFrequencyStart = "2013-13-05"; },
         {"W-1 Check.FrequencyStart"}},
        // Counted in characters, not bytes.
        {[](Doc& d, Feed&) { d.Texts[0].Text = std::string(4000, 'a'); }, {}},
        {[](Doc& d, Feed&) {
             for (int i = 0; i < 4001; ++i)
                 d.Texts[1].Text += "\xC3\xA9";
         },
         {"E-1 Check.LongText"}},
        {[](Doc& d, Feed&) { d.Texts[0].Purpose = std::string(129, 'p'); },
         {"E-1 Check.LongTextPurpose"}},
        {[](Doc& d, Feed&) { d.Podroll[0].FeedGuid = ""; }, {"E-1 Check.RemoteItemNoGuid"}},
        {[](Doc& d, Feed&) { d.ValueType = "paypal"; }, {"W-1 Check.ValueType"}},
        {[](Doc& d, Feed&) { d.ValueMethod = "push"; }, {"W-1 Check.ValueMethod"}},
        {[](Doc& d, Feed&) { d.ValueRecipients[0].Address = ""; },
         {"E-1 Check.RecipientNoAddress"}},
        {[](Doc& d, Feed&) { d.ValueRecipients[0].Type = "email"; }, {"W-1 Check.RecipientType"}},
        // A recipient without a share leaves the total unknown.
        {[](Doc& d, Feed&) { d.ValueRecipients[0].Split = -5; }, {"E-1 Check.RecipientSplit"}},
        {[](Doc& d, Feed&) { d.ValueRecipients[0].Split = 80; }, {"W-1 Check.SplitTotal"}},
        {[](Doc& d, Feed&) { d.ValueRecipients[1].Split = 101; }, {"E-1 Check.FeeSplits"}},
        {[](Doc&, Feed& f) { f.FeedValueRecipients[0].Split = 99; }, {"W0 Check.SplitTotal"}},
        {[](Doc&, Feed& f) { f.FeedTranscripts[1].Url = " "; }, {"E0 Check.TranscriptNoSource"}},
        {[](Doc&, Feed& f) { f.FeedAlternates[0].Type = ""; }, {"E0 Check.AlternateNoType"}},
        {[](Doc&, Feed& f) { f.FeedAlternates[1].Url = ""; }, {"E0 Check.AlternateNoSource"}},
        {[](Doc&, Feed& f) { f.FeedAlternates[1].Length = 0; }, {"W0 Check.AlternateNoLength"}},
        {[](Doc&, Feed& f) { f.FeedSoundbites[1].Duration = 0; }, {"E0 Check.SoundbiteDuration"}},
        {[](Doc&, Feed& f) { f.FeedSoundbites[1].StartTime = 3570.5; },
         {"W0 Check.SoundbiteOutside"}},
        {[](Doc&, Feed& f) { f.FeedSoundbites[0].StartTime = 0; }, {"W0 Check.SoundbiteAtStart"}},
        {[](Doc&, Feed& f) { f.FeedSoundbites[1].StartTime = 3570; }, {}},
        {[](Doc&, Feed& f) { f.FeedValueSplits[0].Duration = 3481; },
         {"W0 Check.TimeSplitOutside"}},
        {[](Doc&, Feed& f) { f.FeedValueSplits[0].RemotePercentage = 101; },
         {"E0 Check.TimeSplitPercentage"}},
        {[](Doc&, Feed& f) { f.FeedValueSplits[0].FeedGuid = ""; }, {"E0 Check.RemoteItemNoGuid"}},
        // Listed in any order, the stretches are compared as they play.
        {[](Doc&, Feed& f) {
             f.FeedValueSplits.insert(f.FeedValueSplits.begin(),
                                      ValueTimeSplit{299, 60, 0, 0, "", "", ""});
         },
         {"E0 Check.RemoteItemNoGuid", "W0 Check.TimeSplitsOverlap"}},
        {[](Doc&, Feed& f) {
             f.FeedValueSplits.insert(f.FeedValueSplits.begin(),
                                      ValueTimeSplit{300, 60, 0, 0, "g", "", ""});
         },
         {}},
        {[](Doc&, Feed& f) { std::swap(f.FeedChapters[0], f.FeedChapters[1]); },
         {"W0 Check.ChapterOrder"}},
        {[](Doc&, Feed& f) { f.FeedChapters[1].StartTime = 3600.5; }, {"W0 Check.ChapterOutside"}},
        // An episode of unknown length is measured against nothing.
        {[](Doc&, Feed& f) {
             f.FeedDuration = "1:00:61";
             f.FeedChapters[1].StartTime = 3600.5;
         },
         {"W0 Check.BadDuration"}},
        // Without the namespace none of these is written.
        {[](Doc& d, Feed& f) {
             d.Flag &= ~kPodcastInclude;
             d.Persons[1].Name = "";
             f.FeedAlternates[0].Type = "";
             f.FeedChapters[1].StartTime = -1;
         },
         {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(with(cases[i].change), cases[i].expected) << "case " << i;
}

TEST_F(NamespaceCheck, FilesBesideTheEnclosureAreLookedAt) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    paths_ = Paths("/tmp/", tmp.path(), "/tmp/", "");
    Feed& f = doc_.Feeds[0];
    f.FeedTranscripts[0].File = "%MyDoc%ep3.srt";
    f.FeedTranscripts[0].Url.clear();
    f.FeedAlternates[0].File = "%MyDoc%ep3.opus";
    // Kept at an address elsewhere, the enclosure has no folder of ours beside it: the form
    // falls back on its address, the transcript has none.
    EXPECT_EQ(lines(doc_), Keys{"W0 Check.UploadNowhere"});
    f.FeedFileOnFTP = "media/ep3.mp3";
    EXPECT_EQ(lines(doc_), (Keys{"W0 Check.UploadMissing", "W0 Check.UploadMissing"}));
    EXPECT_EQ(feed_check(doc_, paths_)[0].params, Keys{tmp.path() + "ep3.srt"});
    ASSERT_TRUE(write_file(tmp.path() + "ep3.srt", "1\n"));
    ASSERT_TRUE(std::filesystem::create_directory(tmp.path() + "ep3.opus"));
    EXPECT_EQ(lines(doc_), Keys{"W0 Check.UploadMissing"});
}

TEST_F(FeedCheckTest, DatesAStrictReaderCanRead) {
    // The masks here hold no token, so each is the date written.
    for (const char* good :
         {"Fri, 05 Apr 2024 09:07:03 +0200", "5 apr 24 09:07 GMT", "Fri, 05 Apr 2024 09:07:03 Z",
          "  Fri,  05 Apr 2024 09:07:60 edt ", "Fri,05 Apr 2024 09:07:03 -0530"}) {
        doc_.FormatDate = good;
        EXPECT_EQ(keys(), Keys{}) << good;
    }
    for (const char* bad :
         {"Fri, 05 Apr 2024 09:07:03 GMT+02:00", "Fri 05 Apr 2024 09:07:03 +0200",
          "Fry, 05 Apr 2024 09:07:03 +0200", "Fri, 32 Apr 2024 09:07:03 +0200",
          "Fri, 0 Apr 2024 09:07:03 +0200", "Fri, 05 April 2024 09:07:03 +0200",
          "Fri, 05 Apr 202 09:07:03 +0200", "Fri, 05 Apr 2024 24:00:00 +0200",
          "Fri, 05 Apr 2024 9:07:03 +0200", "Fri, 05 Apr 2024 09:07:03 +02",
          "Fri, 05 Apr 2024 09:07:03 +0260", "Fri, 05 Apr 2024 09:07:03 J",
          "Fri, 05 Apr 2024 09:07:03", "Fri, 05 Apr 2024 09:07:03 GMT x", "2024-04-05"}) {
        doc_.FormatDate = bad;
        EXPECT_EQ(keys(), Keys{"Check.DateMask"}) << bad;
    }
    // The default mask's offset is the only fault: the numeric zone is proposed.
    doc_.FormatDate.clear();
    doc_.TimeZone = 2;
    EXPECT_EQ(lines(), Keys{"W-1 Check.DateZone [Fri, 05 Apr 2024 09:07:03 GMT+02:00] "
                            "[%dl, %dd %ml %yyyy %hh:%ii:%ss %zz]"});
    doc_.FormatDate = "%dd/%mm/%yyyy %GM";
    EXPECT_EQ(lines(), Keys{"W-1 Check.DateMask [05/04/2024 GMT+02:00]"});
}

TEST_F(FeedCheckTest, EveryFindingHasItsText) {
    // A document that breaks most rules at once.
    doc_ = Doc{};
    doc_.Flag = kITunesInclude;
    doc_.iTunesCategory = "None";
    doc_.iTunesExplicit = "maybe";
    doc_.iTunesType = "daily";
    doc_.ImageUrl = "art.gif";
    doc_.Feeds.resize(3);
    doc_.Feeds[1].FeedFile = "/nowhere/ep.mp3";
    doc_.Feeds[1].FeedDuration = "x";
    doc_.Feeds[1].FeedEpisodeType = "x";
    doc_.Feeds[1].FeedDesc = std::string(4001, 'a');
    doc_.Feeds[1].FeedImage = "x.gif";
    doc_.Feeds[2] = doc_.Feeds[1];
    doc_.Flag |= kPodcastInclude;
    doc_.PodcastLocked = "maybe";
    doc_.PodcastFundingText = "Support";
    doc_.iTunesNewFeedUrl = "new.xml";
    doc_.Feeds[0].FeedTranscriptUrl = "t.vtt";
    const std::vector<CheckFinding> found = feed_check(doc_, paths_);
    EXPECT_GE(found.size(), 28u);
    for (const CheckFinding& f : found)
        EXPECT_NE(find_language_key(f.key), nullptr) << f.key;
}

TEST_F(FeedCheckTest, TextSaysWhereTheFindingIs) {
    doc_.Feeds.resize(2);
    doc_.Feeds[1].FeedTitle = "Two";
    KeyTexts texts;
    EXPECT_EQ(check_text(doc_, {CheckLevel::Error, -1, "Check.NoCategory", {}}, texts),
              "Check.Channel[Check.NoCategory[][][][][]]");
    // An episode is named by its own number, never by its place in the list.
    EXPECT_EQ(check_text(doc_, {CheckLevel::Warning, 1, "K", {"a"}}, texts),
              "Check.EpisodeTitle[Two][K[a][][][][]]");
    doc_.Feeds[1].FeedEpisode = 7;
    EXPECT_EQ(check_text(doc_, {CheckLevel::Warning, 1, "K", {"a"}}, texts),
              "Check.Episode[7][Two][K[a][][][][]]");
}

} // namespace
} // namespace qp
