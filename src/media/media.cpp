#include "media/media.h"

#include "core/file_io.h"
#include "core/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include <chapterframe.h>
#include <flacfile.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <speexfile.h>
#include <tfilestream.h>
#include <urllinkframe.h>
#include <vorbisfile.h>
#include <wavfile.h>

namespace qp {

namespace {

// What a real media file never needs, so that a file made to exhaust the reader is refused
// before the tag library builds anything from it.
constexpr int kMaxParts = 20000;                     // boxes, chunks, blocks, pages, frames
constexpr int kMaxDepth = 12;                        // boxes within boxes
constexpr int kMaxTags = 4;                          // ID3v2 tags in a row
constexpr std::uint64_t kMaxTagBytes = 16ULL << 20;  // one tag, pictures included
constexpr std::uint64_t kMaxReadBytes = 32ULL << 20; // all reads of one file together

enum class Format { Unknown, Mpeg, Adts, Mp4, Vorbis, Opus, OggFlac, Speex, OggOther, Flac, Wav };

// Why a walk or a read stopped early.
enum class Stop { None, Budget, Cancel };

// The file as the tag library sees it: reads count against the byte budget and look at the
// cancel flag; once either ends the read, the file seems to end there.
class BoundedStream : public TagLib::IOStream {
public:
    BoundedStream(TagLib::FileStream& file, const std::atomic<bool>* cancel)
        : file_(file), cancel_(cancel), length_(file.length()) {}

    TagLib::FileName name() const override { return file_.name(); }
    TagLib::ByteVector readBlock(unsigned long length) override {
        if (stopped())
            return {};
        const long at = file_.tell();
        const auto left = static_cast<std::uint64_t>(at < length_ ? length_ - at : 0);
        const std::uint64_t want = std::min<std::uint64_t>(length, left);
        if (read_ + want > kMaxReadBytes) {
            stop_ = Stop::Budget;
            return {};
        }
        read_ += want;
        return file_.readBlock(static_cast<unsigned long>(want));
    }
    // Read only: the program never changes a media file.
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return file_.isOpen(); }
    void seek(long offset, Position p = Beginning) override { file_.seek(offset, p); }
    void clear() override { file_.clear(); }
    long tell() const override { return file_.tell(); }
    long length() override { return length_; }
    void truncate(long) override {}

    // Whether reading must end: the budget is spent or the caller cancelled.
    bool stopped() {
        if (stop_ == Stop::None && cancel_ && cancel_->load(std::memory_order_relaxed))
            stop_ = Stop::Cancel;
        return stop_ != Stop::None;
    }
    Stop stop() const { return stop_; }
    void exceed() { stop_ = Stop::Budget; }

