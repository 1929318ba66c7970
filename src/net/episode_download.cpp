#include "net/episode_download.h"

#include "core/rss_writer.h"
#include "net/http_fetch.h"

#include <filesystem>
#include <set>
#include <string_view>

namespace qp::net {

namespace {

// The file name an enclosure gets in the media folder: the last part of its address's path,
// reduced to characters every file system takes, made unique with the episode's number.
std::string media_name(std::string_view url, std::size_t index, std::set<std::string>& used) {
    std::string_view path = url.substr(0, url.find_first_of("?#"));
    path = path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1);
    std::string name;
    for (const char c : path) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        name += keep ? c : '_';
    }
    if (name.empty() || name.front() == '.')
        name = "episode" + name;
    if (!used.insert(name).second) {
        name = std::to_string(index + 1) + "-" + name;
        used.insert(name);
    }
    return name;
}

} // namespace

std::size_t episodes_to_download(const Doc& doc) {
    std::size_t count = 0;
    for (const Feed& feed : doc.Feeds)
        count += url_is_web(feed.FeedFileOnFTP) ? 1 : 0;
    return count;
}

Status download_episodes(Doc& doc, const std::string& folder, const EpisodeDownloads& options) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return make_error(ErrorKind::Failed,
                          "can't create the folder " + folder + ": " + ec.message());
    std::set<std::string> used;
    for (std::size_t k = 0; k < doc.Feeds.size(); ++k) {
        Feed& feed = doc.Feeds[k];
        if (!url_is_web(feed.FeedFileOnFTP))
            continue;
        const std::string path = folder + media_name(feed.FeedFileOnFTP, k, used);
        DownloadOptions download;
        download.cancel = options.cancel;
        if (options.progress)
            download.progress = [&](std::uint64_t done, std::uint64_t total) {
                options.progress(k, path, done, total);
            };
        const Result<std::uint64_t> got = download_file(
            feed.FeedFileOnFTP, path, static_cast<std::uint64_t>(feed.FeedFileLength), download);
        if (!got.ok())
            return got.error();
        if (options.fetched)
            options.fetched(path, got.value());
        feed.FeedFile = path;
        feed.FeedFileOnFTP.clear();
        feed.FeedFileLength = static_cast<std::int64_t>(got.value());
        feed.FeedFlag |= kUploadFile;
    }
    return {};
}

} // namespace qp::net
