// The two records the whole program works on: a project (`Doc`: channel settings and an ordered
// list of items) and one item (`Feed`).
#pragma once

#include "core/clock.h"
#include "core/protocol.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// `Doc::Flag` values, combined by adding them.
inline constexpr int kAutoLastBuildDate = 1;
inline constexpr int kITunesInclude = 2;
inline constexpr int kDocSpecialChar = 8;
// Write the podcast namespace: the feed's GUID, its lock, funding and the transcripts.
inline constexpr int kPodcastInclude = 16;

// `Feed::FeedFlag` values.
inline constexpr int kAutoPubDate = 1;
inline constexpr int kUploadFile = 2;
inline constexpr int kNoAutoDelete = 4;
inline constexpr int kFeedSpecialChar = 8;

// `Doc::State` value.
inline constexpr int kModified = 1;

// One chapter of an episode, as podcast apps show it beside the player.
struct Chapter {
    double StartTime = 0; // seconds from the start, fractions allowed
    std::string Title;
    std::string Image; // the chapter's picture; empty: none
    std::string Url;   // a page about the chapter; empty: none

    friend bool operator==(const Chapter&, const Chapter&) = default;
};

struct Feed {
    std::string FeedAuthor;
    std::string FeedCategory;
    std::string FeedTitle;
    std::string FeedComments;
    std::string FeedDesc; // CR LF line ends
    std::string FeedLink;
    std::string FeedGUID;
    DateValue FeedPubDate = 0;
    std::string FeedFile; // may hold path placeholders
    std::string FeedFileType;
    std::int64_t FeedFileLength = 0;
    std::string FeedFileOnFTP;
    int FeedFlag = 0;
    // iTunes texts of the item.
    std::string FeedDuration; // as written: seconds, or [[H:]MM:]SS
    std::string FeedSubTitle;
    std::string FeedSummary;
    std::string FeedKeyword;
    // What the podcast directories read of an episode; empty or 0 writes nothing.
    int FeedEpisode = 0;
    int FeedSeason = 0;
    std::string FeedEpisodeType; // "full", "trailer" or "bonus"
    std::string FeedExplicit;    // "true" or "false"
    std::string FeedImage;       // absolute, or relative to the channel link
    std::string FeedTranscriptUrl;
    std::string FeedTranscriptType; // MIME type, such as "text/vtt"
    // The chapters, in the order they play; publishing writes them to a file beside the
    // enclosure unless FeedChaptersUrl names one that exists elsewhere.
    std::vector<Chapter> FeedChapters;
    std::string FeedChaptersUrl;
    // Elements of an imported item the program does not model, as XML with the namespace
    // declarations they need; written back at the end of the item.
    std::string FeedExtraXml;

    friend bool operator==(const Feed&, const Feed&) = default;
};

