// Bringing an imported feed's episodes home: every enclosure on the web fetched into a folder,
// and its episode pointed at the file, to be uploaded with the feed from then on.
#pragma once

#include "core/document.h"
#include "core/result.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qp::net {

struct EpisodeDownloads {
    const std::atomic<bool>* cancel = nullptr;
    // The episode (index into the document's feeds) being fetched, its file, and the bytes so
    // far of the size its server gives (0 when not known).
    std::function<void(std::size_t episode, const std::string& path, std::uint64_t done,
                       std::uint64_t total)>
        progress;
    // A file that is whole, with its size.
    std::function<void(const std::string& path, std::uint64_t size)> fetched;
};

// The episodes whose enclosure is a web address, which download_episodes fetches.
std::size_t episodes_to_download(const Doc& doc);

// Fetches each web enclosure into folder (created when missing) under the last part of its
// address, made unique with the episode's number; each file is checked against the length the
// feed states. An episode fetched points at its file with "upload" ticked. On failure or
// Cancel the episodes fetched so far keep their files and the rest their addresses; a partial
// file stays beside them, and a later run resumes it.
Status download_episodes(Doc& doc, const std::string& folder, const EpisodeDownloads& options = {});

} // namespace qp::net
