// What an enclosure file tells about itself: its playing time, its type read from its content
// and its length, and the refresh of these values in a whole document. Window-free.
#pragma once

#include "core/document.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qp {

class Paths;

// MP3 "audio/mpeg", MPEG-4 audio "audio/x-m4a" (the name the largest directory lists), Ogg
// Vorbis, Opus and FLAC "audio/ogg" (Opus's own "audio/opus" is refused by some directories),
// FLAC "audio/flac", WAV "audio/wav"; MPEG-4 video "video/mp4" or "video/x-m4v".
struct MediaInfo {
    std::int64_t seconds = 0; // playing time, rounded to whole seconds
    std::string type;         // MIME type from the content; empty when the content is not known
    std::int64_t length = 0;  // bytes
    std::string title;        // from the tags; empty when they give none
    // Empty when the playing time was read. The type and the length may be known even so.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Reads the file at path (a regular file; anything else is refused without blocking).
MediaInfo Media_Read(const std::string& path);

// The playing time as the feed stores it: "HH:MM:SS", hours at least two digits.
std::string Media_Duration(std::int64_t seconds);

// Called after each episode with the number done and the total; false stops the refresh.
using MediaProgress = std::function<bool(int done, int total)>;

struct MediaRefreshResult {
    int updated = 0;    // episodes whose length or playing time changed
    int missing = 0;    // episodes naming a file that is not there
    int unreadable = 0; // files there whose playing time could not be read
    bool stopped = false;
    std::vector<int> changed; // positions of the updated episodes

    bool anyChange() const { return !changed.empty(); }
};

// Updates FeedFileLength and FeedDuration of every episode whose FeedFile (placeholders expanded)
// is there. A file without a readable playing time still gets its length; a duration that cannot
// be read is left as it was. Episodes without a file name are not counted.
MediaRefreshResult Media_Refresh(Doc& doc, const Paths& paths, const MediaProgress& progress = {});

} // namespace qp