    // Up to count bytes from at, for the walks: read in large blocks and kept, so a walk over
    // many small parts costs a few reads. Shorter at the end of the file or once reading ends.
    std::string_view peek(long at, std::size_t count) {
        constexpr std::size_t kBlock = std::size_t{64} * 1024;
        if (at < 0)
            return {};
        const auto start = static_cast<std::uint64_t>(at);
        if (start < cache_at_ || start + count > cache_at_ + cache_.size()) {
            file_.seek(at);
            cache_ = readBlock(static_cast<unsigned long>(std::max(count, kBlock)));
            cache_at_ = start;
        }
        const std::size_t offset = start - cache_at_;
        if (offset >= cache_.size())
            return {};
        return {cache_.data() + offset, std::min<std::size_t>(count, cache_.size() - offset)};
    }

private:
    TagLib::FileStream& file_;
    const std::atomic<bool>* cancel_;
    long length_;
    std::uint64_t read_ = 0;
    Stop stop_ = Stop::None;
    TagLib::ByteVector cache_;
    std::uint64_t cache_at_ = 0;
};

// Counts the parts a walk meets; false once there are too many.
class PartCount {
public:
    explicit PartCount(BoundedStream& stream) : stream_(stream) {}
    bool take() {
        if (++parts_ > kMaxParts)
            stream_.exceed();
        return !stream_.stopped();
    }

private:
    BoundedStream& stream_;
    int parts_ = 0;
};

struct Sniffed {
    Format format = Format::Unknown;
    std::string type;
    long audio = 0; // where the audio starts, past any ID3v2 tags
};

// Bytes of the file as a walk sees them.
using Bytes = std::string_view;

bool starts(Bytes data, std::size_t at, std::string_view text) {
    return data.size() >= at + text.size() && data.substr(at, text.size()) == text;
}

unsigned byte_at(Bytes data, std::size_t at) {
    return static_cast<unsigned char>(data[at]);
}

std::uint32_t big_endian32(Bytes data, std::size_t at) {
    return byte_at(data, at) << 24 | byte_at(data, at + 1) << 16 | byte_at(data, at + 2) << 8 |
           byte_at(data, at + 3);
}

std::uint32_t little_endian32(Bytes data, std::size_t at) {
    return byte_at(data, at + 3) << 24 | byte_at(data, at + 2) << 16 | byte_at(data, at + 1) << 8 |
           byte_at(data, at);
}

std::uint32_t synchsafe32(Bytes data, std::size_t at) {
    return (byte_at(data, at) & 0x7F) << 21 | (byte_at(data, at + 1) & 0x7F) << 14 |
           (byte_at(data, at + 2) & 0x7F) << 7 | (byte_at(data, at + 3) & 0x7F);
}

// The frames of an ID3v2 tag whose 10-byte header starts at `at`, each one part.
void walk_id3_frames(BoundedStream& stream, long at, Bytes header, std::uint32_t size,
                     PartCount& parts) {
    const unsigned version = byte_at(header, 3);
    const long end = at + 10 + static_cast<long>(size);
    long frame = at + 10;
    if ((byte_at(header, 5) & 0x40) != 0 && version >= 3) { // extended header
        const Bytes ext = stream.peek(frame, 4);
        if (ext.size() < 4)
            return;
        frame += version == 3 ? 4 + static_cast<long>(big_endian32(ext, 0))
                              : static_cast<long>(synchsafe32(ext, 0));
    }
    const long frame_header = version == 2 ? 6 : 10;
    while (frame + frame_header <= end && parts.take()) {
        const Bytes h = stream.peek(frame, static_cast<std::size_t>(frame_header));
        if (h.size() < static_cast<unsigned>(frame_header) || byte_at(h, 0) == 0)
            return; // padding, or the end of the file
        const std::uint32_t length = version == 2
                                         ? byte_at(h, 3) << 16 | byte_at(h, 4) << 8 | byte_at(h, 5)
                                     : version == 4 ? synchsafe32(h, 4)
                                                    : big_endian32(h, 4);
        frame += frame_header + static_cast<long>(length);
    }
}

// Where the audio starts: past the ID3v2 tags, whose size is stored in 7-bit bytes. More tags
// in a row, or larger ones, than a real file has end the read.
long skip_id3(BoundedStream& stream, PartCount& parts) {
    long at = 0;
    for (int tags = 0;; ++tags) {
        const Bytes h = stream.peek(at, 10);
        if (!starts(h, 0, "ID3") || h.size() < 10)
            return at;
        const std::uint32_t size = synchsafe32(h, 6);
        if (tags >= kMaxTags || size > kMaxTagBytes) {
            stream.exceed();
            return at;
        }
        const bool footer = (byte_at(h, 5) & 0x10) != 0; // h is gone after the next peek
        walk_id3_frames(stream, at, h, size, parts);
        if (stream.stopped())
            return at;
        at += 10 + static_cast<long>(size) + (footer ? 10 : 0);
    }
}

// An APE tag at the end of an MPEG file, before any ID3v1 tag: its item count and size are
// checked before the tag library reads it.
void check_ape(BoundedStream& stream) {
    const long end = stream.length();
    for (const long footer : {end - 32, end - 128 - 32}) {
        if (footer < 0)
            continue;
        const Bytes f = stream.peek(footer, 32);
        if (!starts(f, 0, "APETAGEX"))
            continue;
        if (little_endian32(f, 12) > kMaxTagBytes || little_endian32(f, 16) > kMaxParts)
            stream.exceed();
        return;
    }
}

// Where the children of a box the tag library descends into start, after its header: none
// for other boxes. "meta" comes with and without its version and flags, so both are walked.
struct ChildOffsets {
    long skip[2] = {0, 0};
    int count = 0;
};

ChildOffsets child_offsets(Bytes box) {
    static constexpr std::string_view kContainers[] = {"moov", "udta", "mdia", "ilst", "stbl",
                                                       "minf", "moof", "traf", "trak"};
    if (box.size() < 8)
        return {};
    const std::string_view name = box.substr(4, 4);
    if (name == "meta")
        return {{0, 4}, 2};
    if (name == "stsd")
        return {{8, 0}, 1};
    for (const std::string_view container : kContainers)
        if (name == container)
            return {{0, 0}, 1};
    return {};
}

// Walks the MPEG-4 boxes from `from` to `to` within the budget of parts and nesting, notes a
// video track's handler on the way. A box is taken at the size it claims up to the end of the
// file, even past its parent, as a reader that trusts it would.
void walk_boxes(BoundedStream& stream, long from, long to, int depth, PartCount& parts,
                bool& video) {
    if (depth > kMaxDepth) {
        stream.exceed();
        return;
    }
    const long file_end = stream.length();
    for (long at = from; at + 8 <= to && parts.take();) {
        const Bytes box = stream.peek(at, 16);
        if (box.size() < 8)
            return;
        std::uint64_t size = big_endian32(box, 0);
        long header = 8;
        if (size == 1 && box.size() >= 16) {
            size = static_cast<std::uint64_t>(big_endian32(box, 8)) << 32 | big_endian32(box, 12);
            header = 16;
        } else if (size == 0) {
            size = static_cast<std::uint64_t>(file_end - at);
        }
        if (size < static_cast<std::uint64_t>(header) ||
            size > static_cast<std::uint64_t>(file_end - at))
            return;
        const long end = at + static_cast<long>(size);
        // Taken before the next peek, which may drop the bytes box shows.
        const ChildOffsets children = child_offsets(box);
        // hdlr box: version and flags, pre-defined, then the handler type.
        if (starts(box, 4, "hdlr") && starts(stream.peek(at + header + 8, 4), 0, "vide"))
            video = true;
        for (int i = 0; i < children.count; ++i)
            walk_boxes(stream, at + header + children.skip[i], end, depth + 1, parts, video);
        at = end;
    }
}

// MPEG-4 tells audio from video by the handlers of its tracks.
std::string mp4_type(BoundedStream& stream, Bytes head, PartCount& parts) {
    const std::string brand(head.data() + 8, 4);
    bool video = false;
    walk_boxes(stream, 0, stream.length(), 0, parts, video);
    if (!video)
        return "audio/x-m4a";
    if (brand == "M4V " || brand == "M4VH" || brand == "M4VP")
        return "video/x-m4v";
    if (brand == "qt  ")
        return "video/quicktime";
    return "video/mp4";
}

// The chunks of a RIFF file and the fields of its INFO lists.
void walk_riff(BoundedStream& stream, long from, long to, int depth, PartCount& parts) {
    for (long at = from; at + 8 <= to && parts.take();) {
        const Bytes chunk = stream.peek(at, 12);
        if (chunk.size() < 8)
            return;
        const long size = static_cast<long>(little_endian32(chunk, 4));
        const long end = std::min(to, at + 8 + size + (size & 1));
        const bool info = depth == 0 && starts(chunk, 0, "LIST") && starts(chunk, 8, "INFO");
        const bool tag = depth == 0 && (starts(chunk, 0, "id3 ") || starts(chunk, 0, "ID3 "));
        if (info)
            walk_riff(stream, at + 12, end, 1, parts);
        // A tag inside is read like one at the start of an MPEG file.
        if (tag) {
            const Bytes h = stream.peek(at + 8, 10);
            if (starts(h, 0, "ID3") && h.size() >= 10) {
                if (synchsafe32(h, 6) > kMaxTagBytes)
                    stream.exceed();
                else
                    walk_id3_frames(stream, at + 8, h, synchsafe32(h, 6), parts);
            }
        }
        at = end;
    }
}

// The metadata blocks of a FLAC stream, from its "fLaC" mark.
void walk_flac(BoundedStream& stream, long at, PartCount& parts) {
    at += 4;
    while (parts.take()) {
        const Bytes block = stream.peek(at, 4);
        if (block.size() < 4)
            return;
        at += 4 + static_cast<long>(byte_at(block, 1) << 16 | byte_at(block, 2) << 8 |
                                    byte_at(block, 3));
        if ((byte_at(block, 0) & 0x80) != 0)
            return; // the last block
    }
}

// The Ogg pages that carry the header packets the tag library reads: `packets` of them, or
// for FLAC in Ogg every metadata block up to the one marked last (after the first packet, the
// first byte of each packet has that mark), at most kMaxFlacPackets.
void walk_ogg(BoundedStream& stream, int packets, bool flac, PartCount& parts) {
    constexpr int kMaxFlacPackets = 256;
    long at = 0;
    int done = 0;
    bool at_start = true; // the next segment starts a packet
    while ((flac || done < packets) && parts.take()) {
        const Bytes page = stream.peek(at, 27);
        if (!starts(page, 0, "OggS") || page.size() < 27)
            return;
        const unsigned segments = byte_at(page, 26);
        const std::string table(stream.peek(at + 27, segments)); // kept over the peeks below
        if (table.size() < segments)
            return;
        long body = at + 27 + static_cast<long>(segments);
        for (unsigned i = 0; i < segments; ++i) {
            if (flac && at_start && done > 0) {
                const Bytes first = stream.peek(body, 1);
                if (first.empty() || (byte_at(first, 0) & 0x80) != 0)
                    return;
            }
            body += byte_at(table, i);
            at_start = byte_at(table, i) < 255;
            if (at_start && ++done > kMaxFlacPackets && flac) {
                stream.exceed();
                return;
            }
        }
        at = body;
    }
}

// The format from the content, with its structure walked within the budget.
Sniffed sniff(BoundedStream& stream, PartCount& parts) {
    const Bytes head = stream.peek(0, 64);
    if (starts(head, 0, "RIFF") && starts(head, 8, "WAVE")) {
        walk_riff(stream, 12, stream.length(), 0, parts);
        return {Format::Wav, "audio/wav"};
    }
    if (starts(head, 4, "ftyp") && head.size() >= 12)
        return {Format::Mp4, mp4_type(stream, head, parts)};
    if (starts(head, 0, "OggS") && head.size() >= 27) {
        // The first packet follows the page header and its segment table.
        const std::size_t packet = 27 + byte_at(head, 26);
        const Bytes first = stream.peek(static_cast<long>(packet), 8);
        Sniffed out{Format::OggOther, "audio/ogg"};
        if (starts(first, 0, "\x01vorbis"))
            out = {Format::Vorbis, "audio/ogg"};
        else if (starts(first, 0, "OpusHead"))
            out = {Format::Opus, "audio/ogg"};
        else if (starts(first, 0,
                        "\x7f"
                        "FLAC"))
            out = {Format::OggFlac, "audio/ogg"};
        else if (starts(first, 0, "Speex   "))
            out = {Format::Speex, "audio/ogg"};
        else if (starts(first, 0, "\x80theora"))
            out = {Format::OggOther, "video/ogg"};
        // Vorbis has three header packets; FLAC in Ogg as many as its metadata blocks.
        walk_ogg(stream, 3, out.format == Format::OggFlac, parts);
        return out;
    }
    const long audio = skip_id3(stream, parts);
    const Bytes frame = stream.peek(audio, 4);
    if (starts(frame, 0, "fLaC")) {
        walk_flac(stream, audio, parts);
        return {Format::Flac, "audio/flac", audio};
    }
    if (frame.size() >= 4 && byte_at(frame, 0) == 0xFF && (byte_at(frame, 1) & 0xE0) == 0xE0) {
        // Layer bits 00 are reserved in MPEG audio; ADTS uses them for AAC.
        const unsigned layer = (byte_at(frame, 1) >> 1) & 0x3;
        const unsigned version = (byte_at(frame, 1) >> 3) & 0x3;
        if (layer == 0 && (byte_at(frame, 1) & 0xF0) == 0xF0)
            return {Format::Adts, "audio/aac", audio};
        if (layer != 0 && version != 1) {
            check_ape(stream);
            return {Format::Mpeg, "audio/mpeg", audio};
        }
    }
    return {};
}

std::unique_ptr<TagLib::File> open(Format format, TagLib::IOStream* stream) {
    using Style = TagLib::AudioProperties::ReadStyle;
    constexpr Style kStyle = Style::Average;
    switch (format) {
    case Format::Mpeg:
        return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                    true, kStyle);
    case Format::Mp4:
        return std::make_unique<TagLib::MP4::File>(stream, true, kStyle);
    case Format::Vorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, true, kStyle);
    case Format::Opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, true, kStyle);
    case Format::OggFlac:
        return std::make_unique<TagLib::Ogg::FLAC::File>(stream, true, kStyle);
    case Format::Speex:
        return std::make_unique<TagLib::Ogg::Speex::File>(stream, true, kStyle);
    case Format::Flac:
        return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                    true, kStyle);
    case Format::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, true, kStyle);
    case Format::Adts:
    case Format::OggOther:
    case Format::Unknown:
        break;
    }
    return nullptr;
}

