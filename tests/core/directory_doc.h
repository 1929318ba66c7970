// A document that uses every directory and podcast setting, for the tests of the RSS file.
#pragma once

#include "core/dates.h"
#include "core/document.h"

namespace qp::test {

inline const DateValue kDirectoryFriday = date_from_fields(2013, 4, 5, 9, 7, 3);

// The channel with every new setting, and one episode with its own.
inline Doc directory_doc() {
    Doc d;
    DocDefaults(d);
    d.Lang = "fr";
    d.TimeZone = 0;
    d.LastBuildDate = kDirectoryFriday;
    d.Flag = kITunesInclude | kPodcastInclude;
    d.Link = "https://ex.com/pod";
    d.RssName = "feed";
    d.iTunesMail = "me@ex.com";
    d.iTunesOwnerName = "Ann & Bob";
    d.iTunesCategory = "Arts";
    d.iTunesSubCategory = "Books";
    d.iTunesExplicit = "false";
    d.iTunesType = "serial";
    d.iTunesNewFeedUrl = "https://new.ex.com/feed.xml?a=1&b=2";
    d.iTunesBlock = 1;
    d.iTunesComplete = 1;
    d.PodcastLocked = "yes";
    d.PodcastLockedOwner = "me@ex.com";
    d.PodcastFundingUrl = "support.html";
    d.PodcastFundingText = "Support us";
    Feed f;
    f.FeedTitle = "One";
    f.FeedEpisode = 3;
    f.FeedSeason = 2;
    f.FeedEpisodeType = "trailer";
    f.FeedExplicit = "true";
    f.FeedImage = "img/ep3.jpg";
    f.FeedTranscriptUrl = "t/ep3.vtt";
    f.FeedTranscriptType = "text/vtt";
    d.Feeds = {f};
    return d;
}

// directory_doc with every element of the podcast namespace the program models, at channel and
// episode level.
inline Doc everything_doc() {
    Doc d = directory_doc();
    d.Persons = {{"Ann Host", "host", "cast", "https://ex.com/ann.jpg", "https://ex.com/ann"},
                 {"Bob", "editor", "post-production", "", ""}};
    d.Location = "Lyon, France";
    d.LocationGeo = "geo:45.76,4.84";
    d.LocationOsm = "R120965";
    d.Trailers = {{"Season 2 is coming", "https://ex.com/trailer2.mp3", kDirectoryFriday, 12345,
                   "audio/mpeg", 2}};
    d.License = "cc-by-4.0";
    d.Medium = "podcast";
    d.UpdateFrequency = "Every Friday";
    d.UpdateFrequencyRule = "FREQ=WEEKLY;BYDAY=FR";
    d.UpdateFrequencyStart = "2013-04-05T09:00:00Z";
    d.Texts = {{"verify", "S6lpp-7ZCn8-dZfGc-OoyaG"}, {"", "free & open"}};
    d.Blocks = {{"", 0}, {"google", 1}};
    d.Podroll = {{"917393e3-1b1e-5cef-ace4-edaa54e1f810", "https://other.ex/feed.xml", "",
                  "podcast", "Other show"}};
    d.ValueType = "lightning";
    d.ValueMethod = "keysend";
    d.ValueSuggested = "0.00000005000";
    d.ValueRecipients = {
        {"Ann", "node", "02d5c1bf8b940dc9cadca86d1b0a3c37fbe39cee4c7e839e33bef9174531d27f52", 90, 0,
         "", ""},
        {"Host fee", "node", "032f4ffbbafffbe51726ad3c164a3d0d37ec27bc67b29a159b0f49ae8ac21b8508",
         10, 1, "696969", "abc"}};
    Feed& f = d.Feeds[0];
    f.FeedFile = "https://ex.com/ep3.mp3";
    f.FeedFileType = "audio/mpeg";
    f.FeedFileLength = 4000000;
    f.FeedDuration = "1:00:00";
    f.FeedTranscripts = {{"", "https://ex.com/ep3.srt", "application/x-subrip", "en", 1},
                         {"", "https://ex.com/ep3.json", "application/json", "fr", 0}};
    f.FeedChapters = {{0, "Intro", "", ""}, {90.5, "News", "https://ex.com/news.jpg", ""}};
    f.FeedPersons = {{"Guest Star", "guest", "cast", "", "https://guest.ex"}};
    f.FeedLocation = "Paris";
    f.FeedLocationGeo = "geo:48.85,2.35";
    f.FeedSeasonName = "The second";
    f.FeedEpisodeDisplay = "Special 3";
    f.FeedItunesTitle = "One";
    f.FeedSoundbites = {{73, 60, "The best minute"}, {1200.5, 30, ""}};
    f.FeedAlternates = {
        {"audio/opus", 1500000, 32000, 0, "en", "Low bit rate", "", "opus", 0, "",
         "https://ex.com/ep3.opus"},
        {"video/mp4", 90000000, 0, 1080, "", "Video", "", "", 1, "", "https://ex.com/ep3.mp4"}};
    f.FeedContent = "<p>Show notes with <a href=\"https://ex.com\">a link</a> &amp; more.</p>";
    f.FeedValueRecipients = {{"Guest", "lnaddress", "guest@getalby.com", 100, 0, "", ""}};
    f.FeedValueSplits = {
        {120, 180, 95, 30, "917393e3-1b1e-5cef-ace4-edaa54e1f810", "", "https://other.ex/song1"}};
    return d;
}

} // namespace qp::test
