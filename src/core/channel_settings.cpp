#include "core/channel_settings.h"

#include "core/dates.h"
#include "core/podcast_categories.h"
#include "core/podcast_guid.h"
#include "core/rss_writer.h"
#include "core/text.h"

namespace qp {

std::vector<TimeZoneItem> time_zone_items() {
    std::vector<TimeZoneItem> items{{"Auto", kAutoTimeZone}};
    for (int offset = -12; offset <= 12; ++offset)
        items.push_back({"GMT" + std::to_string(offset), offset});
    return items;
}

namespace {

constexpr ChoiceItem kNoCategory{"", "Doc\\Directory.None"};

std::vector<ChoiceItem> categories_under(std::string_view parent) {
    std::vector<ChoiceItem> out{kNoCategory};
    for (const PodcastCategory& c : podcast_categories()) {
        if (c.parent == parent)
            out.push_back({c.name, c.key});
    }
    return out;
}

} // namespace

std::vector<ChoiceItem> channel_category_choices() {
    return categories_under({});
}

std::vector<ChoiceItem> channel_sub_category_choices(std::string_view category) {
    // An empty category would list the top level again.
    if (category.empty())
        return {kNoCategory};
    return categories_under(category);
}

namespace {

// A line break typed or loaded into a one-line text keeps the words on either side apart.
std::string one_line(std::string_view s) {
    std::string joined = replace_all(replace_all(s, "\r\n", " "), "\n", " ");
    return Text_StripControl(replace_all(joined, "\r", " "), false);
}

} // namespace

void channel_clean_typed(Doc& doc) {
    for (std::string Doc::*text :
         {&Doc::Title, &Doc::Desc, &Doc::Copyright, &Doc::FormatDate, &Doc::WebMaster,
          &Doc::Category, &Doc::Lang, &Doc::ImageTitle, &Doc::iTunesAuthor, &Doc::iTunesSubTitle,
          &Doc::iTunesSummary, &Doc::iTunesKeyword, &Doc::iTunesMail, &Doc::iTunesOwnerName,
          &Doc::PodcastLockedOwner, &Doc::PodcastFundingText, &Doc::Location, &Doc::License,
          &Doc::UpdateFrequency})
        doc.*text = one_line(doc.*text);
    for (std::string Doc::*url :
         {&Doc::iTunesNewFeedUrl, &Doc::PodcastFundingUrl, &Doc::LocationGeo, &Doc::LocationOsm,
          &Doc::LicenseUrl, &Doc::Medium, &Doc::UpdateFrequencyRule, &Doc::UpdateFrequencyStart,
          &Doc::ValueType, &Doc::ValueMethod, &Doc::ValueSuggested})
        doc.*url = trim_spaces(one_line(doc.*url));
    for (std::string Doc::*path : {&Doc::Link, &Doc::ImageUrl, &Doc::ImageLink})
        doc.*path = Text_CleanPath(doc.*path);
    doc.RssName = Text_CleanFileName(doc.RssName, false);
    doc.ImageFile = trim_spaces(Text_StripControl(doc.ImageFile, false));
    doc.Format = std::string(kFormatRssV2);
}

std::string channel_public_link(const Doc& doc) {
    if (!iequals(doc.Format, kFormatRssV2))
        return {};
    const std::string name = Rss_FileName(doc);
    // Without a name to take, the file would be called ".Xml", an address no file will ever have.
    if (name == ".Xml")
        return {};
    return Url_Join(name, doc.Link);
}

std::string channel_podcast_guid(const Doc& doc) {
    if (!doc.PodcastGuid.empty())
        return doc.PodcastGuid;
    // The identity is for ever: one made from an address that is not yet absolute would change
    // once the channel link is set.
    const std::string url = channel_public_link(doc);
    return url.find(':') == std::string::npos ? std::string() : podcast_guid(url);
}

AccountLabels account_labels(Protocol protocol) {
    switch (protocol) {
    case Protocol::S3:
        return {"Doc\\FTP.ClientS3", "Doc\\FTP.UserS3", "FTP\\Win.PassS3", "Doc\\FTP.PathRemote"};
    case Protocol::WebDav:
        return {"Doc\\FTP.ClientDav", "Doc\\FTP.User", "FTP\\Win.Pass", "Doc\\FTP.PathRemote"};
    default:
        return {"Doc\\FTP.Client", "Doc\\FTP.User", "FTP\\Win.Pass", "Doc\\FTP.Path"};
    }
}

int protocol_default_port(Protocol protocol) {
    return protocol == Protocol::Sftp ? 22 : 21;
}

int protocol_proposed_port(Protocol old_protocol, Protocol new_protocol, int port) {
    return port == protocol_default_port(old_protocol) ? protocol_default_port(new_protocol) : port;
}

} // namespace qp
