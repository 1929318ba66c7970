#include "media/media.h"

#include "core/file_io.h"
#include "core/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include <flacfile.h>
#include <id3v2framefactory.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <speexfile.h>
#include <tfilestream.h>
#include <vorbisfile.h>
#include <wavfile.h>

namespace qp {

namespace {

// How far a container is searched for what tells audio from video: a larger box is not looked
// into, whatever it holds.
constexpr unsigned long kMaxBoxBytes = 64UL << 20;

enum class Format { Unknown, Mpeg, Adts, Mp4, Vorbis, Opus, OggFlac, Speex, OggOther, Flac, Wav };

struct Sniffed {
    Format format = Format::Unknown;
    std::string type;
};

bool starts(const TagLib::ByteVector& data, std::size_t at, std::string_view text) {
    if (data.size() < at + text.size())
        return false;
    return std::string_view(data.data() + at, text.size()) == text;
}

unsigned byteAt(const TagLib::ByteVector& data, std::size_t at) {
    return static_cast<unsigned char>(data[static_cast<unsigned>(at)]);
}

std::uint32_t bigEndian32(const TagLib::ByteVector& data, std::size_t at) {
    return byteAt(data, at) << 24 | byteAt(data, at + 1) << 16 | byteAt(data, at + 2) << 8 |
           byteAt(data, at + 3);
}

TagLib::ByteVector readAt(TagLib::IOStream& stream, long at, unsigned long count) {
    stream.seek(at);
    return stream.readBlock(count);
}

// Where the audio starts: past any ID3v2 tags, whose size is stored in 7-bit bytes.
long skipId3(TagLib::IOStream& stream) {
    long at = 0;
    for (;;) {
        const TagLib::ByteVector h = readAt(stream, at, 10);
        if (!starts(h, 0, "ID3") || h.size() < 10)
            return at;
        const long size =
            static_cast<long>((byteAt(h, 6) & 0x7F) << 21 | (byteAt(h, 7) & 0x7F) << 14 |
                              (byteAt(h, 8) & 0x7F) << 7 | (byteAt(h, 9) & 0x7F));
        const bool footer = (byteAt(h, 5) & 0x10) != 0;
        at += 10 + size + (footer ? 10 : 0);
    }
}

// MPEG-4 tells audio from video by the handlers of its tracks, inside the "moov" box.
std::string mp4Type(TagLib::IOStream& stream, const TagLib::ByteVector& head) {
    const std::string brand(head.data() + 8, 4);
    bool video = false;
    const long end = stream.length();
    for (long at = 0; at + 8 <= end;) {
        const TagLib::ByteVector box = readAt(stream, at, 16);
        if (box.size() < 8)
            break;
        std::uint64_t size = bigEndian32(box, 0);
        long header = 8;
        if (size == 1 && box.size() >= 16) {
            size = static_cast<std::uint64_t>(bigEndian32(box, 8)) << 32 | bigEndian32(box, 12);
            header = 16;
        } else if (size == 0) {
            size = static_cast<std::uint64_t>(end - at);
        }
        if (size < static_cast<std::uint64_t>(header))
            break;
        if (starts(box, 4, "moov")) {
            if (size - header <= kMaxBoxBytes) {
                const TagLib::ByteVector moov =
                    readAt(stream, at + header, static_cast<unsigned long>(size - header));
                // hdlr box: version and flags, pre-defined, then the handler type.
                for (int p = moov.find("hdlr"); p >= 0; p = moov.find("hdlr", p + 4))
                    if (starts(moov, static_cast<std::size_t>(p) + 12, "vide"))
                        video = true;
            }
            break;
        }
        if (size > static_cast<std::uint64_t>(end - at))
            break;
        at += static_cast<long>(size);
    }
    if (!video)
        return "audio/x-m4a";
    if (brand == "M4V " || brand == "M4VH" || brand == "M4VP")
        return "video/x-m4v";
    if (brand == "qt  ")
        return "video/quicktime";
    return "video/mp4";
}

Sniffed sniff(TagLib::IOStream& stream) {
    const TagLib::ByteVector head = readAt(stream, 0, 64);
    if (starts(head, 0, "RIFF") && starts(head, 8, "WAVE"))
        return {Format::Wav, "audio/wav"};
    if (starts(head, 4, "ftyp") && head.size() >= 12)
        return {Format::Mp4, mp4Type(stream, head)};
    if (starts(head, 0, "OggS") && head.size() >= 27) {
        // The first packet follows the page header and its segment table.
        const std::size_t packet = 27 + byteAt(head, 26);
        const TagLib::ByteVector first = readAt(stream, static_cast<long>(packet), 8);
        if (starts(first, 0, "\x01vorbis"))
            return {Format::Vorbis, "audio/ogg"};
        if (starts(first, 0, "OpusHead"))
            return {Format::Opus, "audio/ogg"};
        if (starts(first, 0,
                   "\x7f"
                   "FLAC"))
            return {Format::OggFlac, "audio/ogg"};
        if (starts(first, 0, "Speex   "))
            return {Format::Speex, "audio/ogg"};
        if (starts(first, 0, "\x80theora"))
            return {Format::OggOther, "video/ogg"};
        return {Format::OggOther, "audio/ogg"};
    }
    const long audio = skipId3(stream);
    const TagLib::ByteVector frame = readAt(stream, audio, 4);
    if (starts(frame, 0, "fLaC"))
        return {Format::Flac, "audio/flac"};
    if (frame.size() >= 4 && byteAt(frame, 0) == 0xFF && (byteAt(frame, 1) & 0xE0) == 0xE0) {
        // Layer bits 00 are reserved in MPEG audio; ADTS uses them for AAC.
        const unsigned layer = (byteAt(frame, 1) >> 1) & 0x3;
        const unsigned version = (byteAt(frame, 1) >> 3) & 0x3;
        if (layer == 0 && (byteAt(frame, 1) & 0xF0) == 0xF0)
            return {Format::Adts, "audio/aac"};
        if (layer != 0 && version != 1)
            return {Format::Mpeg, "audio/mpeg"};
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

} // namespace

MediaInfo Media_Read(const std::string& path) {
    MediaInfo info;
    // Non-blocking, so that a pipe or a device met under the name cannot hold the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        info.error = system_error(errno).error;
        return info;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        info.error = "not a regular file";
        return info;
    }
    info.length = st.st_size;
    TagLib::FileStream stream(fd, true); // closes fd from here on
    if (!stream.isOpen()) {
        ::close(fd);
        info.error = "the file cannot be read";
        return info;
    }
    const Sniffed sniffed = sniff(stream);
    info.type = sniffed.type;
    stream.seek(0);
    const std::unique_ptr<TagLib::File> file = open(sniffed.format, &stream);
    const TagLib::AudioProperties* properties =
        file && file->isValid() ? file->audioProperties() : nullptr;
    if (file && file->isValid() && file->tag() != nullptr)
        info.title = file->tag()->title().to8Bit(true);
    const int ms = properties ? properties->lengthInMilliseconds() : 0;
    if (ms <= 0) {
        info.error = sniffed.format == Format::Unknown ? "not a media file the program knows"
                                                       : "no playing time could be read";
        return info;
    }
    info.seconds = (static_cast<std::int64_t>(ms) + 500) / 1000;
    return info;
}

std::string Media_Duration(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

MediaRefreshResult Media_Refresh(Doc& doc, const Paths& paths, const MediaProgress& progress) {
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
                const MediaInfo info = Media_Read(path);
                // Any enclosure has a length, a document or a picture too.
                const auto length = static_cast<std::int64_t>(size);
                std::string duration = feed.FeedDuration;
                if (info.ok())
                    duration = Media_Duration(info.seconds);
                else
                    ++result.unreadable;
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