// The chapters of an MP3's ID3v2 tag, which the library read with the file.
std::vector<Chapter> id3_chapters(TagLib::File& media) {
    std::vector<Chapter> out;
    auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&media);
    TagLib::ID3v2::Tag* tag = mpeg ? mpeg->ID3v2Tag(false) : nullptr;
    if (!tag)
        return out;
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("CHAP")) {
        const auto* chap = dynamic_cast<const TagLib::ID3v2::ChapterFrame*>(frame);
        if (!chap)
            continue;
        Chapter& c = out.emplace_back();
        c.StartTime = chap->startTime() / 1000.0;
        if (const auto& titles = chap->embeddedFrameList("TIT2"); !titles.isEmpty())
            c.Title = titles.front()->toString().to8Bit(true);
        for (const TagLib::ID3v2::Frame* link : chap->embeddedFrameList("WXXX"))
            if (const auto* user = dynamic_cast<const TagLib::ID3v2::UserUrlLinkFrame*>(link))
                c.Url = user->url().to8Bit(true);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Chapter& a, const Chapter& b) { return a.StartTime < b.StartTime; });
    return out;
}

} // namespace

// The playing time the bytes present can hold at the stated bit rate: a file cut short keeps
// the duration its header claims for the whole file.
std::int64_t held_milliseconds(const TagLib::AudioProperties& properties, std::int64_t bytes,
                               std::int64_t ms) {
    const std::int64_t kbps = properties.bitrate(); // bits per millisecond
    if (kbps <= 0 || bytes <= 0)
        return ms;
    const std::int64_t held = bytes * 8 / kbps;
    // Headers, tags and rounding of the rate make a small difference on sound files.
    return ms > held + held / 20 + 1000 ? held : ms;
}

