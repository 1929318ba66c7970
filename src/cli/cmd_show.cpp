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
