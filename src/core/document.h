// The two records the whole program works on: a project (`Doc`: channel settings and an ordered
// list of items) and one item (`Feed`).
#pragma once

#include "core/clock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// `Doc::Flag` values, combined by adding them.
inline constexpr int kAutoLastBuildDate = 1;
inline constexpr int kITunesInclude = 2;
inline constexpr int kDocSpecialChar = 8;

// `Feed::FeedFlag` values.
inline constexpr int kAutoPubDate = 1;
inline constexpr int kUploadFile = 2;
inline constexpr int kNoAutoDelete = 4;
inline constexpr int kFeedSpecialChar = 8;

// `Doc::State` value.
inline constexpr int kModified = 1;

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
    // iTunes texts of the item; the project file has no tag for them.
    std::string FeedDuration;
    std::string FeedSubTitle;
    std::string FeedSummary;
    std::string FeedKeyword;

    friend bool operator==(const Feed&, const Feed&) = default;
};

// Every field starts empty or 0, as the project reader expects; `DocDefaults` gives a new
// document its defaults.
struct Doc {
    std::string FileName;
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
    std::string iTunesAuthor;
    std::string iTunesSubTitle;
    std::string iTunesSummary;
    std::string iTunesKeyword;
    std::string iTunesMail;
    std::string Client;
    std::string User;
    int Port = 0;
    std::string PathFTP;
    int MaxFeed = 0;

    friend bool operator==(const Doc&, const Doc&) = default;
};

class Texts;

// Gives a fresh document the defaults that are not empty or 0 (MaxFeed, TTL, Port, Flag,
// TimeZone, Format). `Lang`, `FileName` and `LastBuildDate` belong to the caller
// that creates the document.
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
// Text_Clean; with keepPath false only the name after the last "/" or "\" is kept.
std::string Text_CleanFileName(std::string_view s, bool keepPath);
// Text_Clean with "\" turned into "/" and the leading "/" removed, so the value reads as
// relative to the channel link.
std::string Text_CleanPath(std::string_view s);
// Removes the codes 1 to 31, keeping CR and LF when keepLines is set.
std::string Text_StripControl(std::string_view s, bool keepLines);

// The MaxFeed rule after a feed is added or copied: removes feeds from the last towards the first,
// sparing those flagged NoAutoDelete, until no more than MaxFeed remain. Returns the number
// removed.
int Feed_TrimToMax(Doc& doc);

} // namespace qp