MediaInfo media_read(const std::string& path, const std::atomic<bool>* cancel) {
    MediaInfo info;
    const auto fail = [&info](MediaProblem problem, std::string error) {
        info.problem = problem;
        info.error = std::move(error);
        return info;
    };
    // Non-blocking, so that a pipe or a device met under the name cannot hold the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(MediaProblem::NotThere, system_error(errno).text);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(MediaProblem::NotThere, "not a regular file");
    }
    info.length = st.st_size;
    TagLib::FileStream file(fd, true); // closes fd from here on
    if (!file.isOpen()) {
        ::close(fd);
        return fail(MediaProblem::NotThere, "the file cannot be read");
    }
    BoundedStream stream(file, cancel);
    PartCount parts(stream);
    const Sniffed sniffed = sniff(stream, parts);
    info.type = sniffed.type;
    std::unique_ptr<TagLib::File> media;
    if (!stream.stopped()) {
        stream.seek(0);
        media = open(sniffed.format, &stream);
    }
    // A read cut short by the budget may leave the library with a made-up answer.
    if (stream.stopped())
        return stream.stop() == Stop::Cancel
                   ? fail(MediaProblem::Cancelled, "cancelled")
                   : fail(MediaProblem::TooComplex, "not a media file the program can read: it "
                                                    "has more parts than any real file");
    if (media && media->isValid() && media->tag() != nullptr)
        info.title = media->tag()->title().to8Bit(true);
    if (media && media->isValid())
        info.chapters = id3_chapters(*media);
    const TagLib::AudioProperties* properties =
        media && media->isValid() ? media->audioProperties() : nullptr;
    std::int64_t ms = properties ? properties->lengthInMilliseconds() : 0;
    if (ms <= 0)
        return sniffed.format == Format::Unknown
                   ? fail(MediaProblem::NotMedia, "not a media file the program knows")
                   : fail(MediaProblem::NoDuration, "no playing time could be read");
    // Frame counts in an MPEG header and a WAV's data size are claims about the whole file.
    if (sniffed.format == Format::Mpeg || sniffed.format == Format::Wav)
        ms = held_milliseconds(*properties, info.length - sniffed.audio, ms);
    info.seconds = (ms + 500) / 1000;
    return info;
}

