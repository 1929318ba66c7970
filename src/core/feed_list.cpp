#include "core/feed_list.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <unordered_set>

namespace qp {

namespace {

bool valid(const Doc& doc, int position) {
    return position >= 0 && position < static_cast<int>(doc.Feeds.size());
}

std::vector<Feed>::iterator at(Doc& doc, int position) {
    return doc.Feeds.begin() + static_cast<std::ptrdiff_t>(position);
}

// Adds value once, remembering the last one met.
class ComboCollector {
public:
    explicit ComboCollector(ComboValues& out) : out_(out) {}
    void add(std::string_view value) {
        if (value.empty())
            return;
        out_.last = value;
        if (seen_.insert(fold_case(value)).second)
            out_.values.emplace_back(value);
    }

private:
    ComboValues& out_;
    std::unordered_set<std::string> seen_;
};

} // namespace

namespace {

std::unordered_set<std::string> used_guids(const std::vector<Feed>& feeds) {
    std::unordered_set<std::string> used;
    used.reserve(feeds.size());
    for (const Feed& feed : feeds)
        used.insert(fold_case(feed.FeedGUID));
    return used;
}

std::string first_free_guid(const std::unordered_set<std::string>& used) {
    // At most one candidate per feed is taken, so the search ends.
    const auto start = static_cast<std::uint32_t>(Now());
    for (std::uint32_t i = 0;; ++i) {
        char text[16];
        std::snprintf(text, sizeof(text), "%x", static_cast<unsigned>(start + i));
        if (used.count(text) == 0)
            return text;
    }
}

} // namespace

std::string Feed_NewGUID(const std::vector<Feed>& feeds) {
    return first_free_guid(used_guids(feeds));
}

void feed_new_guids(std::vector<Feed>& added, const std::vector<Feed>& feeds) {
    std::unordered_set<std::string> used = used_guids(feeds);
    for (Feed& feed : added) {
        feed.FeedGUID = first_free_guid(used);
        used.insert(feed.FeedGUID);
    }
}

Feed feed_for_media_file(std::string_view path, std::string_view stored_path,
                         const MediaFacts& facts) {
    Feed feed;
    feed.FeedTitle = Text_StripControl(facts.title, false);
    if (feed.FeedTitle.empty()) {
        std::string name = file_part(path);
        if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
            name.resize(dot);
        feed.FeedTitle = name;
    }
    feed.FeedFile = stored_path;
    feed.FeedFileLength = facts.length;
    feed.FeedDuration = facts.duration;
    feed.FeedFileType = facts.type.empty() ? std::string(feed_guess_mime_type(path)) : facts.type;
    feed.FeedFlag = kAutoPubDate;
    feed.FeedPubDate = Now();
    return feed;
}

bool Feed_GUIDExists(const std::vector<Feed>& feeds, std::string_view guid, int skip) {
    const std::string wanted = fold_case(guid);
    for (std::size_t i = 0; i < feeds.size(); ++i) {
        if (static_cast<int>(i) != skip && feeds[i].FeedGUID.size() == wanted.size() &&
            fold_case(feeds[i].FeedGUID) == wanted)
            return true;
    }
    return false;
}

bool feed_insert_copy(Doc& doc, int position) {
    if (!valid(doc, position))
        return false;
    Feed copy = doc.Feeds[static_cast<std::size_t>(position)];
    copy.FeedGUID = Feed_NewGUID(doc.Feeds);
    doc.Feeds.insert(doc.Feeds.begin(), std::move(copy));
    doc.CurrentFeed = 0;
    return true;
}

void feed_delete(Doc& doc, int position) {
    if (!valid(doc, position))
        return;
    doc.Feeds.erase(at(doc, position));
    if (doc.CurrentFeed == position)
        doc.CurrentFeed = -1;
    else if (doc.CurrentFeed > position)
        --doc.CurrentFeed;
}

int feed_move(Doc& doc, int position, int step) {
    const int neighbour = position + (step < 0 ? -1 : 1);
    if (!valid(doc, position) || !valid(doc, neighbour))
        return -1;
    std::iter_swap(at(doc, position), at(doc, neighbour));
    if (doc.CurrentFeed == position)
        doc.CurrentFeed = neighbour;
    else if (doc.CurrentFeed == neighbour)
        doc.CurrentFeed = position;
    return neighbour;
}

bool feed_sort_by_date(Doc& doc, SortOrder order) {
    std::vector<std::size_t> index(doc.Feeds.size());
    std::iota(index.begin(), index.end(), std::size_t{0});
    const auto date = [&doc](std::size_t i) { return doc.Feeds[i].FeedPubDate; };
    if (order == SortOrder::Ascending)
        std::stable_sort(index.begin(), index.end(),
                         [&](std::size_t a, std::size_t b) { return date(a) < date(b); });
    else
        std::stable_sort(index.begin(), index.end(),
                         [&](std::size_t a, std::size_t b) { return date(a) > date(b); });
    if (std::is_sorted(index.begin(), index.end()))
        return false;
    std::vector<Feed> sorted;
    sorted.reserve(index.size());
    int current = -1;
    for (std::size_t i = 0; i < index.size(); ++i) {
        if (static_cast<int>(index[i]) == doc.CurrentFeed)
            current = static_cast<int>(i);
        sorted.push_back(std::move(doc.Feeds[index[i]]));
    }
    doc.Feeds = std::move(sorted);
    doc.CurrentFeed = current;
    return true;
}

int feed_trim_after_insert(Doc& doc) {
    const std::vector<int> gone = feed_trim_positions(doc, 1);
    for (const int at : gone)
        feed_delete(doc, at);
    return static_cast<int>(gone.size());
}

std::string_view feed_guess_mime_type(std::string_view path) {
    struct Type {
        std::string_view extension;
        std::string_view type;
    };
    static constexpr Type kTypes[] = {
        {"mp3", "audio/mpeg"},      {"m4a", "audio/mp4"},   {"ogg", "audio/ogg"},
        {"oga", "audio/ogg"},       {"opus", "audio/opus"}, {"flac", "audio/flac"},
        {"wav", "audio/wav"},       {"mp4", "video/mp4"},   {"m4v", "video/mp4"},
        {"mov", "video/quicktime"}, {"webm", "video/webm"}, {"pdf", "application/pdf"},
        {"jpg", "image/jpeg"},      {"jpeg", "image/jpeg"}, {"png", "image/png"},
    };
    const std::string extension = extension_of(path);
    for (const Type& t : kTypes)
        if (iequals(extension, t.extension))
            return t.type;
    return {};
}

FeedComboValues feed_combo_values(const std::vector<Feed>& feeds) {
    FeedComboValues out;
    ComboCollector types(out.types);
    ComboCollector categories(out.categories);
    ComboCollector authors(out.authors);
    ComboCollector folders(out.folders);
    for (const Feed& feed : feeds) {
        types.add(feed.FeedFileType);
        categories.add(feed.FeedCategory);
        authors.add(feed.FeedAuthor);
        folders.add(FTP_FolderPart(feed.FeedFileOnFTP, false));
    }
    return out;
}

namespace {

// A list entry's texts lose their control characters: each is one line of the project file.
template <typename... Texts> void clean_lines(Texts&... texts) {
    ((texts = Text_StripControl(texts, false)), ...);
}

} // namespace

AlternateEnclosure alternate_for_file(std::string file, std::int64_t length, std::string type,
                                      std::int64_t seconds) {
    AlternateEnclosure a;
    a.File = std::move(file);
    a.Length = length;
    a.Type = std::move(type);
    if (seconds > 0 && length > 0)
        a.Bitrate = std::round(static_cast<double>(length) * 8 / static_cast<double>(seconds));
    return a;
}

FeedFields feed_load_fields(const Feed& feed) {
    FeedFields f;
    f.title = feed.FeedTitle;
    f.auto_pub_date = (feed.FeedFlag & kAutoPubDate) != 0;
    f.date = feed.FeedPubDate;
    f.guid = feed.FeedGUID;
    f.no_auto_delete = (feed.FeedFlag & kNoAutoDelete) != 0;
    f.special_char = (feed.FeedFlag & kFeedSpecialChar) != 0;
    f.link = feed.FeedLink;
    f.author = feed.FeedAuthor;
    f.category = feed.FeedCategory;
    f.comments = feed.FeedComments;
    f.file = feed.FeedFile;
    f.upload_file = (feed.FeedFlag & kUploadFile) != 0;
    f.file_on_ftp = feed.FeedFileOnFTP;
    f.file_type = feed.FeedFileType;
    f.length = std::to_string(feed.FeedFileLength);
    f.sub_title = feed.FeedSubTitle;
    f.summary = feed.FeedSummary;
    f.duration = feed.FeedDuration;
    f.keyword = feed.FeedKeyword;
    // 0 means none, and shows as an empty field.
    f.episode = feed.FeedEpisode == 0 ? "" : std::to_string(feed.FeedEpisode);
    f.season = feed.FeedSeason == 0 ? "" : std::to_string(feed.FeedSeason);
    f.episode_type = feed.FeedEpisodeType;
    f.explicitness = feed.FeedExplicit;
    f.image = feed.FeedImage;
    f.transcript_url = feed.FeedTranscriptUrl;
    f.transcript_type = feed.FeedTranscriptType;
    f.chapters_url = feed.FeedChaptersUrl;
    f.chapters = feed.FeedChapters;
    f.transcripts = feed.FeedTranscripts;
    f.persons = feed.FeedPersons;
    f.location = feed.FeedLocation;
    f.location_geo = feed.FeedLocationGeo;
    f.location_osm = feed.FeedLocationOsm;
    f.season_name = feed.FeedSeasonName;
    f.episode_display = feed.FeedEpisodeDisplay;
    f.itunes_title = feed.FeedItunesTitle;
    f.soundbites = feed.FeedSoundbites;
    f.alternates = feed.FeedAlternates;
    f.content = replace_all(feed.FeedContent, "\r\n", "\n");
    f.value_recipients = feed.FeedValueRecipients;
    f.value_splits = feed.FeedValueSplits;
    return f;
}

void feed_store_fields(const FeedFields& f, DateValue now, Feed& feed) {
    const auto line = [](const std::string& s) { return Text_StripControl(s, false); };
    feed.FeedTitle = line(f.title);
    feed.FeedGUID = line(f.guid);
    feed.FeedAuthor = line(f.author);
    feed.FeedCategory = line(f.category);
    feed.FeedFile = line(f.file);
    feed.FeedFileType = line(f.file_type);
    feed.FeedSubTitle = line(f.sub_title);
    feed.FeedSummary = line(f.summary);
    feed.FeedDuration = line(f.duration);
    feed.FeedKeyword = line(f.keyword);
    feed.FeedTranscriptType = trim_spaces(line(f.transcript_type));
    // The closed choices hold the stored value as it was, a hand-edited one included.
    feed.FeedEpisodeType = f.episode_type;
    feed.FeedExplicit = f.explicitness;
    feed.FeedLink = Text_CleanPath(f.link);
    feed.FeedComments = Text_CleanPath(f.comments);
    feed.FeedFileOnFTP = Text_CleanPath(f.file_on_ftp);
    feed.FeedImage = Text_CleanPath(f.image);
    feed.FeedTranscriptUrl = Text_CleanPath(f.transcript_url);
    feed.FeedChaptersUrl = Text_CleanPath(f.chapters_url);
    feed.FeedChapters = f.chapters;
    for (Chapter& c : feed.FeedChapters) {
        c.Title = line(c.Title);
        c.Image = Text_CleanPath(c.Image);
        c.Url = Text_CleanPath(c.Url);
    }
    feed.FeedTranscripts = f.transcripts;
    for (Transcript& t : feed.FeedTranscripts)
        clean_lines(t.File, t.Url, t.Type, t.Language);
    feed.FeedPersons = f.persons;
    for (Person& p : feed.FeedPersons)
        clean_lines(p.Name, p.Role, p.Group, p.Image, p.Href);
    feed.FeedLocation = line(f.location);
    feed.FeedLocationGeo = trim_spaces(line(f.location_geo));
    feed.FeedLocationOsm = trim_spaces(line(f.location_osm));
    feed.FeedSeasonName = line(f.season_name);
    feed.FeedEpisodeDisplay = line(f.episode_display);
    feed.FeedItunesTitle = line(f.itunes_title);
    feed.FeedSoundbites = f.soundbites;
    for (Soundbite& b : feed.FeedSoundbites)
        clean_lines(b.Title);
    feed.FeedAlternates = f.alternates;
    for (AlternateEnclosure& a : feed.FeedAlternates)
        clean_lines(a.Type, a.Lang, a.Title, a.Rel, a.Codecs, a.File, a.Url);
    // The notes are HTML kept as typed; only the line ends become the project's.
    feed.FeedContent = replace_all(replace_all(f.content, "\r\n", "\n"), "\n", "\r\n");
    feed.FeedValueRecipients = f.value_recipients;
    for (ValueRecipient& v : feed.FeedValueRecipients)
        clean_lines(v.Name, v.Type, v.Address, v.CustomKey, v.CustomValue);
    feed.FeedValueSplits = f.value_splits;
    for (ValueTimeSplit& v : feed.FeedValueSplits)
        clean_lines(v.FeedGuid, v.FeedUrl, v.ItemGuid);
    // A negative number is no episode at all.
    feed.FeedEpisode = std::max(0, parse_leading_int32(f.episode));
    feed.FeedSeason = std::max(0, parse_leading_int32(f.season));
    feed.FeedFileLength = parse_leading_int64(f.length);
    feed.FeedPubDate = f.auto_pub_date ? now : f.date;
    feed.FeedFlag = (f.auto_pub_date ? kAutoPubDate : 0) + (f.upload_file ? kUploadFile : 0) +
                    (f.no_auto_delete ? kNoAutoDelete : 0) +
                    (f.special_char ? kFeedSpecialChar : 0);
}

} // namespace qp
