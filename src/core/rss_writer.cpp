#include "core/rss_writer.h"

#include "core/channel_settings.h"
#include "core/chapters.h"
#include "core/dates.h"
#include "core/feed_import.h"
#include "core/file_io.h"
#include "core/html_text.h"
#include "core/podcast_values.h"
#include "core/publish_plan.h"
#include "core/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <vector>

namespace qp {

namespace {

bool is_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// The bytes an address may hold as they stand: the unreserved and reserved characters of a URI.
constexpr auto kUrlAllowed = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                         "0123456789-._~:/?#[]@!$&'()*+,;="))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

bool url_byte_allowed(unsigned char c) {
    return kUrlAllowed[c];
}

// Hands the RSS file to disk in the writer's chunks; every write and the close are checked, so a
// full disk never passes for a written file. The file is opened at the first write: a build that
// fails before it leaves the old file as it was.
class ReplacementSink : public XmlSink {
public:
    explicit ReplacementSink(FileReplacement& file) : file_(file) {}

    [[nodiscard]] bool write(std::string_view bytes) override {
        if (error.ok())
            error = file_.write(bytes);
        return error.ok();
    }

    FileResult error;

private:
    FileReplacement& file_;
};

// The non-empty parts of a ";"-separated list, spaces trimmed.
template <typename Fn> void for_each_category(std::string_view list, Fn&& fn) {
    while (!list.empty()) {
        const std::size_t semi = list.find(';');
        if (const std::string_view part = trimmed(list.substr(0, semi)); !part.empty())
            fn(part);
        if (semi == std::string_view::npos)
            break;
        list.remove_prefix(semi + 1);
    }
}

// Folder and name of FeedFileOnFTP with "\" read as "/": the folder up to and including its
// last "/", empty when it has none.
struct ServerName {
    std::string folder;
    std::string name;
};