std::string media_duration(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

MediaRefreshResult media_refresh(Doc& doc, const Paths& paths, const MediaProgress& progress,
                                 const std::atomic<bool>* cancel) {
    MediaRefreshResult result;
    const int total = static_cast<int>(doc.Feeds.size());
    for (int i = 0; i < total; ++i) {
        Feed& feed = doc.Feeds[static_cast<std::size_t>(i)];
        if (!feed.FeedFile.empty()) {
            const std::string path = paths.Path_Expand(feed.FeedFile);
            // A folder, pipe or device under the name is no enclosure either.
            std::error_code error;
            const bool there = std::filesystem::is_regular_file(path, error);
            const std::uintmax_t size = there ? std::filesystem::file_size(path, error) : 0;
            if (!there || error) {
                ++result.missing;
            } else {
                const MediaInfo info = media_read(path, cancel);
                if (info.problem == MediaProblem::Cancelled) {
                    result.stopped = true;
                    break;
                }
                auto length = static_cast<std::int64_t>(size);
                std::string duration = feed.FeedDuration;
                if (info.ok()) {
                    duration = media_duration(info.seconds);
                } else {
                    ++result.unreadable;
                    // A document has a length too, but a new length beside an old playing
                    // time would describe two different files.
                    if (info.problem != MediaProblem::NotMedia || !feed.FeedDuration.empty())
                        length = feed.FeedFileLength;
                }
                if (length != feed.FeedFileLength || duration != feed.FeedDuration) {
                    feed.FeedFileLength = length;
                    feed.FeedDuration = duration;
                    result.changed.push_back(i);
                    ++result.updated;
                }
            }
        }
        if (progress && !progress(i + 1, total)) {
            result.stopped = i + 1 < total;
            break;
        }
    }
    return result;
}

} // namespace qp
