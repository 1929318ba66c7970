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

// A transcript of an episode: a file on this computer, published beside the enclosure, or an
// address where it already is.
struct Transcript {
    std::string File;     // may hold path placeholders; empty: Url is used
    std::string Url;      // used when File is empty
    std::string Type;     // MIME type; empty: from the file's extension
    std::string Language; // such as "en"; empty: the channel's
    int Captions = 0;     // 1: timed captions (rel="captions")

    friend bool operator==(const Transcript&, const Transcript&) = default;
};

// Someone who takes part in a show or an episode.
struct Person {
    std::string Name;
    std::string Role;  // from the namespace's taxonomy; empty: "host"
    std::string Group; // empty: "cast"
    std::string Image;
    std::string Href;

    friend bool operator==(const Person&, const Person&) = default;
};

// A moment of an episode worth sharing.
struct Soundbite {
    double StartTime = 0; // seconds
    double Duration = 0;
    std::string Title;

    friend bool operator==(const Soundbite&, const Soundbite&) = default;
};

// Another form of the episode (another format, bit rate or a video), from a file published beside
// the enclosure and/or an address where it already is.
struct AlternateEnclosure {
    std::string Type; // MIME type
    std::int64_t Length = 0;
    double Bitrate = 0; // bits a second; 0: not stated
    int Height = 0;     // pixels, for a video
    std::string Lang;
    std::string Title;
    std::string Rel;
    std::string Codecs;
    int Default = 0;  // 1: the form apps should prefer
    std::string File; // may hold path placeholders; published beside the enclosure
    std::string Url;  // a further source, such as a mirror

    friend bool operator==(const AlternateEnclosure&, const AlternateEnclosure&) = default;
};

// One receiver of a show's or an episode's payments.
struct ValueRecipient {
    std::string Name;
    std::string Type; // "node" or "lnaddress"; empty: "node"
    std::string Address;
    int Split = 0;
    int Fee = 0; // 1: a fee, taken before the others share
    std::string CustomKey;
    std::string CustomValue;

    friend bool operator==(const ValueRecipient&, const ValueRecipient&) = default;
};

// A stretch of an episode whose payments go to another feed's item (a song played in it).
struct ValueTimeSplit {
    double StartTime = 0;
    double Duration = 0;
    int RemotePercentage = 0; // 0: the default of 100
    double RemoteStartTime = 0;
    std::string FeedGuid;
    std::string FeedUrl;
    std::string ItemGuid;

    friend bool operator==(const ValueTimeSplit&, const ValueTimeSplit&) = default;
};

// A show's trailer.
struct Trailer {
    std::string Title;
    std::string Url;
    DateValue PubDate = 0;
    std::int64_t Length = 0;
    std::string Type;
    int Season = 0;

    friend bool operator==(const Trailer&, const Trailer&) = default;
};

// A free text for a purpose, such as a verification code a service asks to find in the feed.
struct FeedText {
    std::string Purpose;
    std::string Text;

    friend bool operator==(const FeedText&, const FeedText&) = default;
};

// Whether one service (or every service, with an empty id) may list the show.
struct ServiceBlock {
    std::string Service; // such as "google"; empty: all
    int Blocked = 1;

    friend bool operator==(const ServiceBlock&, const ServiceBlock&) = default;
};

// Another show, recommended in the podroll.
struct RemoteItem {
    std::string FeedGuid;
    std::string FeedUrl;
    std::string ItemGuid;
    std::string Medium;
    std::string Title; // for the editor only; not written

    friend bool operator==(const RemoteItem&, const RemoteItem&) = default;
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
    // Transcripts beyond the one of FeedTranscriptUrl, which older projects hold.
    std::vector<Transcript> FeedTranscripts;
    std::vector<Person> FeedPersons;
    std::string FeedLocation;    // a place's name; empty: none
    std::string FeedLocationGeo; // "geo:" address
    std::string FeedLocationOsm; // OpenStreetMap type and id, such as "R113314"
    std::string FeedSeasonName;
    std::string FeedEpisodeDisplay; // the episode's number as shown, such as "Special 2"
    std::string FeedItunesTitle;    // the title without number or show name
    std::vector<Soundbite> FeedSoundbites;
    std::vector<AlternateEnclosure> FeedAlternates;
    std::string FeedContent; // HTML show notes (content:encoded)
    // Payments of the episode; recipients replace the channel's when set.
    std::vector<ValueRecipient> FeedValueRecipients;
    std::vector<ValueTimeSplit> FeedValueSplits;
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
    std::vector<Person> Persons;
    std::string Location;
    std::string LocationGeo;
    std::string LocationOsm;
    std::vector<Trailer> Trailers;
    std::string License;              // an SPDX identifier or a custom name
    std::string LicenseUrl;           // required for a custom license
    std::string Medium;               // "podcast", "music", "video" and so on; empty: not written
    std::string UpdateFrequency;      // a text such as "Every Monday"
    std::string UpdateFrequencyRule;  // an iCalendar rule, such as "FREQ=WEEKLY"
    std::string UpdateFrequencyStart; // the rule's first date, ISO 8601
    int UpdateFrequencyComplete = 0;  // 1: no more episodes
    std::vector<FeedText> Texts;
    std::vector<ServiceBlock> Blocks;
    std::vector<RemoteItem> Podroll;
    std::string ValueType;   // "lightning"; empty with recipients: "lightning"
    std::string ValueMethod; // "keysend"; empty with recipients: "keysend"
    std::string ValueSuggested;
    std::vector<ValueRecipient> ValueRecipients;

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
