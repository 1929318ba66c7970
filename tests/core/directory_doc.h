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

} // namespace qp::test