// Every field starts empty or 0, as the project reader expects; `DocDefaults` gives a new
// document its defaults.
struct Doc {
    std::string FileName;
    // Not stored: the name an unsaved document shows and proposes to be saved as, such as an
    // imported feed's title.
    std::string SuggestedName;
    int State = 0;
    std::vector<Feed> Feeds;
    int CurrentFeed = -1; // index into Feeds, -1 when none
    int Flag = 0;
    std::string Title;
    std::string Desc;
    std::string Link;
    std::string RssName;
    std::string Format;
    std::string FormatDate;
    int TimeZone = 0;
    int TTL = 0;
    std::string Lang;
    std::string Copyright;
    DateValue LastBuildDate = 0;
    std::string WebMaster;
    std::string Category;
    std::string ImageUrl;
    std::string ImageTitle;
    std::string ImageLink;
    // The artwork on this computer, published with the feed; relative to the project's folder
    // unless absolute.
    std::string ImageFile;
    std::string iTunesAuthor;
    std::string iTunesSubTitle;
    std::string iTunesSummary;
    std::string iTunesKeyword;
    std::string iTunesMail;
    // What the podcast directories read of a channel; empty or 0 writes nothing.
    std::string iTunesCategory;    // English name from the directory's list
    std::string iTunesSubCategory; // English name, within iTunesCategory
    std::string iTunesExplicit;    // "true" or "false"
    std::string iTunesType;        // "episodic" or "serial"
    std::string iTunesOwnerName;
    std::string iTunesNewFeedUrl;
    int iTunesBlock = 0;       // 1: hide the show from the directories
    int iTunesComplete = 0;    // 1: no more episodes will come
    std::string PodcastLocked; // "yes" or "no"
    std::string PodcastLockedOwner;
    std::string PodcastFundingUrl;
    std::string PodcastFundingText;
    // The feed's identity as an imported feed stated it; empty: made from the public address.
    std::string PodcastGuid;
    // Elements of an imported channel the program does not model, as XML with the namespace
    // declarations they need; written back before the items.
    std::string ExtraXml;
    std::string Client;
    std::string User;
    int Port = 0;
    // How the files reach the server. A project without the line publishes in the clear as it
    // always did.
    qp::Protocol Protocol = qp::Protocol::Ftp;
    // The protocol line as found when it is not a number the program writes (it then publishes
    // secured); written back unchanged while Protocol stays FTPS.
    std::string ProtocolText;
    std::string PathFTP;
    // 1: the project file, which holds the account and local paths, is not published. A project
    // read without the line publishes it, as it always did; a new one keeps it private.
    int ProjectPrivate = 0;
    int MaxFeed = 0;
    // An S3-compatible store (Protocol S3): Client is the endpoint's address, User the access key
    // id and PathFTP the key prefix. The secret key, like the password, is never stored.
    std::string S3Region; // empty: "us-east-1"
    std::string S3Bucket;
    int S3PathStyle = 0; // 1: the bucket in the address's path; 0: in its host name
    // The Cache-Control a store records with the RSS file and with the other files; empty: the
    // defaults (kCacheFeedDefault, kCacheMediaDefault).
    std::string CacheFeed;
    std::string CacheMedia;
    // The WebSub hub the feed names (atom:link rel="hub"); empty: none.
    std::string WebSubHub;
    // 1: after a publish in which the RSS file changed, the hub and Podcast Index are told.
    int NotifyDirectories = 0;
    // Put before every enclosure address the feed writes (a podcast measurement service's
    // redirect, such as "https://stats.example.org/e/"); never before the address a file is
    // uploaded to or checked at. Empty: none.
    std::string MeasurePrefix;

    friend bool operator==(const Doc&, const Doc&) = default;
};

inline constexpr const char* kCacheFeedDefault = "max-age=300";
inline constexpr const char* kCacheMediaDefault = "max-age=2592000";

class Texts;

// Gives a fresh document the defaults that are not empty or 0 (MaxFeed, TTL, Port, Protocol,
// Flag, TimeZone, Format, ProjectPrivate). `Lang`, `FileName` and `LastBuildDate` belong to the
// caller that creates the document.
void DocDefaults(Doc& doc);
// Sets or clears the modified bit of `State`.
void SetModified(Doc& doc, bool on);
// The project file's name without folder and extension, or the "Title.New" text when the
// document has never been saved.
std::string DocDisplayName(const Doc& doc, Texts& texts);

// The cleaners applied to every stored value of a dialog and to the path-like values read from a
// project file.
//
// Removes the codes 1 to 31 and every "*", then trims spaces.
std::string Text_Clean(std::string_view s);
// Text_Clean; with keep_path false only the name after the last "/" or "\" is kept.
std::string Text_CleanFileName(std::string_view s, bool keep_path);
// The project file a document is first saved as, such as an imported feed: its title cleaned for
// a file name ("feed" when nothing is left), with ".qprj".
std::string project_file_name(std::string_view title);
// Text_Clean with "\" turned into "/" and the leading "/" removed, so the value reads as
// relative to the channel link.
std::string Text_CleanPath(std::string_view s);
// Removes the codes 1 to 31, keeping CR and LF when keep_lines is set.
std::string Text_StripControl(std::string_view s, bool keep_lines);

// The MaxFeed rule after a feed is added or copied: removes feeds from the last towards the first,
// sparing those flagged NoAutoDelete, until no more than MaxFeed remain. Returns the number
// removed.
int Feed_TrimToMax(Doc& doc);
// The positions that rule removes, from the last up, never one of the first spared feeds.
std::vector<int> feed_trim_positions(const Doc& doc, int spared);

} // namespace qp
