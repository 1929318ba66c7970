#include "core/channel_settings.h"

#include "core/dates.h"
#include "core/rss_writer.h"
#include "core/text.h"

namespace qp {

std::vector<TimeZoneItem> TimeZone_Items() {
    std::vector<TimeZoneItem> items{{"Auto", kAutoTimeZone}};
    for (int offset = -12; offset <= 12; ++offset)
        items.push_back({"GMT" + std::to_string(offset), offset});
    return items;
}

namespace {

// A line break typed or loaded into a one-line text keeps the words on either side apart.
std::string one_line(std::string_view s) {
    std::string joined = replace_all(replace_all(s, "\r\n", " "), "\n", " ");
    return Text_StripControl(replace_all(joined, "\r", " "), false);
}

} // namespace

void Channel_CleanTyped(Doc& doc) {
    for (std::string Doc::*text :
         {&Doc::Title, &Doc::Desc, &Doc::Copyright, &Doc::FormatDate, &Doc::WebMaster,
          &Doc::Category, &Doc::Lang, &Doc::ImageTitle, &Doc::iTunesAuthor, &Doc::iTunesSubTitle,
          &Doc::iTunesSummary, &Doc::iTunesKeyword, &Doc::iTunesMail})
        doc.*text = one_line(doc.*text);
    for (std::string Doc::*path : {&Doc::Link, &Doc::ImageUrl, &Doc::ImageLink})
        doc.*path = Text_CleanPath(doc.*path);
    doc.RssName = Text_CleanFileName(doc.RssName, false);
    doc.Format = std::string(kFormatRssV2);
}

std::string Channel_PublicLink(const Doc& doc) {
    if (!iequals(doc.Format, kFormatRssV2))
        return {};
    const std::string name = Rss_FileName(doc);
    // Without a name to take, the file would be called ".Xml", an address no file will ever have.
    if (name == ".Xml")
        return {};
    return Url_Join(name, doc.Link);
}

} // namespace qp
