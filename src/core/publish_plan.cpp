#include "core/publish_plan.h"

#include "core/chapters.h"
#include "core/file_io.h"
#include "core/rss_writer.h"
#include "core/text.h"

namespace qp {

std::string channel_folder(const Doc& doc) {
    return FTP_FolderPart(doc.PathFTP, true);
}

std::string enclosure_remote_path(const Doc& doc, const Feed& feed, std::string_view local) {
    const std::string path = replace_all(feed.FeedFileOnFTP, "\\", "/");
    const std::size_t slash = path.rfind('/');
    std::string folder = trim_spaces(slash == std::string::npos ? "" : path.substr(0, slash + 1));
    folder.erase(0, folder.find_first_not_of('/'));
    std::string name = trim_spaces(slash == std::string::npos ? path : path.substr(slash + 1));
    if (name.empty())
        name = file_part(local);
    std::string relative = folder + name;
    const std::string channel = channel_folder(doc);
    if (relative.starts_with(channel))
        return relative;
    return channel + relative;
}

UploadEntry enclosure_upload(const Doc& doc, const Feed& feed, std::string_view local) {
    return {std::string(local), enclosure_remote_path(doc, feed, local),
            enclosure_url(doc, feed, local), feed.FeedFileType};
}

namespace {

// The chapters file's name for an enclosure named name: "episode.mp3" gives
// "episode.chapters.json".
std::string chapters_name(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string stem(name.substr(0, dot == 0 ? name.size() : dot));
    return stem + ".chapters.json";
}

// Replaces the part after the last "/" of path with name.
std::string beside(std::string_view path, std::string_view name) {
    const std::size_t slash = path.rfind('/');
    std::string out(slash == std::string_view::npos ? std::string_view()
                                                    : path.substr(0, slash + 1));
    out += name;
    return out;
}

// Whether the item's enclosure is on the channel's server, so that files can go beside it: an
// enclosure kept at another address (an imported feed's) has no folder of ours.
bool enclosure_is_ours(const Feed& feed) {
    return !url_has_scheme(trim_spaces(feed.FeedFileOnFTP)) &&
           !(feed.FeedFileOnFTP.empty() && feed.FeedFile.empty());
}

} // namespace

std::optional<UploadEntry> chapters_upload(const Doc& doc, const Feed& feed, std::string_view local,
                                           std::string_view folder) {
    if (feed.FeedChapters.empty() || !trim_spaces(feed.FeedChaptersUrl).empty() ||
        !enclosure_is_ours(feed))
        return std::nullopt;
    return chapters_upload(feed, enclosure_upload(doc, feed, local), folder);
}

std::optional<UploadEntry> chapters_upload(const Feed& feed, const UploadEntry& enclosure,
                                           std::string_view folder) {
    if (feed.FeedChapters.empty() || !trim_spaces(feed.FeedChaptersUrl).empty() ||
        !enclosure_is_ours(feed))
        return std::nullopt;
    const std::string name = file_part(enclosure.remote_path);
    if (name.empty())
        return std::nullopt;
    const std::string file = chapters_name(name);
    return UploadEntry{std::string(folder) + file, beside(enclosure.remote_path, file),
                       beside(enclosure.address, url_encode(file, UrlPart::Path)),
                       std::string(kChaptersType)};
}

std::optional<UploadEntry> beside_enclosure_upload(const Feed& feed, const UploadEntry& enclosure,
                                                   std::string_view file, std::string_view type) {
    const std::string name = file_part(file);
    if (name.empty() || !enclosure_is_ours(feed) || file_part(enclosure.remote_path).empty())
        return std::nullopt;
    return UploadEntry{std::string(file), beside(enclosure.remote_path, name),
                       beside(enclosure.address, url_encode(name, UrlPart::Path)),
                       std::string(type)};
}

std::string channel_image_address(const Doc& doc) {
    if (!doc.ImageUrl.empty())
        return doc.ImageUrl;
    return file_part(replace_all(doc.ImageFile, "\\", "/"));
}

std::string channel_image_local(const Doc& doc) {
    if (doc.ImageFile.empty() || is_absolute_path(doc.ImageFile))
        return doc.ImageFile;
    return folder_part(doc.FileName) + doc.ImageFile;
}

} // namespace qp