ServerName split_server_name(std::string_view on_ftp) {
    const std::string path = replace_all(on_ftp, "\\", "/");
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Elements that carry HTML (the descriptions) get the text conversion; every other text is plain
// and only loses its control characters, which AddXmlNode does.
bool add_plain(XmlNode* parent, std::string_view name, std::string_view text) {
    return AddXmlNode(parent, name, text) != nullptr;
}

// An element readers take as an e-mail address or a label says something wrong when empty.
bool add_plain_if_set(XmlNode* parent, std::string_view name, std::string_view text) {
    return text.empty() || add_plain(parent, name, text);
}

bool add_address(XmlNode* parent, std::string_view name, std::string_view link,
                 std::string_view base) {
    return AddXmlNode(parent, name, url_address(link, base)) != nullptr;
}

// The elements kept from an imported feed, as they stand. Markup that is not well-formed (a
// project edited by hand) is left out rather than break the feed.
bool add_kept_xml(XmlNode* parent, std::string_view markup) {
    return markup.empty() || !is_well_formed_fragment(markup) ||
           add_xml_markup(parent, markup) != nullptr;
}

// A number of seconds or bits as the namespace writes it: the shortest exact decimal; what is not
// a number or below 0 is 0.
std::string number_text(double value) {
    if (!std::isfinite(value) || value < 0)
        value = 0;
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return {buf, res.ptr};
}

std::string count_text(std::int64_t value) {
    return value > 0 ? std::to_string(value) : std::string();
}

// A view, so the values made for a call live as long as the call's statement.
struct Attribute {
    std::string_view name;  // spelled as the namespace spells it
    std::string_view value; // empty: not written
};

// An element with its text and the attributes that are set. The names are fixed and valid, so
// only a missing parent fails.
XmlNode* add_element(XmlNode* parent, std::string_view name, std::string_view text,
                     std::initializer_list<Attribute> attributes) {
    XmlNode* node = AddXmlNode(parent, name, text);
    if (node)
        node->attributes.reserve(attributes.size());
    for (const Attribute& a : attributes)
        if (node && !SetXmlAttribute(node, a.name, a.value, AttributeName::AsGiven))
            return nullptr;
    return node;
}

[[nodiscard]] bool add_persons(XmlNode* parent, const std::vector<Person>& persons,
                               std::string_view base) {
    return std::all_of(persons.begin(), persons.end(), [&](const Person& p) {
        return p.Name.empty() ||
               add_element(parent, "podcast:person", p.Name,
                           {{"role", p.Role},
                            {"group", p.Group},
                            {"img", p.Image.empty() ? "" : url_address(p.Image, base)},
                            {"href", p.Href.empty() ? "" : url_address(p.Href, base)}});
    });
}

// A place needs its name; the coordinates only refine it.
[[nodiscard]] bool add_location(XmlNode* parent, std::string_view name, std::string_view geo,
                                std::string_view osm) {
    return name.empty() ||
           add_element(parent, "podcast:location", name, {{"geo", geo}, {"osm", osm}});
}

// The payments block: the channel's type and method, the recipients, then the stretches paid to
// other feeds.
[[nodiscard]] bool add_value(const Doc& doc, XmlNode* parent,
                             const std::vector<ValueRecipient>& recipients,
                             const std::vector<ValueTimeSplit>& splits) {
    if (recipients.empty())
        return true; // a block without a recipient pays no one, and readers drop it
    XmlNode* value = add_element(parent, "podcast:value", "",
                                 {{"type", doc.ValueType.empty() ? "lightning" : doc.ValueType},
                                  {"method", doc.ValueMethod.empty() ? "keysend" : doc.ValueMethod},
                                  {"suggested", doc.ValueSuggested}});
    bool ok = value != nullptr;
    for (const ValueRecipient& r : recipients)
        ok = ok && add_element(value, "podcast:valueRecipient", "",
                               {{"name", r.Name},
                                {"customKey", r.CustomKey},
                                {"customValue", r.CustomValue},
                                {"type", r.Type.empty() ? "node" : r.Type},
                                {"address", r.Address},
                                {"split", std::to_string(std::max(r.Split, 0))},
                                {"fee", r.Fee ? "true" : ""}});
    for (const ValueTimeSplit& t : splits) {
        XmlNode* split =
            ok ? add_element(value, "podcast:valueTimeSplit", "",
                             {{"startTime", number_text(t.StartTime)},
                              {"duration", number_text(t.Duration)},
                              {"remoteStartTime",
                               t.RemoteStartTime > 0 ? number_text(t.RemoteStartTime) : ""},
                              {"remotePercentage", count_text(t.RemotePercentage)}})
               : nullptr;
        ok = split && add_element(split, "podcast:remoteItem", "",
                                  {{"feedGuid", t.FeedGuid},
                                   {"feedUrl", url_encode(t.FeedUrl, UrlPart::Address)},
                                   {"itemGuid", t.ItemGuid}});
    }
    return ok;
}

// What the directories require or read of a show, each written only when set, so a document that
// leaves them alone keeps its feed as it was.
[[nodiscard]] bool build_itunes_directory(const Doc& doc, XmlNode* channel) {
    if (!doc.iTunesCategory.empty()) {
        XmlNode* category = AddXmlNode(channel, "itunes:category", "");
        if (!category || !SetXmlAttribute(category, "text", doc.iTunesCategory))
            return false;
        if (!doc.iTunesSubCategory.empty()) {
            XmlNode* sub = AddXmlNode(category, "itunes:category", "");
            if (!sub || !SetXmlAttribute(sub, "text", doc.iTunesSubCategory))
                return false;
        }
    }
    return add_plain_if_set(channel, "itunes:explicit", doc.iTunesExplicit) &&
           add_plain_if_set(channel, "itunes:type", doc.iTunesType) &&
           // Not made from the channel link: the new address is the user's to give whole.
           add_plain_if_set(channel, "itunes:new-feed-url",
                            url_encode(doc.iTunesNewFeedUrl, UrlPart::Address)) &&
           add_plain_if_set(channel, "itunes:block", doc.iTunesBlock == 1 ? "Yes" : "") &&
           add_plain_if_set(channel, "itunes:complete", doc.iTunesComplete == 1 ? "Yes" : "");
}

[[nodiscard]] bool build_podcast_channel(const Doc& doc, XmlNode* channel) {
    if (const std::string guid = channel_podcast_guid(doc);
        !guid.empty() && !AddXmlNode(channel, "podcast:guid", guid))
        return false;
    if (!doc.PodcastLocked.empty()) {
        XmlNode* locked = AddXmlNode(channel, "podcast:locked", doc.PodcastLocked);
        if (!locked || !SetXmlAttribute(locked, "owner", doc.PodcastLockedOwner))
            return false;
    }
    if (!doc.PodcastFundingUrl.empty()) {
        XmlNode* funding = AddXmlNode(channel, "podcast:funding", doc.PodcastFundingText);
        if (!funding ||
            !SetXmlAttribute(funding, "url", url_address(doc.PodcastFundingUrl, doc.Link)))
            return false;
    }
    bool ok = add_persons(channel, doc.Persons, doc.Link) &&
              add_location(channel, doc.Location, doc.LocationGeo, doc.LocationOsm);
    for (const Trailer& t : doc.Trailers)
        ok = ok &&
             (t.Url.empty() ||
              add_element(channel, "podcast:trailer", t.Title,
                          {{"pubdate",
                            t.PubDate == 0 ? "" : RssDate(t.PubDate, doc.FormatDate, doc.TimeZone)},
                           {"url", url_address(t.Url, doc.Link)},
                           {"length", count_text(t.Length)},
                           {"type", t.Type},
                           {"season", count_text(t.Season)}}));
    if (ok && !doc.License.empty())
        ok = add_element(
            channel, "podcast:license", doc.License,
            {{"url", doc.LicenseUrl.empty() ? "" : url_address(doc.LicenseUrl, doc.Link)}});
    ok = ok && add_plain_if_set(channel, "podcast:medium", doc.Medium);
    if (ok && !doc.UpdateFrequency.empty())
        ok = add_element(channel, "podcast:updateFrequency", doc.UpdateFrequency,
                         {{"complete", doc.UpdateFrequencyComplete == 1 ? "true" : ""},
                          {"dtstart", doc.UpdateFrequencyStart},
                          {"rrule", doc.UpdateFrequencyRule}});
    for (const FeedText& t : doc.Texts)
        ok = ok && (t.Text.empty() ||
                    add_element(channel, "podcast:txt", t.Text, {{"purpose", t.Purpose}}));
    for (const ServiceBlock& b : doc.Blocks)
        ok = ok &&
             add_element(channel, "podcast:block", b.Blocked ? "yes" : "no", {{"id", b.Service}});
    if (ok && !doc.Podroll.empty()) {
        XmlNode* podroll = AddXmlNode(channel, "podcast:podroll", "");
        ok = podroll != nullptr;
        for (const RemoteItem& r : doc.Podroll)
            ok = ok && add_element(podroll, "podcast:remoteItem", "",
                                   {{"feedGuid", r.FeedGuid},
                                    {"feedUrl", url_encode(r.FeedUrl, UrlPart::Address)},
                                    {"itemGuid", r.ItemGuid},
                                    {"medium", r.Medium}});
    }
    return ok && add_value(doc, channel, doc.ValueRecipients, {});
}

// The feed's own address, which podcast apps and directories follow when the feed moves: given
// for a podcast, or a feed that names a hub (subscribers to the hub name the feed by it), whose
// link is absolute, else empty.
std::string self_address(const Doc& doc) {
    if ((!(doc.Flag & kITunesInclude) && doc.WebSubHub.empty()) || !url_has_scheme(doc.Link))
        return {};
    return url_encode(channel_public_link(doc), UrlPart::Address);
}

bool uses_atom(const Doc& doc) {
    return !self_address(doc).empty() || !doc.WebSubHub.empty();
}

[[nodiscard]] bool build_atom_links(const Doc& doc, XmlNode* channel) {
    const std::string self = self_address(doc);
    if (!self.empty()) {
        XmlNode* link = AddXmlNode(channel, "atom:link", "");
        if (!link || !SetXmlAttribute(link, "href", self) ||
            !SetXmlAttribute(link, "rel", "self") ||
            !SetXmlAttribute(link, "type", "application/rss+xml"))
            return false;
    }
    if (doc.WebSubHub.empty())
        return true;
    XmlNode* hub = AddXmlNode(channel, "atom:link", "");
    return hub && SetXmlAttribute(hub, "href", url_encode(doc.WebSubHub, UrlPart::Address)) &&
           SetXmlAttribute(hub, "rel", "hub");
}

[[nodiscard]] bool build_channel(const Doc& doc, XmlNode* channel) {
    const int flags = doc.Flag;
    const bool itunes = (flags & kITunesInclude) != 0;
    bool ok = add_plain(channel, "title", doc.Title) &&
              add_plain(channel, "description", TextToHtml(doc.Desc, flags)) &&
              add_plain(channel, "language", doc.Lang) &&
              add_plain(channel, "copyright", doc.Copyright) &&
              add_plain(channel, "lastBuildDate",
                        RssDate(doc.LastBuildDate, doc.FormatDate, doc.TimeZone)) &&
              add_plain(channel, "generator", kProgramNameVersion) &&
              add_plain(channel, "link", url_encode(doc.Link, UrlPart::Address)) &&
              build_atom_links(doc, channel) &&
              add_plain(channel, "ttl", std::to_string(doc.TTL)) &&
              add_plain_if_set(channel, "webMaster", doc.WebMaster);
    for_each_category(doc.Category, [&](std::string_view part) {
        ok = ok && add_plain(channel, "category", part);
    });
    const std::string artwork = channel_image_address(doc);
    if (ok && !artwork.empty()) {
        XmlNode* image = AddXmlNode(channel, "image", "");
        ok = image && add_address(image, "url", artwork, doc.Link) &&
             add_plain(image, "title", doc.ImageTitle) &&
             add_address(image, "link", doc.ImageLink, doc.Link);
    }
    if (ok && itunes) {
        ok = add_plain_if_set(channel, "itunes:subtitle", doc.iTunesSubTitle) &&
             add_plain_if_set(channel, "itunes:summary", doc.iTunesSummary) &&
             add_plain_if_set(channel, "itunes:keywords", doc.iTunesKeyword) &&
             add_plain_if_set(channel, "itunes:author", doc.iTunesAuthor);
        if (ok && (!doc.iTunesMail.empty() || !doc.iTunesOwnerName.empty())) {
            XmlNode* owner = AddXmlNode(channel, "itunes:owner", "");
            ok = owner != nullptr && add_plain_if_set(owner, "itunes:name", doc.iTunesOwnerName) &&
                 add_plain_if_set(owner, "itunes:email", doc.iTunesMail);
        }
        if (ok && !artwork.empty()) {
            // Made absolute like the channel image: a relative address means nothing to a
            // directory reading the feed.
            XmlNode* image = AddXmlNode(channel, "itunes:image", "");
            ok = image && SetXmlAttribute(image, "href", url_address(artwork, doc.Link));
        }
        ok = ok && build_itunes_directory(doc, channel);
    }
    return ok && ((flags & kPodcastInclude) == 0 || build_podcast_channel(doc, channel)) &&
           add_kept_xml(channel, doc.ExtraXml);
}

// Where an item's file of this computer is fetched, once it goes into uploads beside the
// enclosure; empty when it has no place there (no enclosure on the channel's server).
std::string publish_beside(const Feed& feed, const UploadEntry* enclosure, const std::string& file,
                           std::string_view type, const Paths& paths,
                           std::vector<UploadEntry>& uploads) {
    if (!enclosure || trimmed(file).empty())
        return {};
    // Most names hold no placeholder, and a feed of thousands of episodes names thousands.
    std::optional<UploadEntry> up = beside_enclosure_upload(
        feed, *enclosure,
        file.find('%') == std::string::npos ? trim_spaces(file) : paths.Path_Expand(file), type);
    if (!up)
        return {};
    std::string address = up->address;
    uploads.push_back(std::move(*up));
    return address;
}

void add_transcripts(const Doc& doc, const Feed& feed, XmlNode* item, const UploadEntry* enclosure,
                     const Paths& paths, std::vector<UploadEntry>& uploads) {
    if (!feed.FeedTranscriptUrl.empty()) {
        XmlNode* transcript = AddXmlNode(item, "podcast:transcript", "");
        (void)(SetXmlAttribute(transcript, "url", url_address(feed.FeedTranscriptUrl, doc.Link)) &&
               SetXmlAttribute(transcript, "type", feed.FeedTranscriptType));
    }
    for (const Transcript& t : feed.FeedTranscripts) {
        const std::string type(
            !t.Type.empty()
                ? std::string_view(t.Type)
                : transcript_type_for_path(
                      t.File.empty() ? std::string_view(t.Url).substr(0, t.Url.find_first_of("?#"))
                                     : std::string_view(t.File)));
        std::string address = publish_beside(feed, enclosure, t.File, type, paths, uploads);
        if (address.empty() && !trimmed(t.Url).empty())
            address = url_address(t.Url, doc.Link);
        if (!address.empty())
            (void)add_element(item, "podcast:transcript", "",
                              {{"url", address},
                               {"type", type},
                               {"language", t.Language},
                               {"rel", t.Captions == 1 ? "captions" : ""}});
    }
}

// Each other form lists where it can be fetched: the file published beside the enclosure, then
// the further address. Web addresses go behind the measurement prefix, as the enclosure's does.
void add_alternates(const Doc& doc, const Feed& feed, XmlNode* item, const UploadEntry* enclosure,
                    const Paths& paths, std::vector<UploadEntry>& uploads) {
    for (const AlternateEnclosure& a : feed.FeedAlternates) {
        std::vector<std::string> sources;
        if (std::string own = publish_beside(feed, enclosure, a.File, a.Type, paths, uploads);
            !own.empty())
            sources.push_back(std::move(own));
        if (!trimmed(a.Url).empty())
            sources.push_back(url_address(a.Url, doc.Link));
        if (sources.empty())
            continue; // a form without a source is no form readers can play
        XmlNode* alternate = add_element(item, "podcast:alternateEnclosure", "",
                                         {{"type", a.Type},
                                          {"length", count_text(a.Length)},
                                          {"bitrate", a.Bitrate > 0 ? number_text(a.Bitrate) : ""},
                                          {"height", count_text(a.Height)},
                                          {"lang", a.Lang},
                                          {"title", a.Title},
                                          {"rel", a.Rel},
                                          {"codecs", a.Codecs},
                                          {"default", a.Default == 1 ? "true" : ""}});
        for (const std::string& source : sources)
            (void)add_element(alternate, "podcast:source", "",
                              {{"uri", url_is_web(source) ? measured_url(doc, source) : source}});
    }
}

// enclosure is the item's enclosure_upload, null when it has none.
void build_podcast_item(const Doc& doc, const Feed& feed, XmlNode* item,
                        const UploadEntry* enclosure, const Paths& paths,
                        std::vector<UploadEntry>& uploads) {
    // Only with their names: the numbers alone are the iTunes ones, and an older document keeps
    // its feed as it was.
    if (feed.FeedSeason > 0 && !feed.FeedSeasonName.empty())
        (void)add_element(item, "podcast:season", std::to_string(feed.FeedSeason),
                          {{"name", feed.FeedSeasonName}});
    if (feed.FeedEpisode > 0 && !feed.FeedEpisodeDisplay.empty())
        (void)add_element(item, "podcast:episode", std::to_string(feed.FeedEpisode),
                          {{"display", feed.FeedEpisodeDisplay}});
    add_transcripts(doc, feed, item, enclosure, paths, uploads);
    const std::string own = trim_spaces(feed.FeedChaptersUrl);
    std::string address = own.empty() ? std::string() : url_address(own, doc.Link);
    if (own.empty())
        if (const std::optional<UploadEntry> made =
                enclosure ? chapters_upload(feed, *enclosure, {}) : std::nullopt)
            address = made->address;
    if (!address.empty()) {
        XmlNode* chapters = AddXmlNode(item, "podcast:chapters", "");
        (void)(SetXmlAttribute(chapters, "url", address) &&
               SetXmlAttribute(chapters, "type", kChaptersType));
    }
    (void)add_persons(item, feed.FeedPersons, doc.Link);
    (void)add_location(item, feed.FeedLocation, feed.FeedLocationGeo, feed.FeedLocationOsm);
    for (const Soundbite& b : feed.FeedSoundbites)
        (void)add_element(
            item, "podcast:soundbite", b.Title,
            {{"startTime", number_text(b.StartTime)}, {"duration", number_text(b.Duration)}});
    add_alternates(doc, feed, item, enclosure, paths, uploads);
    // An episode's own block replaces the channel's, so stretches paid to other feeds keep the
    // channel's recipients beside them.
    if (!feed.FeedValueRecipients.empty() || !feed.FeedValueSplits.empty())
        (void)add_value(doc, item,
                        feed.FeedValueRecipients.empty() ? doc.ValueRecipients
                                                         : feed.FeedValueRecipients,
                        feed.FeedValueSplits);
}

// Inner elements that cannot be made are passed over: the item stays, with what it has.
void build_item(const Doc& doc, const Feed& feed, XmlNode* item, UploadJob& job,
                const Paths& paths) {
    add_plain(item, "title", feed.FeedTitle);
    add_address(item, "link", feed.FeedLink, doc.Link);
    add_plain(item, "description", TextToHtml(feed.FeedDesc, feed.FeedFlag));
    add_plain_if_set(item, "content:encoded", feed.FeedContent);
    add_plain_if_set(item, "author", feed.FeedAuthor);
    for_each_category(feed.FeedCategory,
                      [&](std::string_view part) { add_plain(item, "category", part); });
    // A guid is a permanent link unless it says otherwise; an identifier that is no address must.
    if (XmlNode* guid = AddXmlNode(item, "guid", feed.FeedGUID);
        guid && !feed.FeedGUID.empty() && !url_is_web(trimmed(feed.FeedGUID)))
        (void)SetXmlAttribute(guid, "isPermaLink", "false", AttributeName::AsGiven);

    std::string local; // the enclosure on disk, placeholders resolved
    if (!feed.FeedFile.empty())
        local = paths.Path_Expand(feed.FeedFile);
    // Where the enclosure goes and is fetched, made once for it and the files beside it.
    std::optional<UploadEntry> enclosure;
    if (!feed.FeedFileOnFTP.empty() || !feed.FeedFile.empty()) {
        enclosure = enclosure_upload(doc, feed, local);
        if (XmlNode* node = AddXmlNode(item, "enclosure", "")) {
            const bool set = SetXmlAttribute(node, "url", measured_url(doc, enclosure->address)) &&
                             SetXmlAttribute(node, "length", std::to_string(feed.FeedFileLength)) &&
                             SetXmlAttribute(node, "type", feed.FeedFileType);
            (void)set; // the names are fixed and valid; nothing else can fail here
        }
    }
    add_plain(item, "pubDate", RssDate(feed.FeedPubDate, doc.FormatDate, doc.TimeZone));
    if (!feed.FeedComments.empty())
        add_address(item, "comments", feed.FeedComments, doc.Link);
    if (doc.Flag & kITunesInclude) {
        add_plain_if_set(item, "itunes:title", feed.FeedItunesTitle);
        add_plain_if_set(item, "itunes:duration", feed.FeedDuration);
        add_plain_if_set(item, "itunes:subtitle", feed.FeedSubTitle);
        add_plain_if_set(item, "itunes:summary", feed.FeedSummary);
        add_plain_if_set(item, "itunes:keywords", feed.FeedKeyword);
        if (feed.FeedEpisode > 0)
            add_plain(item, "itunes:episode", std::to_string(feed.FeedEpisode));
        if (feed.FeedSeason > 0)
            add_plain(item, "itunes:season", std::to_string(feed.FeedSeason));
        add_plain_if_set(item, "itunes:episodeType", feed.FeedEpisodeType);
        add_plain_if_set(item, "itunes:explicit", feed.FeedExplicit);
        if (!feed.FeedImage.empty()) {
            XmlNode* image = AddXmlNode(item, "itunes:image", "");
            (void)SetXmlAttribute(image, "href", url_address(feed.FeedImage, doc.Link));
        }
    }
    std::vector<UploadEntry> beside;
    if (doc.Flag & kPodcastInclude)
        build_podcast_item(doc, feed, item, enclosure ? &*enclosure : nullptr, paths, beside);

    (void)add_kept_xml(item, feed.FeedExtraXml);

    if (!feed.FeedFile.empty() && (feed.FeedFlag & kUploadFile))
        job.files.push_back(std::move(*enclosure));
    for (UploadEntry& entry : beside)
        job.files.push_back(std::move(entry));
}

} // namespace

