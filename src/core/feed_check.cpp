#include "core/feed_check.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/html_text.h"
#include "core/image_size.h"
#include "core/paths.h"
#include "core/podcast_categories.h"
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

void check_podcast_tags(const Doc& doc, Findings& found) {
    if (!(doc.Flag & kPodcastInclude))
        return;
    if (!doc.PodcastLocked.empty() && doc.PodcastLocked != "yes" && doc.PodcastLocked != "no")
        found.warning(-1, "Check.BadLocked", {doc.PodcastLocked});
    if (doc.PodcastFundingUrl.empty() && !is_blank(doc.PodcastFundingText))
        found.warning(-1, "Check.FundingWithoutAddress", {doc.PodcastFundingText});
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
