// The rules of the feed list commands and of the feed window that need no window: GUIDs, moving,
// copying, sorting and trimming feeds, the values the window's combo boxes offer, and how the
// window's fields are loaded from and stored into a feed.
#pragma once

#include "core/channel_settings.h"
#include "core/document.h"
#include "core/podcast_values.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// A GUID no feed of the list has: the lower-case hexadecimal text of the current wall-clock
// second (taken as 32 bits), counted up past the GUIDs already used. Only stored feeds count, so
// two calls within a second give the same text.
std::string Feed_NewGUID(const std::vector<Feed>& feeds);
// Whether a feed at a position other than skip (-1 for none) has guid, letter case ignored. An
// empty GUID equals an empty GUID.
bool Feed_GUIDExists(const std::vector<Feed>& feeds, std::string_view guid, int skip);
// Gives each added feed a GUID that neither the list nor another added feed has.
void feed_new_guids(std::vector<Feed>& added, const std::vector<Feed>& feeds);

// What a media file told about itself; empty texts when it told nothing.
struct MediaFacts {
    std::string title; // from its tags
    std::string type;  // read from its content
    std::int64_t length = 0;
    std::string duration;
};
// A new episode for the media file at path, stored under stored_path: the title from its tags,
// else the file's name without its extension; the type from its content, else from its
// extension; dated now, automatically. Its GUID is left to feed_new_guids.
Feed feed_for_media_file(std::string_view path, std::string_view stored_path,
                         const MediaFacts& facts);

// Inserts a copy of the feed at position, with a new GUID, at the top of the list and makes it
// current. False (nothing changed) when there is no such feed.
bool feed_insert_copy(Doc& doc, int position);
// Removes the feed at position; the current feed stays the same feed where it remains.
void feed_delete(Doc& doc, int position);
// Swaps the feed at position with its neighbour step places away (-1 up, 1 down). Returns the
// neighbour's former position, now the moved feed's, or -1 when there is no neighbour and
// nothing changed.
int feed_move(Doc& doc, int position, int step);

enum class SortOrder { Ascending = 0, Descending = 1 };
// Orders the feeds by publication date; feeds of equal date keep their order. True when the
// order changed.
bool feed_sort_by_date(Doc& doc, SortOrder order);

// The MaxFeed trim after a feed was put at the top: that feed is never the one removed, even
// when every other feed is protected, so an accepted new feed never vanishes. Returns the number
// removed.
int feed_trim_after_insert(Doc& doc);

// The MIME type of an enclosure from its file name's extension (letter case ignored); empty
// when the extension is not one the program knows.
std::string_view feed_guess_mime_type(std::string_view path);

// Values a combo box offers: each once (letter case ignored, first spelling kept) in list order,
// and the last value met, which the box selects.
struct ComboValues {
    std::vector<std::string> values;
    std::string last;
};
// What the feed window's combo boxes offer from the document's feeds, each value only when it is
// not empty: the types, categories, authors, and the folders of the server paths.
struct FeedComboValues {
    ComboValues types;
    ComboValues categories;
    ComboValues authors;
    ComboValues folders;
};
FeedComboValues feed_combo_values(const std::vector<Feed>& feeds);

// The closed choices of an episode; "" states nothing.
inline constexpr ChoiceItem kEpisodeTypeChoices[] = {{"", "Feed\\Episode.NotStated"},
                                                     {"full", "Feed\\Episode.Full"},
                                                     {"trailer", "Feed\\Episode.Trailer"},
                                                     {"bonus", "Feed\\Episode.Bonus"}};
inline constexpr ChoiceItem kEpisodeExplicitChoices[] = {{"", "Feed\\Episode.NotStated"},
                                                         {"true", "Feed\\Episode.ExplicitYes"},
                                                         {"false", "Feed\\Episode.ExplicitNo"}};
// The feed window's fields as the user sees them.
struct FeedFields {
    std::string title;
    bool auto_pub_date = false;
    DateValue date = 0; // the date shown
    std::string guid;
    bool no_auto_delete = false;
    bool special_char = false;
    std::string link;
    std::string author;
    std::string category;
    std::string comments;
    std::string file;
    bool upload_file = false;
    std::string file_on_ftp;
    std::string file_type;
    std::string length;
    std::string sub_title;
    std::string summary;
    std::string duration;
    std::string keyword;
    std::string episode; // digits, empty for none
    std::string season;
    std::string episode_type;
    std::string explicitness;
    std::string image;
    std::string transcript_url;
    std::string transcript_type;
    std::string chapters_url;
    std::vector<Chapter> chapters;
    std::vector<Transcript> transcripts; // beyond transcript_url
    std::vector<Person> persons;
    std::string location;
    std::string location_geo;
    std::string location_osm;
    std::string season_name;
    std::string episode_display;
    std::string itunes_title;
    std::vector<Soundbite> soundbites;
    std::vector<AlternateEnclosure> alternates;
    std::string content; // HTML as typed, LF line ends
    std::vector<ValueRecipient> value_recipients;
    std::vector<ValueTimeSplit> value_splits;
};

// Another form of the episode from a local file: its name (as stored), length and type, and
// the average bit rate when the playing time is known.
AlternateEnclosure alternate_for_file(std::string file, std::int64_t length, std::string type,
                                      std::int64_t seconds);

FeedFields feed_load_fields(const Feed& feed);
// Cleans the fields into the feed; its text is left alone. The date is now when AutoPubDate is
// ticked, else the date shown; the flag word is rebuilt from the four boxes alone.
void feed_store_fields(const FeedFields& fields, DateValue now, Feed& feed);

} // namespace qp
