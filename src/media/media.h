// What an enclosure file tells about itself: its playing time, its type read from its content
// and its length, and the refresh of these values in a whole document. Window-free.
#pragma once

#include "core/document.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qp {

class Paths;

// MP3 "audio/mpeg", MPEG-4 audio "audio/x-m4a" (the name the largest directory lists), Ogg
// Vorbis, Opus and FLAC "audio/ogg" (Opus's own "audio/opus" is refused by some directories),
// FLAC "audio/flac", WAV "audio/wav"; MPEG-4 video "video/mp4" or "video/x-m4v".
enum class MediaProblem {
    None,
    NotThere,   // missing, or no regular file
    NotMedia,   // content of no known media format (a document, a picture)
    NoDuration, // a media format, but no playing time in it
    TooComplex, // more parts, nesting or reading than any real file needs: not read
    Cancelled,
};

struct MediaInfo {
    std::int64_t seconds = 0; // playing time, rounded to whole seconds
    std::string type;         // MIME type from the content; empty when the content is not known
    std::int64_t length = 0;  // bytes
    std::string title;        // from the tags; empty when they give none
    // An MP3's chapters (its ID3v2 tag's CHAP frames: start, title, address), sorted by start.
    std::vector<Chapter> chapters;
    // Empty when the playing time was read. The type and the length may be known even so.
    std::string error;
    MediaProblem problem = MediaProblem::None;

    bool ok() const { return error.empty(); }
};

// Reads the file at path (a regular file; anything else is refused without blocking), within a
// budget of parts, nesting and bytes read that any real file fits in: a hostile file is refused
// in well under a second and a few megabytes. A raised cancel flag ends the read at its next
// step (well within 100 ms); the read may run on any thread.
MediaInfo media_read(const std::string& path, const std::atomic<bool>* cancel = nullptr);

// The playing time as the feed stores it: "HH:MM:SS", hours at least two digits.
std::string media_duration(std::int64_t seconds);

// Called after each episode with the number done and the total; false stops the refresh.
using MediaProgress = std::function<bool(int done, int total)>;

struct MediaRefreshResult {
    int updated = 0;    // episodes whose length or playing time changed
    int missing = 0;    // episodes naming a file that is not there
    int unreadable = 0; // files there whose playing time could not be read
    bool stopped = false;
    std::vector<int> changed; // positions of the updated episodes

    bool any_change() const { return !changed.empty(); }
};

// Updates FeedFileLength and FeedDuration of every episode whose FeedFile (placeholders expanded)
// is there, both or neither: a media file whose playing time cannot be read keeps both. A file of
// no media format (a document) gets its length when the episode has no duration to go stale.
// Episodes without a file name are not counted. A raised cancel flag stops the refresh as the
// progress callback does, the episode being read left as it was.
MediaRefreshResult media_refresh(Doc& doc, const Paths& paths, const MediaProgress& progress = {},
                                 const std::atomic<bool>* cancel = nullptr);

} // namespace qp
