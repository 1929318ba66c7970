#include "core/rss_writer.h"

#include "core/channel_settings.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/html_text.h"
#include "core/publish_plan.h"
#include "core/text.h"

#include <cstdio>

namespace qp {

namespace {

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

ServerName split_server_name(std::string_view onFtp) {
    const std::string path = replace_all(onFtp, "\\", "/");
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// What the directories require or read of a show, each written only when set, so a document that
// leaves them alone keeps its feed as it was.
[[nodiscard]] bool build_itunes_directory(const Doc& doc, XmlNode* channel) {
    const int flags = doc.Flag;
    auto add_set = [&](std::string_view name, std::string_view value) {
        return value.empty() || AddXmlNode(channel, name, TextToHtml(value, flags)) != nullptr;
    };
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
    // An address is written as it stands: the text rule would turn its "&" into an entity.
    return add_set("itunes:explicit", doc.iTunesExplicit) &&
           add_set("itunes:type", doc.iTunesType) &&
           (doc.iTunesNewFeedUrl.empty() ||
            AddXmlNode(channel, "itunes:new-feed-url", doc.iTunesNewFeedUrl) != nullptr) &&
           add_set("itunes:block", doc.iTunesBlock == 1 ? "Yes" : "") &&
           add_set("itunes:complete", doc.iTunesComplete == 1 ? "Yes" : "");
}

[[nodiscard]] bool build_podcast_channel(const Doc& doc, XmlNode* channel) {
    if (const std::string guid = Channel_PodcastGuid(doc);
        !guid.empty() && !AddXmlNode(channel, "podcast:guid", guid))
        return false;
    if (!doc.PodcastLocked.empty()) {
        XmlNode* locked =
            AddXmlNode(channel, "podcast:locked", TextToHtml(doc.PodcastLocked, doc.Flag));
        if (!locked || !SetXmlAttribute(locked, "owner", doc.PodcastLockedOwner))
            return false;
    }
    if (!doc.PodcastFundingUrl.empty()) {
        XmlNode* funding =
            AddXmlNode(channel, "podcast:funding", TextToHtml(doc.PodcastFundingText, doc.Flag));
        if (!funding || !SetXmlAttribute(funding, "url", Url_Join(doc.PodcastFundingUrl, doc.Link)))
            return false;
    }
    return true;
}

[[nodiscard]] bool build_channel(const Doc& doc, XmlNode* channel) {
    const int flags = doc.Flag;
    auto add = [&](XmlNode* parent, std::string_view name, std::string_view text) {
        return AddXmlNode(parent, name, text) != nullptr;
    };
    auto add_text = [&](XmlNode* parent, std::string_view name, std::string_view value) {
        return add(parent, name, TextToHtml(value, flags));
    };
    bool ok =
        add_text(channel, "title", doc.Title) && add_text(channel, "description", doc.Desc) &&
        add_text(channel, "language", doc.Lang) && add_text(channel, "copyright", doc.Copyright) &&
        add(channel, "lastBuildDate", RssDate(doc.LastBuildDate, doc.FormatDate, doc.TimeZone)) &&
        add_text(channel, "generator", kProgramNameVersion) && add(channel, "link", doc.Link) &&
        add(channel, "ttl", std::to_string(doc.TTL)) &&
        add_text(channel, "webMaster", doc.WebMaster);
    for_each_category(doc.Category, [&](std::string_view part) {
        ok = ok && add_text(channel, "category", part);
    });
    const std::string artwork = Channel_ImageAddress(doc);
    if (ok && !artwork.empty()) {
        XmlNode* image = AddXmlNode(channel, "image", "");
        ok = image && add(image, "url", Url_Join(artwork, doc.Link)) &&
             add_text(image, "title", doc.ImageTitle) &&
             add(image, "link", Url_Join(doc.ImageLink, doc.Link));
    }
    if (ok && (flags & kITunesInclude)) {
        ok = add_text(channel, "itunes:subtitle", doc.iTunesSubTitle) &&
             add_text(channel, "itunes:summary", doc.iTunesSummary) &&
             add_text(channel, "itunes:keywords", doc.iTunesKeyword) &&
             add_text(channel, "itunes:author", doc.iTunesAuthor);
        if (ok && (!doc.iTunesMail.empty() || !doc.iTunesOwnerName.empty())) {
            XmlNode* owner = AddXmlNode(channel, "itunes:owner", "");
            ok = owner != nullptr;
            if (ok && !doc.iTunesOwnerName.empty())
                ok = add_text(owner, "itunes:name", doc.iTunesOwnerName);
            if (ok && !doc.iTunesMail.empty())
                ok = add_text(owner, "itunes:email", doc.iTunesMail);
        }
        if (ok && !artwork.empty()) {
            // Made absolute like the channel image: a relative address means nothing to a
            // directory reading the feed.
            XmlNode* image = AddXmlNode(channel, "itunes:image", "");
            ok = image && SetXmlAttribute(image, "href", Url_Join(artwork, doc.Link));
        }
        ok = ok && build_itunes_directory(doc, channel);
    }
    return ok && ((flags & kPodcastInclude) == 0 || build_podcast_channel(doc, channel));
}

// Inner elements that cannot be made are passed over: the item stays, with what it has.
void build_item(const Doc& doc, const Feed& feed, XmlNode* item, UploadJob& job,
                const Paths& paths) {
    const int flags = feed.FeedFlag;
    auto add_text = [&](std::string_view name, std::string_view value) {
        return AddXmlNode(item, name, TextToHtml(value, flags));
    };
    add_text("title", feed.FeedTitle);
    AddXmlNode(item, "link", Url_Join(feed.FeedLink, doc.Link));
    add_text("description", feed.FeedDesc);
    add_text("author", feed.FeedAuthor);
    for_each_category(feed.FeedCategory,
                      [&](std::string_view part) { add_text("category", part); });
    AddXmlNode(item, "guid", feed.FeedGUID);

    std::string local; // the enclosure on disk, placeholders resolved
    if (!feed.FeedFile.empty())
        local = paths.Path_Expand(feed.FeedFile);
    if (!feed.FeedFileOnFTP.empty() || !feed.FeedFile.empty()) {
        if (XmlNode* enclosure = AddXmlNode(item, "enclosure", "")) {
            const bool set =
                SetXmlAttribute(enclosure, "url", Enclosure_Url(doc, feed, local)) &&
                SetXmlAttribute(enclosure, "length", std::to_string(feed.FeedFileLength)) &&
                SetXmlAttribute(enclosure, "type", feed.FeedFileType);
            (void)set; // the names are fixed and valid; nothing else can fail here
        }
    }
    AddXmlNode(item, "pubDate", RssDate(feed.FeedPubDate, doc.FormatDate, doc.TimeZone));
    if (!feed.FeedComments.empty())
        AddXmlNode(item, "comments", Url_Join(feed.FeedComments, doc.Link));
    if (doc.Flag & kITunesInclude) {
        add_text("itunes:duration", feed.FeedDuration);
        add_text("itunes:subtitle", feed.FeedSubTitle);
        add_text("itunes:summary", feed.FeedSummary);
        add_text("itunes:keywords", feed.FeedKeyword);
        if (feed.FeedEpisode > 0)
            AddXmlNode(item, "itunes:episode", std::to_string(feed.FeedEpisode));
        if (feed.FeedSeason > 0)
            AddXmlNode(item, "itunes:season", std::to_string(feed.FeedSeason));
        if (!feed.FeedEpisodeType.empty())
            add_text("itunes:episodeType", feed.FeedEpisodeType);
        if (!feed.FeedExplicit.empty())
            add_text("itunes:explicit", feed.FeedExplicit);
        if (!feed.FeedImage.empty()) {
            XmlNode* image = AddXmlNode(item, "itunes:image", "");
            (void)SetXmlAttribute(image, "href", Url_Join(feed.FeedImage, doc.Link));
        }
    }
    if ((doc.Flag & kPodcastInclude) && !feed.FeedTranscriptUrl.empty()) {
        XmlNode* transcript = AddXmlNode(item, "podcast:transcript", "");
        (void)(SetXmlAttribute(transcript, "url", Url_Join(feed.FeedTranscriptUrl, doc.Link)) &&
               SetXmlAttribute(transcript, "type", feed.FeedTranscriptType));
    }

    if (!feed.FeedFile.empty() && (feed.FeedFlag & kUploadFile))
        job.files.push_back(Enclosure_Upload(doc, feed, local));
}

} // namespace

std::string Url_Join(std::string_view link, std::string_view base) {
    if (link.find(':') != std::string_view::npos)
        return std::string(link);
    std::string out(base);
    if (!out.empty() && out.back() != '/')
        out += '/';
    out += link;
    return out;
}

std::string Enclosure_Url(const Doc& doc, const Feed& feed, std::string_view local) {
    const ServerName server = split_server_name(feed.FeedFileOnFTP);
    // A server name that is only a folder keeps that folder, so the address names the place the
    // upload puts the file.
    const std::string url =
        server.name.empty() ? server.folder + file_part(local) : feed.FeedFileOnFTP;
    return Url_Join(url, doc.Link);
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

std::string Rss_FilePath(const Doc& doc) {
    return folder_part(doc.FileName) + Rss_FileName(doc);
}

std::string BuildRssXml(const Doc& doc, UploadJob& job, const Paths& paths, XmlSink& sink) {
    XmlDocument xml;
    XmlNode* rss = xml.SetRoot("rss");
    if (!rss || !SetXmlAttribute(rss, "version", "2.0"))
        return std::string(kRssErrorCreate);
    if ((doc.Flag & kITunesInclude) && !SetXmlAttribute(rss, "xmlns:itunes", kItunesNamespace))
        return std::string(kRssErrorCreate);
    if ((doc.Flag & kPodcastInclude) && !SetXmlAttribute(rss, "xmlns:podcast", kPodcastNamespace))
        return std::string(kRssErrorCreate);
    XmlNode* channel = AddXmlNode(rss, "channel", "");
    if (!channel || !build_channel(doc, channel))
        return std::string(kRssErrorChannel);
    // Each item is a tree of its own, written and let go before the next, so the memory the
    // build takes does not grow with the feed.
    XmlStreamWriter out(sink);
    bool written = out.Open(*rss) && out.Open(*channel);
    for (const XmlNode* child : channel->children)
        written = written && out.Write(*child);
    // The job only learns of the enclosures once every item stands.
    UploadJob collected;
    for (const Feed& feed : doc.Feeds) {
        XmlDocument one;
        XmlNode* item = one.SetRoot("item");
        if (!item)
            return std::string(kRssErrorItem);
        build_item(doc, feed, item, collected, paths);
        written = written && out.Write(*item);
    }
    for (UploadEntry& entry : collected.files)
        job.files.push_back(std::move(entry));
    if (!(written && out.Close(*channel) && out.Close(*rss) && out.Finish()))
        return std::string(kRssErrorSave);
    return {};
}

std::string BuildRssInto(FileReplacement& file, const Doc& doc, UploadJob& job,
                         const Paths& paths) {
    ReplacementSink sink(file);
    std::string err = BuildRssXml(doc, job, paths, sink);
    if (!sink.error.ok())
        return std::string(kRssErrorSave) + ": " + sink.error.error;
    return err;
}

std::string BuildRssFile(const std::string& path, const Doc& doc, UploadJob& job,
                         const Paths& paths) {
    const std::string target = resolve_links(path);
    FileReplacement file;
    if (FileResult r = file.begin(target, target); !r.ok())
        return std::string(kRssErrorSave) + ": " + r.error;
    if (std::string err = BuildRssInto(file, doc, job, paths); !err.empty())
        return err;
    if (FileResult r = file.commit(); !r.ok())
        return std::string(kRssErrorSave) + ": " + r.error;
    return {};
}

} // namespace qp
