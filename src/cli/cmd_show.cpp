#include "cli/commands.h"

#include "core/dates.h"
#include "core/json.h"
#include "core/rss_writer.h"
#include "core/text.h"

#include <cstdio>

namespace qp {

namespace {

constexpr std::string_view kDateMask = "%dd/%mm/%yyyy %hh:%ii";

bool has_enclosure(const Feed& feed) {
    return !feed.FeedFile.empty() || !feed.FeedFileOnFTP.empty();
}

// The date with the offset the RSS file states for it, as scripts read dates: ISO 8601.
std::string iso_date(const Doc& doc, DateValue date) {
    std::string out = RssDate(date, "%yyyy-%mm-%ddT%hh:%ii:%ss%gm", doc.TimeZone);
    const auto gmt = out.find("GMT");
    if (gmt != std::string::npos)
        out.erase(gmt, 3);
    return out;
}

void field(JsonWriter& json, std::string_view key, std::string_view text) {
    json.key(key);
    json.value(text);
}

void field(JsonWriter& json, std::string_view key, std::int64_t number) {
    json.key(key);
    json.value(number);
}

void seconds(JsonWriter& json, std::string_view key, double number) {
    json.key(key);
    json.decimal(number);
}

void text_if_set(JsonWriter& json, std::string_view key, const std::string& text) {
    if (!text.empty())
        field(json, key, text);
}

// A list as an array of objects, only when it has entries, so the output of projects without
// it stays as it was.
template <typename Item, typename Fields>
void list_if_set(JsonWriter& json, std::string_view key, const std::vector<Item>& items,
                 Fields fields) {
    if (items.empty())
        return;
    json.key(key);
    json.begin_array();
    for (const Item& item : items) {
        json.begin_object();
        fields(item);
        json.end_object();
    }
    json.end_array();
}

void persons(JsonWriter& json, const std::vector<Person>& list) {
    list_if_set(json, "persons", list, [&json](const Person& p) {
        field(json, "name", p.Name);
        field(json, "role", p.Role);
        field(json, "group", p.Group);
        field(json, "image", p.Image);
        field(json, "href", p.Href);
    });
}

void location(JsonWriter& json, const std::string& name, const std::string& geo,
              const std::string& osm) {
    if (name.empty() && geo.empty() && osm.empty())
        return;
    json.key("location");
    json.begin_object();
    field(json, "name", name);
    field(json, "geo", geo);
    field(json, "osm", osm);
    json.end_object();
}

void recipients(JsonWriter& json, std::string_view key, const std::vector<ValueRecipient>& list) {
    list_if_set(json, key, list, [&json](const ValueRecipient& r) {
        field(json, "name", r.Name);
        field(json, "type", r.Type);
        field(json, "address", r.Address);
        field(json, "split", std::int64_t{r.Split});
        json.key("fee");
        json.value(r.Fee != 0);
        field(json, "custom_key", r.CustomKey);
        field(json, "custom_value", r.CustomValue);
    });
}

// The rest of the podcast namespace of the channel, each only when set.
void channel_namespace(JsonWriter& json, const Doc& doc) {
    persons(json, doc.Persons);
    location(json, doc.Location, doc.LocationGeo, doc.LocationOsm);
    list_if_set(json, "trailers", doc.Trailers, [&](const Trailer& t) {
        field(json, "title", t.Title);
        field(json, "url", t.Url);
        field(json, "date_iso", t.PubDate == 0 ? std::string() : iso_date(doc, t.PubDate));
        field(json, "length", t.Length);
        field(json, "type", t.Type);
        field(json, "season", std::int64_t{t.Season});
    });
    text_if_set(json, "license", doc.License);
    text_if_set(json, "license_url", doc.LicenseUrl);
    text_if_set(json, "medium", doc.Medium);
    if (!doc.UpdateFrequency.empty() || !doc.UpdateFrequencyRule.empty() ||
        !doc.UpdateFrequencyStart.empty() || doc.UpdateFrequencyComplete != 0) {
        json.key("update_frequency");
        json.begin_object();
        field(json, "text", doc.UpdateFrequency);
        field(json, "rule", doc.UpdateFrequencyRule);
        field(json, "start", doc.UpdateFrequencyStart);
        json.key("complete");
        json.value(doc.UpdateFrequencyComplete != 0);
        json.end_object();
    }
    list_if_set(json, "texts", doc.Texts, [&json](const FeedText& t) {
        field(json, "purpose", t.Purpose);
        field(json, "text", t.Text);
    });
    list_if_set(json, "blocks", doc.Blocks, [&json](const ServiceBlock& b) {
        field(json, "service", b.Service);
        json.key("blocked");
        json.value(b.Blocked != 0);
    });
    list_if_set(json, "podroll", doc.Podroll, [&json](const RemoteItem& r) {
        field(json, "feed_guid", r.FeedGuid);
        field(json, "feed_url", r.FeedUrl);
        field(json, "item_guid", r.ItemGuid);
        field(json, "medium", r.Medium);
        field(json, "title", r.Title);
    });
    text_if_set(json, "value_type", doc.ValueType);
    text_if_set(json, "value_method", doc.ValueMethod);
    text_if_set(json, "value_suggested", doc.ValueSuggested);
    recipients(json, "value_recipients", doc.ValueRecipients);
}

// The rest of the podcast namespace of an episode, each only when set. The transcript older
// projects hold comes first among the transcripts.
void episode_namespace(JsonWriter& json, const Feed& feed) {
    std::vector<Transcript> transcripts;
    if (!feed.FeedTranscriptUrl.empty())
        transcripts.push_back({"", feed.FeedTranscriptUrl, feed.FeedTranscriptType, "", 0});
    transcripts.insert(transcripts.end(), feed.FeedTranscripts.begin(), feed.FeedTranscripts.end());
    list_if_set(json, "transcripts", transcripts, [&json](const Transcript& t) {
        field(json, "file", t.File);
        field(json, "url", t.Url);
        field(json, "type", t.Type);
        field(json, "language", t.Language);
        json.key("captions");
        json.value(t.Captions != 0);
    });
    persons(json, feed.FeedPersons);
    location(json, feed.FeedLocation, feed.FeedLocationGeo, feed.FeedLocationOsm);
    text_if_set(json, "season_name", feed.FeedSeasonName);
    text_if_set(json, "episode_display", feed.FeedEpisodeDisplay);
    text_if_set(json, "itunes_title", feed.FeedItunesTitle);
    list_if_set(json, "soundbites", feed.FeedSoundbites, [&json](const Soundbite& b) {
        seconds(json, "start", b.StartTime);
        seconds(json, "duration", b.Duration);
        field(json, "title", b.Title);
    });
    list_if_set(json, "alternates", feed.FeedAlternates, [&json](const AlternateEnclosure& a) {
        field(json, "type", a.Type);
        field(json, "length", a.Length);
        seconds(json, "bitrate", a.Bitrate);
        field(json, "height", std::int64_t{a.Height});
        field(json, "lang", a.Lang);
        field(json, "title", a.Title);
        field(json, "rel", a.Rel);
        field(json, "codecs", a.Codecs);
        json.key("default");
        json.value(a.Default != 0);
        field(json, "file", a.File);
        field(json, "url", a.Url);
    });
    text_if_set(json, "content", feed.FeedContent);
    recipients(json, "value_recipients", feed.FeedValueRecipients);
    list_if_set(json, "value_splits", feed.FeedValueSplits, [&json](const ValueTimeSplit& v) {
        seconds(json, "start", v.StartTime);
        seconds(json, "duration", v.Duration);
        field(json, "remote_percentage", std::int64_t{v.RemotePercentage});
        seconds(json, "remote_start", v.RemoteStartTime);
        field(json, "feed_guid", v.FeedGuid);
        field(json, "feed_url", v.FeedUrl);
        field(json, "item_guid", v.ItemGuid);
    });
}

std::string as_json(const Doc& doc) {
    JsonWriter json;
    json.begin_object();
    json.key("project");
    json.value(doc.FileName);
    json.key("title");
    json.value(doc.Title);
    json.key("link");
    json.value(doc.Link);
    json.key("rss_file");
    json.value(Rss_FileName(doc));
    channel_namespace(json, doc);
    json.key("feeds");
    json.begin_array();
    std::int64_t position = 0;
    for (const Feed& feed : doc.Feeds) {
        json.begin_object();
        json.key("position");
        json.value(++position);
        json.key("title");
        json.value(feed.FeedTitle);
        json.key("date");
        json.value(DateToText(kDateMask, feed.FeedPubDate));
        json.key("date_iso");
        json.value(iso_date(doc, feed.FeedPubDate));
        json.key("enclosure");
        if (has_enclosure(feed)) {
            json.begin_object();
            json.key("file");
            json.value(feed.FeedFile);
            json.key("on_ftp");
            json.value(feed.FeedFileOnFTP);
            json.key("type");
            json.value(feed.FeedFileType);
            json.key("length");
            json.value(static_cast<std::int64_t>(feed.FeedFileLength));
            json.end_object();
        } else {
            json.null();
        }
        // Only for episodes that have them, so the output of the others stays as it was.
        if (!feed.FeedChaptersUrl.empty()) {
            json.key("chapters_url");
            json.value(feed.FeedChaptersUrl);
        }
        if (!feed.FeedChapters.empty()) {
            json.key("chapters");
            json.begin_array();
            for (const Chapter& c : feed.FeedChapters) {
                json.begin_object();
                json.key("start");
                json.decimal(c.StartTime);
                json.key("title");
                json.value(c.Title);
                json.key("image");
                json.value(c.Image);
                json.key("url");
                json.value(c.Url);
                json.end_object();
            }
            json.end_array();
        }
        episode_namespace(json, feed);
        json.end_object();
    }
    json.end_array();
    json.end_object();
    return json.str() + "\n";
}

std::string as_text(const Doc& doc) {
    std::string out;
    out += "Project:  " + doc.FileName + "\n";
    out += "Title:    " + one_line(doc.Title) + "\n";
    out += "Link:     " + one_line(doc.Link) + "\n";
    out += "RSS file: " + one_line(Rss_FileName(doc)) + "\n";
    out += "Episodes: " + std::to_string(doc.Feeds.size()) + "\n";
    int position = 0;
    for (const Feed& feed : doc.Feeds) {
        char number[16];
        std::snprintf(number, sizeof number, "%3d", ++position);
        out += std::string(number) + "  " + DateToText(kDateMask, feed.FeedPubDate) + "  " +
               one_line(feed.FeedTitle) + "\n";
        if (has_enclosure(feed)) {
            out += "     enclosure: " +
                   one_line(feed.FeedFile.empty() ? feed.FeedFileOnFTP : feed.FeedFile);
            if (!feed.FeedFileType.empty())
                out += " (" + one_line(feed.FeedFileType) + ", " +
                       std::to_string(feed.FeedFileLength) + " bytes)";
            else
                out += " (" + std::to_string(feed.FeedFileLength) + " bytes)";
            out += "\n";
        }
    }
    return out;
}

} // namespace

int cmd_show(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error = parse_args(args, {}, {"--json"}, parsed); !error.empty())
        return usage_error(error);
    if (parsed.positional.size() != 1)
        return usage_error(parsed.positional.empty() ? "show needs a PROJECT"
                                                     : "show takes one PROJECT");
    Log log;
    Doc doc;
    if (const std::string error =
            load_project(absolute_path(parsed.positional[0]), doc, log, NewerBackup::Warn);
        !error.empty())
        return fail(error);
    const std::string out = parsed.option("--json") ? as_json(doc) : as_text(doc);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return fail("can't write to the standard output");
    return kExitOk;
}

} // namespace qp
