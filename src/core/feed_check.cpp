#include "core/feed_check.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/html_text.h"
#include "core/image_size.h"
#include "core/paths.h"
#include "core/podcast_categories.h"
#include "core/podcast_values.h"
#include "core/publish_plan.h"
#include "core/rss_writer.h"
#include "core/text.h"
#include "core/texts.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace qp {

namespace {

// The directories cut descriptions after this many bytes.
constexpr std::size_t kMaxDescriptionBytes = 4000;
// The artwork sizes the directories take, in pixels on each side.
constexpr int kMinArtwork = 1400;
constexpr int kMaxArtwork = 3000;

class Findings {
public:
    explicit Findings(std::vector<CheckFinding>& out) : out_(out) {}
    void error(int feed, std::string_view key, std::vector<std::string> params = {}) {
        out_.push_back({CheckLevel::Error, feed, std::string(key), std::move(params)});
    }
    void warning(int feed, std::string_view key, std::vector<std::string> params = {}) {
        out_.push_back({CheckLevel::Warning, feed, std::string(key), std::move(params)});
    }

private:
    std::vector<CheckFinding>& out_;
};

bool is_blank(std::string_view s) {
    return trimmed(s, " \t\r\n").empty();
}

bool is_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int two_digits(std::string_view s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// The address without its query and fragment, whose dots say nothing of the file.
std::string_view without_query(std::string_view url) {
    return url.substr(0, url.find_first_of("?#"));
}

// The bytes a reader gets of an element made from html: a text wrapped in braces is a CDATA
// section without them, any other loses its control characters but TAB, LF and CR.
std::size_t written_size(std::string_view html) {
    const std::string_view t = trimmed(html);
    if (t.size() >= 2 && t.front() == '{' && t.back() == '}')
        return t.size() - 2;
    return html.size() -
           static_cast<std::size_t>(std::count_if(html.begin(), html.end(), [](char c) {
               const auto u = static_cast<unsigned char>(c);
               return u >= 1 && u < 32 && c != '\t' && c != '\n' && c != '\r';
           }));
}

// What the readers and the directories take: SS, M:SS, MM:SS or [H]H:MM:SS, minutes and
// seconds after a ":" below 60.
bool valid_duration(std::string_view d) {
    if (is_digits(d))
        return true;
    const std::size_t last = d.rfind(':');
    if (last == std::string_view::npos)
        return false;
    const std::string_view ss = d.substr(last + 1);
    const std::string_view rest = d.substr(0, last);
    const std::size_t first = rest.rfind(':');
    const std::string_view mm = first == std::string_view::npos ? rest : rest.substr(first + 1);
    // Minutes alone may have one digit; after the hours they have two.
    const bool minutes_ok =
        first == std::string_view::npos ? mm.size() == 1 || mm.size() == 2 : mm.size() == 2;
    if (ss.size() != 2 || !minutes_ok || !is_digits(ss) || !is_digits(mm) ||
        two_digits(ss, 0) > 59 || (mm.size() == 2 && two_digits(mm, 0) > 59))
        return false;
    if (first == std::string_view::npos)
        return true;
    const std::string_view hh = rest.substr(0, first);
    return hh.size() <= 2 && is_digits(hh);
}

bool is_jpeg_or_png_name(std::string_view path) {
    const std::string ext = extension_of(without_query(path));
    return iequals(ext, "jpg") || iequals(ext, "jpeg") || iequals(ext, "png");
}

const std::string& title_of(const Doc& doc, int index) {
    return doc.Feeds[static_cast<std::size_t>(index)].FeedTitle;
}

// What the checks share while they walk the episodes: the GUIDs and enclosure addresses met so
// far with the first episode that used each, and the files already looked at on disk.
struct Seen {
    std::unordered_map<std::string_view, int> guids;
    std::unordered_map<std::string, int> urls;
    std::unordered_map<std::string, std::optional<FileInfo>> files;
};

void check_description(std::string_view text, int flags, int feed, Findings& found) {
    const std::string html = TextToHtml(text, flags);
    // Writing only removes bytes, so a short text needs no closer look.
    if (html.size() <= kMaxDescriptionBytes)
        return;
    if (const std::size_t bytes = written_size(html); bytes > kMaxDescriptionBytes)
        found.warning(feed, "Check.LongDescription", {std::to_string(bytes)});
}

void check_artwork(const Doc& doc, Findings& found) {
    // The address the feed gives: the typed one, else the uploaded image file's name.
    const std::string address = channel_image_address(doc);
    if (address.empty()) {
        found.error(-1, "Check.NoArtwork");
        return;
    }
    if (const std::string url = Url_Join(address, doc.Link); !url_is_web(url))
        found.error(-1, "Check.ArtworkNotWeb", {url});
    const std::string_view path = without_query(address);
    if (!is_jpeg_or_png_name(path)) {
        found.error(-1, "Check.ArtworkType", {file_part(path)});
        return;
    }
    std::string local;
    if (doc.ImageUrl.empty()) {
        local = channel_image_local(doc);
    } else {
        // An address of its own names a file elsewhere; a relative one is kept beside the project.
        if (url_has_scheme(doc.ImageUrl) || doc.FileName.empty())
            return;
        local = replace_all(path, "\\", "/");
        local.erase(0, local.find_first_not_of('/'));
        local.insert(0, folder_part(doc.FileName));
    }
    const ImageFileHeader file = image_file_header(local);
    if (!file.error.empty())
        return; // not on this computer: only the name could be checked
    const ImageHeader& h = file.header;
    if (h.format == ImageFormat::Unknown) {
        found.error(-1, "Check.ArtworkContent", {local});
        return;
    }
    // Served with the type its name gives, a picture of the other kind is refused by some apps.
    const bool png_name = iequals(extension_of(path), "png");
    if (png_name != (h.format == ImageFormat::Png))
        found.warning(-1, "Check.ArtworkMisnamed",
                      {file_part(local), h.format == ImageFormat::Png ? "PNG" : "JPEG"});
    if (h.width <= 0 || h.height <= 0)
        return;
    const std::string w = std::to_string(h.width);
    const std::string ht = std::to_string(h.height);
    // The directories refuse artwork that is not square or outside these sizes.
    if (h.width != h.height)
        found.error(-1, "Check.ArtworkNotSquare", {w, ht});
    if (std::min(h.width, h.height) < kMinArtwork || std::max(h.width, h.height) > kMaxArtwork)
        found.error(-1, "Check.ArtworkSize", {w, ht});
}

void check_directory_tags(const Doc& doc, Findings& found) {
    if (!(doc.Flag & kITunesInclude)) {
        found.error(-1, "Check.ITunesOff");
        return;
    }
    if (doc.iTunesCategory.empty())
        found.error(-1, "Check.NoCategory");
    else if (!podcast_category_find(doc.iTunesCategory, ""))
        found.error(-1, "Check.UnknownCategory", {doc.iTunesCategory});
    else if (!doc.iTunesSubCategory.empty() &&
             !podcast_category_find(doc.iTunesCategory, doc.iTunesSubCategory))
        found.error(-1, "Check.UnknownSubCategory", {doc.iTunesSubCategory, doc.iTunesCategory});
    if (doc.iTunesExplicit.empty())
        found.error(-1, "Check.NoExplicit");
    else if (doc.iTunesExplicit != "true" && doc.iTunesExplicit != "false")
        found.warning(-1, "Check.BadExplicit", {doc.iTunesExplicit});
    if (!doc.iTunesType.empty() && doc.iTunesType != "episodic" && doc.iTunesType != "serial")
        found.warning(-1, "Check.BadShowType", {doc.iTunesType});
    // Written as it stands: a relative address sends the listeners nowhere.
    if (!doc.iTunesNewFeedUrl.empty() && !url_is_web(doc.iTunesNewFeedUrl))
        found.error(-1, "Check.NewFeedUrlNotWeb", {doc.iTunesNewFeedUrl});
}

// --- The rest of the podcast namespace ----------------------------------------------------

// The namespace limits a text to 4000 characters and its purpose to 128.
constexpr std::size_t kMaxTextChars = 4000;
constexpr std::size_t kMaxPurposeChars = 128;

template <std::size_t N> bool listed(const std::string_view (&list)[N], std::string_view value) {
    return std::any_of(std::begin(list), std::end(list),
                       [value](std::string_view known) { return iequals(known, value); });
}

bool in_bar_list(std::string_view list, std::string_view value) {
    std::string key = "|";
    for (const char c : value)
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    key += '|';
    return key.size() > 2 && key.find('|', 1) == key.size() - 1 &&
           list.find(key) != std::string_view::npos;
}

// Media are written in lower case, the list form with a capital L; readers compare them exactly.
bool known_medium(std::string_view medium) {
    return std::find(std::begin(kMediumValues), std::end(kMediumValues), medium) !=
           std::end(kMediumValues);
}

// Readers compare roles and groups without letter case and turn an unknown one into "host" or
// "cast".
bool known_role(std::string_view role) {
    return !person_role_group(trim_spaces(role)).empty();
}

bool known_group(std::string_view group) {
    const std::string g = trim_spaces(group);
    const auto groups = person_groups();
    return std::any_of(groups.begin(), groups.end(),
                       [&g](std::string_view known) { return iequals(known, g); });
}

// Whether the license is an SPDX identifier among those shows use; readers find the text of an
// SPDX license themselves and drop any other without the address of its text.
bool spdx_license(std::string_view id) {
    static constexpr std::string_view kCreativeCommons[] = {
        "cc-by", "cc-by-sa", "cc-by-nd", "cc-by-nc", "cc-by-nc-sa", "cc-by-nc-nd"};
    static constexpr std::string_view kVersions[] = {"1.0", "2.0", "2.5", "3.0", "4.0"};
    static constexpr std::string_view kOthers =
        "|cc0-1.0|cc-pddc|pddl-1.0|odc-by-1.0|odbl-1.0|gfdl-1.3|gfdl-1.3-only|gfdl-1.3-or-later"
        "|mit|isc|0bsd|bsd-2-clause|bsd-3-clause|apache-2.0|mpl-2.0|gpl-2.0|gpl-2.0-only"
        "|gpl-2.0-or-later|gpl-3.0|gpl-3.0-only|gpl-3.0-or-later|lgpl-3.0-only|lgpl-3.0-or-later"
        "|agpl-3.0-only|agpl-3.0-or-later|unlicense|wtfpl|";
    for (const std::string_view cc : kCreativeCommons)
        for (const std::string_view v : kVersions)
            if (id.size() == cc.size() + 1 + v.size() && istarts_with(id, cc) &&
                id[cc.size()] == '-' && id.ends_with(v))
                return true;
    return in_bar_list(kOthers, id);
}

std::size_t char_count(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// An iCalendar recurrence rule: NAME=VALUE parts split by ";", FREQ among them, each name once,
// never both COUNT and UNTIL.
bool valid_rrule(std::string_view rule) {
    static constexpr std::string_view kParts[] = {
        "FREQ",  "UNTIL",      "COUNT",     "INTERVAL", "BYSECOND", "BYMINUTE", "BYHOUR",
        "BYDAY", "BYMONTHDAY", "BYYEARDAY", "BYWEEKNO", "BYMONTH",  "BYSETPOS", "WKST"};
    static constexpr std::string_view kFrequencies[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY",
                                                        "WEEKLY",   "MONTHLY",  "YEARLY"};
    std::vector<std::string_view> seen;
    while (!rule.empty()) {
        const std::size_t end = rule.find(';');
        const std::string_view part = rule.substr(0, end);
        rule = end == std::string_view::npos ? std::string_view{} : rule.substr(end + 1);
        const std::size_t eq = part.find('=');
        if (eq == std::string_view::npos || eq + 1 == part.size())
            return false;
        const std::string_view name = part.substr(0, eq);
        const std::string_view value = part.substr(eq + 1);
        if (!listed(kParts, name) || std::find_if(seen.begin(), seen.end(), [name](auto s) {
                                         return iequals(s, name);
                                     }) != seen.end())
            return false;
        if (iequals(name, "FREQ") && !listed(kFrequencies, value))
            return false;
        if ((iequals(name, "COUNT") || iequals(name, "INTERVAL")) && !is_digits(value))
            return false;
        seen.push_back(name);
    }
    const auto has = [&seen](std::string_view n) {
        return std::any_of(seen.begin(), seen.end(), [n](auto s) { return iequals(s, n); });
    };
    return has("FREQ") && !(has("COUNT") && has("UNTIL"));
}

// An ISO 8601 date, alone or with a time and an optional zone:
// YYYY-MM-DD[THH:MM[:SS[.f]][Z|±HH:MM]].
bool valid_iso_date(std::string_view s) {
    const auto digits_at = [&s](std::size_t at, std::size_t n) {
        return s.size() >= at + n && is_digits(s.substr(at, n));
    };
    if (!digits_at(0, 4) || s.size() < 10 || s[4] != '-' || !digits_at(5, 2) || s[7] != '-' ||
        !digits_at(8, 2) || two_digits(s, 5) < 1 || two_digits(s, 5) > 12 || two_digits(s, 8) < 1 ||
        two_digits(s, 8) > 31)
        return false;
    if (s.size() == 10)
        return true;
    if ((s[10] != 'T' && s[10] != 't') || !digits_at(11, 2) || s.size() < 16 || s[13] != ':' ||
        !digits_at(14, 2) || two_digits(s, 11) > 23 || two_digits(s, 14) > 59)
        return false;
    std::size_t at = 16;
    if (at < s.size() && s[at] == ':') {
        if (!digits_at(at + 1, 2) || two_digits(s, at + 1) > 60)
            return false;
        at += 3;
        if (at < s.size() && s[at] == '.') {
            const std::size_t from = ++at;
            while (at < s.size() && s[at] >= '0' && s[at] <= '9')
                ++at;
            if (at == from)
                return false;
        }
    }
    const std::string_view zone = s.substr(at);
    if (zone.empty() || zone == "Z" || zone == "z")
        return true;
    return zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && is_digits(zone.substr(1, 2)) &&
           zone[3] == ':' && is_digits(zone.substr(4, 2));
}

// The episode's length in seconds from its iTunes duration; nullopt when not stated or unreadable.
std::optional<double> duration_seconds(std::string_view d) {
    if (!valid_duration(d))
        return std::nullopt;
    double seconds = 0;
    std::size_t from = 0;
    for (std::size_t at; from <= d.size(); from = at + 1) {
        at = d.find(':', from);
        if (at == std::string_view::npos)
            at = d.size();
        double part = 0;
        for (const char c : d.substr(from, at - from))
            part = part * 10 + (c - '0');
        seconds = seconds * 60 + part;
    }
    return seconds;
}

std::string seconds_text(double s) {
    std::string out = std::to_string(s);
    out.erase(out.find_last_not_of('0') + 1);
    if (out.ends_with('.'))
        out.pop_back();
    return out;
}

// The namespace's documents: a person needs a name; its role and group come from the taxonomy.
void check_persons(const std::vector<Person>& persons, int feed, Findings& found) {
    for (std::size_t i = 0; i < persons.size(); ++i) {
        const Person& p = persons[i];
        if (is_blank(p.Name)) {
            found.error(feed, "Check.PersonNoName", {std::to_string(i + 1)});
            continue;
        }
        if (!p.Role.empty() && !known_role(p.Role))
            found.warning(feed, "Check.PersonRole", {p.Name, p.Role});
        if (!p.Group.empty() && !known_group(p.Group))
            found.warning(feed, "Check.PersonGroup", {p.Name, p.Group});
    }
}

// The namespace's documents: a location is a place's name, its geo and osm values only add to it.
void check_location(std::string_view name, std::string_view geo, std::string_view osm, int feed,
                    Findings& found) {
    if (is_blank(name) && (!geo.empty() || !osm.empty()))
        found.error(feed, "Check.LocationNoName");
    if (!geo.empty() && !istarts_with(geo, "geo:"))
        found.warning(feed, "Check.LocationGeo", {std::string(geo)});
}

// Splits are shares by the namespace's documents, fees percentages taken first (so together at
// most 100). Readers that follow its first version take every split as a percentage of the whole;
// both pay each recipient the same only when all the splits, fees included, add up to 100, so
// another total is a warning.
void check_recipients(const std::vector<ValueRecipient>& recipients, int feed, Findings& found) {
    long total = 0;
    long fees = 0;
    bool whole = true;
    for (const ValueRecipient& r : recipients) {
        const std::string who = is_blank(r.Name) ? r.Address : r.Name;
        if (is_blank(r.Address))
            found.error(feed, "Check.RecipientNoAddress", {r.Name});
        if (!r.Type.empty() && !listed(kRecipientTypes, r.Type))
            found.warning(feed, "Check.RecipientType", {who, r.Type});
        if (r.Split <= 0) {
            found.error(feed, "Check.RecipientSplit", {who, std::to_string(r.Split)});
            whole = false;
            continue;
        }
        total += r.Split;
        if (r.Fee)
            fees += r.Split;
    }
    if (fees > 100)
        found.error(feed, "Check.FeeSplits", {std::to_string(fees)});
    else if (whole && !recipients.empty() && total != 100)
        found.warning(feed, "Check.SplitTotal", {std::to_string(total)});
}

// The namespace's documents: a recommended or paid feed is named by its GUID.
void check_remote_item(std::string_view feed_guid, std::string_view feed_url, int feed,
                       Findings& found) {
    if (is_blank(feed_guid))
        found.error(feed, "Check.RemoteItemNoGuid", {std::string(feed_url)});
}

void check_podcast_channel(const Doc& doc, Findings& found) {
    // What podcast-partytime accepts: a lock without its owner is dropped, which matters only
    // when the feed is locked.
    if (doc.PodcastLocked == "yes" && is_blank(doc.PodcastLockedOwner))
        found.warning(-1, "Check.LockedWithoutOwner");
    check_persons(doc.Persons, -1, found);
    check_location(doc.Location, doc.LocationGeo, doc.LocationOsm, -1, found);
    // The namespace's documents from here on.
    for (const Trailer& t : doc.Trailers)
        if (is_blank(t.Title) || is_blank(t.Url) || t.PubDate == 0)
            found.error(-1, "Check.TrailerIncomplete", {is_blank(t.Title) ? t.Url : t.Title});
    if (!is_blank(doc.License) && doc.LicenseUrl.empty() && !spdx_license(trim_spaces(doc.License)))
        found.warning(-1, "Check.LicenseNoUrl", {doc.License});
    if (!doc.Medium.empty() && !known_medium(doc.Medium))
        found.warning(-1, "Check.BadMedium", {doc.Medium});
    const bool frequency = !doc.UpdateFrequencyRule.empty() || !doc.UpdateFrequencyStart.empty() ||
                           doc.UpdateFrequencyComplete != 0;
    if (frequency && is_blank(doc.UpdateFrequency))
        found.error(-1, "Check.FrequencyNoText");
    if (!doc.UpdateFrequencyRule.empty() && !valid_rrule(doc.UpdateFrequencyRule))
        found.warning(-1, "Check.FrequencyRule", {doc.UpdateFrequencyRule});
    if (!doc.UpdateFrequencyStart.empty() && !valid_iso_date(doc.UpdateFrequencyStart))
        found.warning(-1, "Check.FrequencyStart", {doc.UpdateFrequencyStart});
    for (const FeedText& t : doc.Texts) {
        if (const std::size_t n = char_count(t.Text); n > kMaxTextChars)
            found.error(-1, "Check.LongText", {std::to_string(n)});
        if (char_count(t.Purpose) > kMaxPurposeChars)
            found.error(-1, "Check.LongTextPurpose", {t.Purpose.substr(0, 40)});
    }
    for (const RemoteItem& r : doc.Podroll) {
        check_remote_item(r.FeedGuid, r.FeedUrl, -1, found);
        if (!r.Medium.empty() && !known_medium(r.Medium))
            found.warning(-1, "Check.BadMedium", {r.Medium});
    }
    if (!doc.ValueType.empty() && !listed(kValueTypes, doc.ValueType))
        found.warning(-1, "Check.ValueType", {doc.ValueType});
    if (!doc.ValueMethod.empty() && !listed(kValueMethods, doc.ValueMethod))
        found.warning(-1, "Check.ValueMethod", {doc.ValueMethod});
    check_recipients(doc.ValueRecipients, -1, found);
}

// A file published beside the enclosure is looked at on disk, placeholders resolved as the
// enclosure's are.
void check_beside_file(std::string_view file, int index, const Paths& paths, Seen& seen,
                       Findings& found) {
    const std::string local = paths.Path_Expand(std::string(file));
    auto [entry, fresh] = seen.files.try_emplace(local);
    if (fresh)
        entry->second = file_info(local);
    if (!entry->second || entry->second->is_directory)
        found.warning(index, "Check.UploadMissing", {local});
}

void check_podcast_episode(const Doc& doc, int index, const Paths& paths, Seen& seen,
                           Findings& found) {
    const Feed& feed = doc.Feeds[static_cast<std::size_t>(index)];
    // A file goes beside the enclosure only when the enclosure is in the channel's folder: one
    // kept at an address elsewhere has no folder of ours beside it, and the file is left out.
    const bool beside = !url_has_scheme(trim_spaces(feed.FeedFileOnFTP)) &&
                        (!feed.FeedFile.empty() || !feed.FeedFileOnFTP.empty());
    // The namespace's documents: a transcript and a form of the episode each need a source.
    const auto source = [&](const std::string& file, const std::string& url, const char* none) {
        if (!file.empty() && beside)
            check_beside_file(file, index, paths, seen, found);
        else if (!file.empty() && is_blank(url))
            found.warning(index, "Check.UploadNowhere", {file_part(file)});
        else if (is_blank(url))
            found.error(index, none);
    };
    for (const Transcript& t : feed.FeedTranscripts)
        source(t.File, t.Url, "Check.TranscriptNoSource");
    for (const AlternateEnclosure& a : feed.FeedAlternates) {
        if (is_blank(a.Type))
            found.error(index, "Check.AlternateNoType", {a.Title});
        if (a.File.empty() && is_blank(a.Url))
            found.error(index, "Check.AlternateNoSource", {a.Title.empty() ? a.Type : a.Title});
        else
            source(a.File, a.Url, "");
        // What podcast-partytime accepts: a form without its length is dropped.
        if (a.Length <= 0)
            found.warning(index, "Check.AlternateNoLength", {a.Title.empty() ? a.Type : a.Title});
    }
    check_persons(feed.FeedPersons, index, found);
    check_location(feed.FeedLocation, feed.FeedLocationGeo, feed.FeedLocationOsm, index, found);
    check_recipients(feed.FeedValueRecipients, index, found);
    const std::optional<double> length = duration_seconds(feed.FeedDuration);
    const auto beyond = [&length](double end) { return length && end > *length; };
    for (const Soundbite& b : feed.FeedSoundbites) {
        const std::string at = seconds_text(b.StartTime);
        // The namespace's documents: a soundbite lasts, within the episode.
        if (b.Duration <= 0)
            found.error(index, "Check.SoundbiteDuration", {at});
        else if (b.StartTime < 0 || beyond(b.StartTime + b.Duration))
            found.warning(index, "Check.SoundbiteOutside", {at});
        // What podcast-partytime accepts: one starting at 0 is dropped.
        if (b.StartTime == 0)
            found.warning(index, "Check.SoundbiteAtStart");
    }
    // The namespace's documents: a stretch paid to another feed lies within the episode, apart
    // from the others.
    std::vector<const ValueTimeSplit*> splits;
    for (const ValueTimeSplit& v : feed.FeedValueSplits) {
        const std::string at = seconds_text(v.StartTime);
        check_remote_item(v.FeedGuid, v.FeedUrl, index, found);
        if (v.Duration <= 0 || v.StartTime < 0 || beyond(v.StartTime + v.Duration))
            found.warning(index, "Check.TimeSplitOutside", {at});
        else
            splits.push_back(&v);
        if (v.RemotePercentage < 0 || v.RemotePercentage > 100)
            found.error(index, "Check.TimeSplitPercentage",
                        {at, std::to_string(v.RemotePercentage)});
    }
    std::sort(splits.begin(), splits.end(),
              [](auto a, auto b) { return a->StartTime < b->StartTime; });
    for (std::size_t i = 1; i < splits.size(); ++i)
        if (splits[i - 1]->StartTime + splits[i - 1]->Duration > splits[i]->StartTime)
            found.warning(
                index, "Check.TimeSplitsOverlap",
                {seconds_text(splits[i - 1]->StartTime), seconds_text(splits[i]->StartTime)});
    // The chapters file is read in order: apps show a chapter listed out of order, or past the
    // end, at the wrong moment or not at all.
    for (std::size_t i = 0; i < feed.FeedChapters.size(); ++i) {
        const Chapter& c = feed.FeedChapters[i];
        if (i > 0 && c.StartTime < feed.FeedChapters[i - 1].StartTime)
            found.warning(index, "Check.ChapterOrder", {c.Title});
        if (c.StartTime < 0 || beyond(c.StartTime))
            found.warning(index, "Check.ChapterOutside", {c.Title, seconds_text(c.StartTime)});
    }
}

void check_podcast_tags(const Doc& doc, Findings& found) {
    if (!(doc.Flag & kPodcastInclude))
        return;
    if (!doc.PodcastLocked.empty() && doc.PodcastLocked != "yes" && doc.PodcastLocked != "no")
        found.warning(-1, "Check.BadLocked", {doc.PodcastLocked});
    if (doc.PodcastFundingUrl.empty() && !is_blank(doc.PodcastFundingText))
        found.warning(-1, "Check.FundingWithoutAddress", {doc.PodcastFundingText});
    check_podcast_channel(doc, found);
}

// Every date of the file comes from the one mask, so one sample tells for all of them.
void check_date_mask(const Doc& doc, Findings& found) {
    const DateValue sample_date = date_from_fields(2024, 4, 5, 9, 7, 3);
    const std::string sample = RssDate(sample_date, doc.FormatDate, doc.TimeZone);
    // Readers take the element's text without the blanks around it.
    if (rfc822_valid(trimmed(sample)))
        return;
    const std::string mask =
        is_blank(doc.FormatDate) ? std::string(kDefaultRssDateMask) : doc.FormatDate;
    // When only the "GMT+hh:mm" offset is in the way, a numeric zone in its place mends the
    // mask: propose %zz, which writes one.
    if (ifind(mask, "%gm") != std::string::npos &&
        rfc822_valid(
            trimmed(RssDate(sample_date, ireplace_all(mask, "%gm", "+0000"), doc.TimeZone)))) {
        found.warning(-1, "Check.DateZone", {sample, ireplace_all(mask, "%gm", "%zz")});
        return;
    }
    found.warning(-1, "Check.DateMask", {sample});
}

void check_channel(const Doc& doc, Findings& found) {
    if (is_blank(doc.Title))
        found.error(-1, "Check.NoTitle");
    if (is_blank(doc.Desc))
        found.error(-1, "Check.NoDescription");
    if (is_blank(doc.Lang))
        found.error(-1, "Check.NoLanguage");
    if (doc.Link.empty())
        found.error(-1, "Check.NoLink");
    else if (!url_is_web(doc.Link))
        found.error(-1, "Check.LinkNotWeb", {doc.Link});
    check_directory_tags(doc, found);
    check_podcast_tags(doc, found);
    check_artwork(doc, found);
    check_description(doc.Desc, doc.Flag, -1, found);
    check_date_mask(doc, found);
    // The project holds the account and local paths: published, anyone can read them.
    if (doc.ProjectPrivate == 0)
        found.warning(-1, "Check.ProjectPublished");
    // Every episode's address is the prefix followed by the file's: a prefix in the clear, or one
    // that runs into the host name, breaks or exposes every download.
    if (const std::string prefix = trim_spaces(doc.MeasurePrefix);
        !prefix.empty() && (!istarts_with(prefix, "https://") || !prefix.ends_with('/')))
        found.warning(-1, "Check.MeasurePrefix", {prefix});
}

void check_enclosure(const Doc& doc, int index, const Paths& paths, Seen& seen, Findings& found) {
    const Feed& feed = doc.Feeds[static_cast<std::size_t>(index)];
    const std::string local =
        feed.FeedFile.empty() ? std::string() : paths.Path_Expand(feed.FeedFile);
    // As the attribute is written: without control characters and outer spaces.
    std::string url = trim_spaces(strip_controls(enclosure_url(doc, feed, local)));
    if (!url_is_web(url))
        found.error(index, "Check.EnclosureNotWeb", {url});
    if (trim_spaces(feed.FeedFileType).empty())
        found.error(index, "Check.NoEnclosureType");
    if (feed.FeedFileLength <= 0)
        found.error(index, "Check.NoEnclosureLength");
    if (const auto [it, fresh] = seen.urls.try_emplace(std::move(url), index); !fresh)
        found.error(index, "Check.DuplicateEnclosure", {it->first, title_of(doc, it->second)});
    if (local.empty())
        return;
    auto [file, fresh] = seen.files.try_emplace(local);
    if (fresh)
        file->second = file_info(local);
    const std::optional<FileInfo>& info = file->second;
    if (!info || info->is_directory)
        found.warning(index, "Check.FileMissing", {local});
    else if (feed.FeedFileLength > 0 && info->size != feed.FeedFileLength)
        found.warning(index, "Check.FileSize",
                      {local, std::to_string(info->size), std::to_string(feed.FeedFileLength)});
}

void check_episode(const Doc& doc, int index, const Paths& paths, Seen& seen, Findings& found) {
    const Feed& feed = doc.Feeds[static_cast<std::size_t>(index)];
    if (is_blank(feed.FeedTitle))
        found.error(index, "Check.NoEpisodeTitle");
    // Readers that key episodes by their GUID drop one without.
    if (is_blank(feed.FeedGUID))
        found.error(index, "Check.NoGuid");
    else {
        if (const auto [it, fresh] = seen.guids.try_emplace(feed.FeedGUID, index); !fresh)
            found.error(index, "Check.DuplicateGuid", {feed.FeedGUID, title_of(doc, it->second)});
    }
    const bool enclosure = !feed.FeedFile.empty() || !feed.FeedFileOnFTP.empty();
    if (enclosure)
        check_enclosure(doc, index, paths, seen, found);
    else
        found.error(index, "Check.NoEnclosure");
    check_description(feed.FeedDesc, feed.FeedFlag, index, found);
    if (doc.Flag & kPodcastInclude)
        check_podcast_episode(doc, index, paths, seen, found);
    if (!(doc.Flag & kITunesInclude))
        return; // the channel's finding says it all
    if (enclosure && feed.FeedDuration.empty())
        found.warning(index, "Check.NoDuration");
    else if (!feed.FeedDuration.empty() && !valid_duration(feed.FeedDuration))
        found.warning(index, "Check.BadDuration", {feed.FeedDuration});
    if (!feed.FeedEpisodeType.empty() && feed.FeedEpisodeType != "full" &&
        feed.FeedEpisodeType != "trailer" && feed.FeedEpisodeType != "bonus")
        found.warning(index, "Check.BadEpisodeType", {feed.FeedEpisodeType});
    if (!feed.FeedExplicit.empty() && feed.FeedExplicit != "true" && feed.FeedExplicit != "false")
        found.warning(index, "Check.BadExplicit", {feed.FeedExplicit});
    if (!feed.FeedImage.empty() && !is_jpeg_or_png_name(feed.FeedImage))
        found.warning(index, "Check.EpisodeImageType", {file_part(without_query(feed.FeedImage))});
    // A transcript without its type is dropped: a reader cannot tell how to show it.
    if ((doc.Flag & kPodcastInclude) && !feed.FeedTranscriptUrl.empty() &&
        trim_spaces(feed.FeedTranscriptType).empty())
        found.error(index, "Check.NoTranscriptType");
}

} // namespace

std::vector<CheckFinding> feed_check(const Doc& doc, const Paths& paths) {
    std::vector<CheckFinding> out;
    Findings found(out);
    check_channel(doc, found);
    Seen seen;
    seen.guids.reserve(doc.Feeds.size());
    seen.urls.reserve(doc.Feeds.size());
    seen.files.reserve(doc.Feeds.size());
    for (std::size_t i = 0; i < doc.Feeds.size(); ++i)
        check_episode(doc, static_cast<int>(i), paths, seen, found);
    return out;
}

bool check_has_error(const std::vector<CheckFinding>& findings) {
    for (const CheckFinding& f : findings)
        if (f.level == CheckLevel::Error)
            return true;
    return false;
}

std::string check_proposed_date_mask(const std::vector<CheckFinding>& findings) {
    for (const CheckFinding& f : findings)
        if (f.key == "Check.DateZone" && f.params.size() > 1)
            return f.params[1];
    return {};
}

void check_use_date_mask(Doc& doc, std::string_view mask) {
    doc.FormatDate = std::string(mask);
    SetModified(doc, true);
}

std::string check_text(const Doc& doc, const CheckFinding& finding, Texts& texts) {
    const std::vector<std::string>& p = finding.params;
    const auto param = [&p](std::size_t i) { return i < p.size() ? std::string_view(p[i]) : ""; };
    std::string text = texts.get(finding.key, {param(0), param(1), param(2), param(3), param(4)});
    if (finding.feed < 0 || static_cast<std::size_t>(finding.feed) >= doc.Feeds.size())
        return texts.get("Check.Channel", {text});
    const Feed& feed = doc.Feeds[static_cast<std::size_t>(finding.feed)];
    // Named as the user knows it: by its own number, not by where the list shows it.
    if (feed.FeedEpisode > 0)
        return texts.get("Check.Episode", {std::to_string(feed.FeedEpisode), feed.FeedTitle, text});
    return texts.get("Check.EpisodeTitle", {feed.FeedTitle, text});
}

} // namespace qp