bool url_has_scheme(std::string_view link) {
    // Read up to the colon only: a relative link is often long and has none.
    if (link.empty() || !is_ascii_letter(link[0]))
        return false;
    for (std::size_t i = 1; i < link.size(); ++i) {
        const char c = link[i];
        if (c == ':')
            return true;
        if (!is_ascii_letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

bool url_is_web(std::string_view url) {
    std::size_t scheme = 0;
    if (istarts_with(url, "http://"))
        scheme = 7;
    else if (istarts_with(url, "https://"))
        scheme = 8;
    else
        return false;
    const std::string_view host = url.substr(scheme, url.find_first_of("/?#", scheme) - scheme);
    return !host.empty() &&
           std::none_of(host.begin(), host.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::string url_encode(std::string_view url, UrlPart part) {
    url = trimmed(url);
    // Most addresses need nothing: they are handed back without a second look.
    const auto needs = [part](unsigned char c) {
        return !url_byte_allowed(c) || c == '%' ||
               (part == UrlPart::Path && (c == '?' || c == '#' || c == '[' || c == ']'));
    };
    if (std::none_of(url.begin(), url.end(),
                     [&](char c) { return needs(static_cast<unsigned char>(c)); }))
        return std::string(url);
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size() + url.size() / 2);
    for (std::size_t i = 0; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c < 0x20 || c == 0x7F)
            continue; // controls are cleaned, as from every value written
        // An escape already made stays as it is, so an address is never encoded twice.
        if (!needs(c) || (c == '%' && i + 2 < url.size() && is_hex_digit(url[i + 1]) &&
                          is_hex_digit(url[i + 2]))) {
            out += static_cast<char>(c);
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
    return out;
}

std::string url_address(std::string_view link, std::string_view base) {
    return url_encode(Url_Join(link, base), UrlPart::Address);
}

std::string Url_Join(std::string_view link, std::string_view base) {
    if (url_has_scheme(link))
        return std::string(link);
    std::string out(base);
    if (!out.empty() && out.back() != '/')
        out += '/';
    out += link;
    return out;
}

std::string enclosure_url(const Doc& doc, const Feed& feed, std::string_view local) {
    const ServerName server = split_server_name(feed.FeedFileOnFTP);
    // A server name that is only a folder keeps that folder, so the address names the place the
    // upload puts the file.
    const std::string name = trim_spaces(server.name);
    const std::string url = server.folder + (name.empty() ? file_part(local) : name);
    if (url_has_scheme(url))
        return url_encode(url, UrlPart::Address);
    // A name on the server is a path: its "?" and "#" are part of the name.
    return url_address(url_encode(url, UrlPart::Path), doc.Link);
}

std::string measured_url(const Doc& doc, const std::string& url) {
    const std::string prefix = trim_spaces(doc.MeasurePrefix);
    if (prefix.empty())
        return url;
    std::string_view rest = url;
    for (const std::string_view scheme : {"https://", "http://"}) {
        if (istarts_with(rest, scheme)) {
            rest.remove_prefix(scheme.size());
            break;
        }
    }
    return url_encode(prefix, UrlPart::Address) + std::string(rest);
}

std::string Rss_FileName(const Doc& doc) {
    // Only a file name: a hand-edited value must not place the file in another folder.
    std::string name = file_part(doc.RssName);
    if (name.empty()) {
        name = file_part(doc.FileName);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos)
            name.erase(dot);
    }
    if (iequals(doc.Format, "rssv2"))
        name += ".Xml";
    return name;
}

std::string rss_file_path(const Doc& doc) {
    return folder_part(doc.FileName) + Rss_FileName(doc);
}

std::string build_rss_xml(const Doc& doc, UploadJob& job, const Paths& paths, XmlSink& sink) {
    XmlDocument xml;
    XmlNode* rss = xml.set_root("rss");
    if (!rss || !SetXmlAttribute(rss, "version", "2.0"))
        return std::string(kRssErrorCreate);
    if ((doc.Flag & kITunesInclude) && !SetXmlAttribute(rss, "xmlns:itunes", kItunesNamespace))
        return std::string(kRssErrorCreate);
    if ((doc.Flag & kPodcastInclude) && !SetXmlAttribute(rss, "xmlns:podcast", kPodcastNamespace))
        return std::string(kRssErrorCreate);
    if (uses_atom(doc) && !SetXmlAttribute(rss, "xmlns:atom", kAtomNamespace))
        return std::string(kRssErrorCreate);
    if (std::any_of(doc.Feeds.begin(), doc.Feeds.end(),
                    [](const Feed& f) { return !f.FeedContent.empty(); }) &&
        !SetXmlAttribute(rss, "xmlns:content", kContentNamespace))
        return std::string(kRssErrorCreate);
    XmlNode* channel = AddXmlNode(rss, "channel", "");
    if (!channel || !build_channel(doc, channel))
        return std::string(kRssErrorChannel);
    // Each item is a tree of its own, written and let go before the next, so the memory the
    // build takes does not grow with the feed.
    XmlStreamWriter out(sink);
    bool written = out.open(*rss) && out.open(*channel);
    for (const XmlNode* child : channel->children)
        written = written && out.write(*child);
    // The job only learns of the enclosures once every item stands.
    UploadJob collected;
    collected.files.reserve(doc.Feeds.size());
    for (const Feed& feed : doc.Feeds) {
        XmlDocument one;
        XmlNode* item = one.set_root("item");
        if (!item)
            return std::string(kRssErrorItem);
        build_item(doc, feed, item, collected, paths);
        written = written && out.write(*item);
    }
    job.files.reserve(job.files.size() + collected.files.size());
    for (UploadEntry& entry : collected.files)
        job.files.push_back(std::move(entry));
    if (!(written && out.close(*channel) && out.close(*rss) && out.finish()))
        return std::string(kRssErrorSave);
    return {};
}

std::string build_rss_into(FileReplacement& file, const Doc& doc, UploadJob& job,
                           const Paths& paths) {
    ReplacementSink sink(file);
    std::string err = build_rss_xml(doc, job, paths, sink);
    if (!sink.error.ok())
        return std::string(kRssErrorSave) + ": " + sink.error.error_text();
    return err;
}

std::string BuildRssFile(const std::string& path, const Doc& doc, UploadJob& job,
                         const Paths& paths) {
    const std::string target = resolve_links(path);
    FileReplacement file;
    if (FileResult r = file.begin(target, target); !r.ok())
        return std::string(kRssErrorSave) + ": " + r.error_text();
    if (std::string err = build_rss_into(file, doc, job, paths); !err.empty())
        return err;
    if (FileResult r = file.commit(); !r.ok())
        return std::string(kRssErrorSave) + ": " + r.error_text();
    return {};
}

} // namespace qp
