#include "core/publish_plan.h"

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
