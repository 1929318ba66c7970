#include "core/project_format.h"

#include "core/byte_scan.h"
#include "core/text.h"
#include "core/version.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <variant>

namespace qp {

namespace {

constexpr char kLineBreak = '\x11';
constexpr std::string_view kEol = "\r\n";

// How a line's value is read. Every text is written encoded and every number in decimal.
enum class Read {
    Text,     // as it stands
    Path,     // through Text_CleanPath
    FileName, // through Text_CleanFileName, the file part only
    Trimmed,  // spaces trimmed at both ends
    // RSS 2.0 is the only output, so any stated format reads as it. An empty value stays empty,
    // like a missing line, so a document without a format keeps its RSS file name across saves.
    Format,
    Number,
    // The publishing protocol: anything but the program's own numbers reads as the secured one,
    // never as plain FTP, and is kept for the next save.
    Protocol,
    // One entry of a list a line, appended: its members separated by TABs, which the encoding
    // takes out of every value.
    List,
};

// One line of the file: its tag, how its value is read, and the member it holds.
// An optional line is written only when its value is not empty or 0, so a document that does not
// use it keeps the bytes it always had.
enum class Line { Always, Optional };

// How the entries of one list are written, read and measured.
template <typename Record> struct ListOps {
    void (*put)(std::string& out, std::string_view tag, const Record& record);
    void (*append)(Record& record, std::string_view value);
    std::size_t (*size)(const Record& record);
    bool (*ascii)(const Record& record);
};

template <typename Record> struct Field {
    constexpr Field(std::string_view t, Read r, std::string Record::*m, Line l = Line::Always)
        : tag(t), read(r), line(l), text(m) {}
    constexpr Field(std::string_view t, int Record::*m, Line l = Line::Always)
        : tag(t), read(Read::Number), line(l), int32(m) {}
    constexpr Field(std::string_view t, Read r, int Record::*m, Line l)
        : tag(t), read(r), line(l), int32(m) {}
    constexpr Field(std::string_view t, std::int64_t Record::*m)
        : tag(t), read(Read::Number), int64(m) {}
    constexpr Field(std::string_view t, qp::Protocol Record::*m, Line l)
        : tag(t), read(Read::Protocol), line(l), protocol(m) {}
    constexpr Field(std::string_view t, const ListOps<Record>* ops)
        : tag(t), read(Read::List), line(Line::Optional), list(ops) {}

    std::string_view tag;
    Read read;
    Line line = Line::Always;
    std::string Record::*text = nullptr;
    int Record::*int32 = nullptr;
    std::int64_t Record::*int64 = nullptr;
    qp::Protocol Record::*protocol = nullptr;
    const ListOps<Record>* list = nullptr;
};

// The members of a list's entry, in the order its line holds them. A number that does not read
// as one is 0; so is a negative or infinite number of seconds.
template <typename T>
using Member = std::variant<std::string T::*, int T::*, std::int64_t T::*, double T::*>;

template <typename T> struct Members;
template <> struct Members<Chapter> {
    static constexpr Member<Chapter> kAll[] = {&Chapter::StartTime, &Chapter::Title,
                                               &Chapter::Image, &Chapter::Url};
};
template <> struct Members<Transcript> {
    static constexpr Member<Transcript> kAll[] = {&Transcript::File, &Transcript::Url,
                                                  &Transcript::Type, &Transcript::Language,
                                                  &Transcript::Captions};
};
template <> struct Members<Person> {
    static constexpr Member<Person> kAll[] = {&Person::Name, &Person::Role, &Person::Group,
                                              &Person::Image, &Person::Href};
};
template <> struct Members<Soundbite> {
    static constexpr Member<Soundbite> kAll[] = {&Soundbite::StartTime, &Soundbite::Duration,
                                                 &Soundbite::Title};
};
template <> struct Members<AlternateEnclosure> {
    using A = AlternateEnclosure;
    static constexpr Member<A> kAll[] = {&A::Type,    &A::Length, &A::Bitrate, &A::Height,
                                         &A::Lang,    &A::Title,  &A::Rel,     &A::Codecs,
                                         &A::Default, &A::File,   &A::Url};
};
template <> struct Members<ValueRecipient> {
    using V = ValueRecipient;
    static constexpr Member<V> kAll[] = {&V::Name, &V::Type,      &V::Address,    &V::Split,
                                         &V::Fee,  &V::CustomKey, &V::CustomValue};
};
template <> struct Members<ValueTimeSplit> {
    using V = ValueTimeSplit;
    static constexpr Member<V> kAll[] = {&V::StartTime,       &V::Duration, &V::RemotePercentage,
                                         &V::RemoteStartTime, &V::FeedGuid, &V::FeedUrl,
                                         &V::ItemGuid};
};
template <> struct Members<Trailer> {
    static constexpr Member<Trailer> kAll[] = {&Trailer::Title,  &Trailer::Url,  &Trailer::PubDate,
                                               &Trailer::Length, &Trailer::Type, &Trailer::Season};
};
template <> struct Members<FeedText> {
    static constexpr Member<FeedText> kAll[] = {&FeedText::Purpose, &FeedText::Text};
};
template <> struct Members<ServiceBlock> {
    static constexpr Member<ServiceBlock> kAll[] = {&ServiceBlock::Service, &ServiceBlock::Blocked};
};
template <> struct Members<RemoteItem> {
    static constexpr Member<RemoteItem> kAll[] = {&RemoteItem::FeedGuid, &RemoteItem::FeedUrl,
                                                  &RemoteItem::ItemGuid, &RemoteItem::Medium,
                                                  &RemoteItem::Title};
};

void put_encoded(std::string& out, std::string_view v);
void put_decimal(std::string& out, std::int64_t value);
void put_seconds(std::string& out, double value);
void assign_decoded(std::string& dst, std::string_view v);

template <typename T> void put_entry(std::string& out, std::string_view tag, const T& entry) {
    out += tag;
    for (const Member<T>& m : Members<T>::kAll) {
        out += '\t';
        if (const auto* text = std::get_if<std::string T::*>(&m))
            put_encoded(out, entry.**text);
        else if (const auto* int32 = std::get_if<int T::*>(&m))
            put_decimal(out, entry.**int32);
        else if (const auto* int64 = std::get_if<std::int64_t T::*>(&m))
            put_decimal(out, entry.**int64);
        else
            put_seconds(out, entry.*std::get<double T::*>(m));
    }
    out += kEol;
}

template <typename T> T entry_of(std::string_view v) {
    T entry;
    bool more = true;
    for (const Member<T>& m : Members<T>::kAll) {
        if (!more)
            break;
        const std::size_t tab = v.find('\t');
        const std::string_view value = v.substr(0, tab);
        more = tab != std::string_view::npos;
        if (more)
            v.remove_prefix(tab + 1);
        if (const auto* text = std::get_if<std::string T::*>(&m)) {
            assign_decoded(entry.**text, value);
        } else if (const auto* int32 = std::get_if<int T::*>(&m)) {
            entry.** int32 = parse_leading_int32(value);
        } else if (const auto* int64 = std::get_if<std::int64_t T::*>(&m)) {
            entry.** int64 = parse_leading_int64(value);
        } else {
            double seconds = 0;
            const auto res = std::from_chars(value.data(), value.data() + value.size(), seconds);
            entry.*std::get<double T::*>(m) =
                res.ec == std::errc() && std::isfinite(seconds) && seconds > 0 ? seconds : 0;
        }
    }
    return entry;
}

template <typename Record, auto List> struct ListOf {
    using T = typename std::remove_reference_t<decltype(std::declval<Record>().*List)>::value_type;
    static void put(std::string& out, std::string_view tag, const Record& record) {
        for (const T& entry : record.*List)
            put_entry(out, tag, entry);
    }
    static void append(Record& record, std::string_view value) {
        (record.*List).push_back(entry_of<T>(value));
    }
    static std::size_t size(const Record& record) {
        std::size_t n = 0;
        for (const T& entry : record.*List) {
            n += 48 + 24 * std::size(Members<T>::kAll); // the tag within 48
            for (const Member<T>& m : Members<T>::kAll)
                if (const auto* text = std::get_if<std::string T::*>(&m))
                    n += (entry.**text).size();
        }
        return n;
    }
    static bool ascii(const Record& record) {
        for (const T& entry : record.*List)
            for (const Member<T>& m : Members<T>::kAll)
                if (const auto* text = std::get_if<std::string T::*>(&m);
                    text && !is_ascii(entry.**text))
                    return false;
        return true;
    }
    static constexpr ListOps<Record> kOps{&put, &append, &size, &ascii};
};

template <typename Record, auto List> constexpr const ListOps<Record>* list_of() {
    return &ListOf<Record, List>::kOps;
}

// The document's lines, in the order they are written.
constexpr Field<Doc> kDocFields[] = {
    {"@Copyright:@", Read::Text, &Doc::Copyright},
    {"@FormatDate:@", Read::Trimmed, &Doc::FormatDate},
    {"@TimeZone:@", &Doc::TimeZone},
    {"@Desc:@", Read::Text, &Doc::Desc},
    {"@WebMaster:@", Read::Text, &Doc::WebMaster},
    {"@ImageLink:@", Read::Path, &Doc::ImageLink},
    {"@ImageTitle:@", Read::Text, &Doc::ImageTitle},
    {"@ImageUrl:@", Read::Path, &Doc::ImageUrl},
    {"@Flag:@", &Doc::Flag},
    {"@Lang:@", Read::Text, &Doc::Lang},
    {"@LastBuildDate:@", &Doc::LastBuildDate},
    {"@Link:@", Read::Path, &Doc::Link},
    {"@RssName:@", Read::FileName, &Doc::RssName},
    {"@Format:@", Read::Format, &Doc::Format},
    {"@Title:@", Read::Text, &Doc::Title},
    {"@Client:@", Read::Text, &Doc::Client},
    {"@Port:@", &Doc::Port},
    {"@User:@", Read::Text, &Doc::User},
    {"@PathFTP:@", Read::Text, &Doc::PathFTP},
    {"@MaxFeed:@", &Doc::MaxFeed},
    {"@TTL:@", &Doc::TTL},
    {"@Category:@", Read::Text, &Doc::Category},
    {"@iTunesAuthor:@", Read::Text, &Doc::iTunesAuthor},
    {"@iTunesKeyword:@", Read::Text, &Doc::iTunesKeyword},
    {"@iTunesMail:@", Read::Text, &Doc::iTunesMail},
    {"@iTunesSubTitle:@", Read::Text, &Doc::iTunesSubTitle},
    {"@iTunesSummary:@", Read::Text, &Doc::iTunesSummary},
    {"@iTunesCategory:@", Read::Text, &Doc::iTunesCategory, Line::Optional},
    {"@iTunesSubCategory:@", Read::Text, &Doc::iTunesSubCategory, Line::Optional},
    {"@iTunesExplicit:@", Read::Text, &Doc::iTunesExplicit, Line::Optional},
    {"@iTunesType:@", Read::Text, &Doc::iTunesType, Line::Optional},
    {"@iTunesOwnerName:@", Read::Text, &Doc::iTunesOwnerName, Line::Optional},
    {"@iTunesNewFeedUrl:@", Read::Text, &Doc::iTunesNewFeedUrl, Line::Optional},
    {"@iTunesBlock:@", &Doc::iTunesBlock, Line::Optional},
    {"@iTunesComplete:@", &Doc::iTunesComplete, Line::Optional},
    {"@PodcastLocked:@", Read::Text, &Doc::PodcastLocked, Line::Optional},
    {"@PodcastLockedOwner:@", Read::Text, &Doc::PodcastLockedOwner, Line::Optional},
    {"@PodcastFundingUrl:@", Read::Text, &Doc::PodcastFundingUrl, Line::Optional},
    {"@PodcastFundingText:@", Read::Text, &Doc::PodcastFundingText, Line::Optional},
    {"@Protocol:@", &Doc::Protocol, Line::Optional},
    {"@ImageFile:@", Read::Text, &Doc::ImageFile, Line::Optional},
    {"@ProjectPrivate:@", &Doc::ProjectPrivate, Line::Optional},
    {"@PodcastGuid:@", Read::Trimmed, &Doc::PodcastGuid, Line::Optional},
    {"@ExtraXml:@", Read::Text, &Doc::ExtraXml, Line::Optional},
    {"@S3Region:@", Read::Trimmed, &Doc::S3Region, Line::Optional},
    {"@S3Bucket:@", Read::Trimmed, &Doc::S3Bucket, Line::Optional},
    {"@S3PathStyle:@", &Doc::S3PathStyle, Line::Optional},
    {"@CacheFeed:@", Read::Text, &Doc::CacheFeed, Line::Optional},
    {"@CacheMedia:@", Read::Text, &Doc::CacheMedia, Line::Optional},
    {"@WebSubHub:@", Read::Text, &Doc::WebSubHub, Line::Optional},
    {"@NotifyDirectories:@", &Doc::NotifyDirectories, Line::Optional},
    {"@MeasurePrefix:@", Read::Text, &Doc::MeasurePrefix, Line::Optional},
    {"@Person:@", list_of<Doc, &Doc::Persons>()},
    {"@Location:@", Read::Text, &Doc::Location, Line::Optional},
    {"@LocationGeo:@", Read::Trimmed, &Doc::LocationGeo, Line::Optional},
    {"@LocationOsm:@", Read::Trimmed, &Doc::LocationOsm, Line::Optional},
    {"@Trailer:@", list_of<Doc, &Doc::Trailers>()},
    {"@License:@", Read::Text, &Doc::License, Line::Optional},
    {"@LicenseUrl:@", Read::Text, &Doc::LicenseUrl, Line::Optional},
    {"@Medium:@", Read::Trimmed, &Doc::Medium, Line::Optional},
    {"@UpdateFrequency:@", Read::Text, &Doc::UpdateFrequency, Line::Optional},
    {"@UpdateFrequencyRule:@", Read::Trimmed, &Doc::UpdateFrequencyRule, Line::Optional},
    {"@UpdateFrequencyStart:@", Read::Trimmed, &Doc::UpdateFrequencyStart, Line::Optional},
    {"@UpdateFrequencyComplete:@", &Doc::UpdateFrequencyComplete, Line::Optional},
    {"@Txt:@", list_of<Doc, &Doc::Texts>()},
    {"@Block:@", list_of<Doc, &Doc::Blocks>()},
    {"@Podroll:@", list_of<Doc, &Doc::Podroll>()},
    {"@ValueType:@", Read::Trimmed, &Doc::ValueType, Line::Optional},
    {"@ValueMethod:@", Read::Trimmed, &Doc::ValueMethod, Line::Optional},
    {"@ValueSuggested:@", Read::Trimmed, &Doc::ValueSuggested, Line::Optional},
    {"@ValueRecipient:@", list_of<Doc, &Doc::ValueRecipients>()},
};

// A feed's lines, in the order they are written; the first one opens a new feed when read.
constexpr Field<Feed> kFeedFields[] = {
    {"@FeedTitle:@", Read::Text, &Feed::FeedTitle},
    {"@FeedDesc:@", Read::Text, &Feed::FeedDesc},
    {"@FeedPubDate:@", &Feed::FeedPubDate},
    {"@FeedLink:@", Read::Path, &Feed::FeedLink},
    {"@FeedGUID:@", Read::Text, &Feed::FeedGUID},
    {"@FeedFile:@", Read::Text, &Feed::FeedFile},
    {"@FeedFileLength:@", &Feed::FeedFileLength},
    {"@FeedFileType:@", Read::Text, &Feed::FeedFileType},
    {"@FeedFileOnFTP:@", Read::Text, &Feed::FeedFileOnFTP},
    {"@FeedAuthor:@", Read::Text, &Feed::FeedAuthor},
    {"@FeedCategory:@", Read::Text, &Feed::FeedCategory},
    {"@FeedFlag:@", &Feed::FeedFlag},
    {"@FeedComments:@", Read::Path, &Feed::FeedComments},
    {"@FeedDuration:@", Read::Text, &Feed::FeedDuration, Line::Optional},
    {"@FeedSubTitle:@", Read::Text, &Feed::FeedSubTitle, Line::Optional},
    {"@FeedSummary:@", Read::Text, &Feed::FeedSummary, Line::Optional},
    {"@FeedKeyword:@", Read::Text, &Feed::FeedKeyword, Line::Optional},
    {"@FeedEpisode:@", &Feed::FeedEpisode, Line::Optional},
    {"@FeedSeason:@", &Feed::FeedSeason, Line::Optional},
    {"@FeedEpisodeType:@", Read::Text, &Feed::FeedEpisodeType, Line::Optional},
    {"@FeedExplicit:@", Read::Text, &Feed::FeedExplicit, Line::Optional},
    {"@FeedImage:@", Read::Text, &Feed::FeedImage, Line::Optional},
    {"@FeedTranscriptUrl:@", Read::Text, &Feed::FeedTranscriptUrl, Line::Optional},
    {"@FeedTranscriptType:@", Read::Text, &Feed::FeedTranscriptType, Line::Optional},
    {"@FeedExtraXml:@", Read::Text, &Feed::FeedExtraXml, Line::Optional},
    {"@FeedChaptersUrl:@", Read::Text, &Feed::FeedChaptersUrl, Line::Optional},
    {"@FeedChapter:@", list_of<Feed, &Feed::FeedChapters>()},
    {"@FeedTranscript:@", list_of<Feed, &Feed::FeedTranscripts>()},
    {"@FeedPerson:@", list_of<Feed, &Feed::FeedPersons>()},
    {"@FeedLocation:@", Read::Text, &Feed::FeedLocation, Line::Optional},
    {"@FeedLocationGeo:@", Read::Trimmed, &Feed::FeedLocationGeo, Line::Optional},
    {"@FeedLocationOsm:@", Read::Trimmed, &Feed::FeedLocationOsm, Line::Optional},
    {"@FeedSeasonName:@", Read::Text, &Feed::FeedSeasonName, Line::Optional},
    {"@FeedEpisodeDisplay:@", Read::Text, &Feed::FeedEpisodeDisplay, Line::Optional},
    {"@FeedItunesTitle:@", Read::Text, &Feed::FeedItunesTitle, Line::Optional},
    {"@FeedSoundbite:@", list_of<Feed, &Feed::FeedSoundbites>()},
    {"@FeedAlternate:@", list_of<Feed, &Feed::FeedAlternates>()},
    {"@FeedContent:@", Read::Text, &Feed::FeedContent, Line::Optional},
    {"@FeedValueRecipient:@", list_of<Feed, &Feed::FeedValueRecipients>()},
    {"@FeedValueSplit:@", list_of<Feed, &Feed::FeedValueSplits>()},
};

constexpr std::size_t kDocCount = std::size(kDocFields);
constexpr std::size_t kFieldCount = kDocCount + std::size(kFeedFields);

std::string_view tag_of(std::size_t k) {
    return k < kDocCount ? kDocFields[k].tag : kFeedFields[k - kDocCount].tag;
}

// Position of a tag in the two tables taken as one, or kFieldCount. A file in the writer's
// layout holds the tags in table order, so the one after the last match is tried first.
std::size_t find_field(std::string_view name, std::size_t expected) {
    if (expected < kFieldCount && tag_of(expected) == name)
        return expected;
    for (std::size_t k = 0; k < kFieldCount; ++k)
        if (tag_of(k) == name)
            return k;
    return kFieldCount;
}

// Line breaks of any kind become 0x11 (a CR LF or LF CR pair counts once) and TABs go, so a value
// stays on its line and the first TAB always ends the tag. One pass gives the same result as
// replacing CR LF, then LF CR, then CR, then LF in turn.
void put_encoded(std::string& out, std::string_view v) {
    constexpr auto kBreakOrTab = [](auto c) { return (c == '\t') | (c == '\n') | (c == '\r'); };
    const std::size_t n = v.size();
    std::size_t run = 0;
    for (std::size_t i = 0; (i = find_byte_if(v, i, kBreakOrTab)) < n; run = i) {
        out.append(v.data() + run, i - run);
        const char c = v[i];
        if (c == '\t') {
            ++i;
        } else if (c == '\r') {
            i += (i + 1 < n && v[i + 1] == '\n') ? 2 : 1;
            out += kLineBreak;
        } else {
            // An LF CR pair counts once unless its CR starts a CR LF pair.
            const bool pair = i + 1 < n && v[i + 1] == '\r' && !(i + 2 < n && v[i + 2] == '\n');
            i += pair ? 2 : 1;
            out += kLineBreak;
        }
    }
    out.append(v.data() + run, n - run);
}

void put_decimal(std::string& out, std::int64_t value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

// The shortest decimal form that reads back as the same number.
void put_seconds(std::string& out, double value) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

template <typename Record>
void put_fields(std::string& out, const Record& record, std::span<const Field<Record>> fields) {
    for (const Field<Record>& f : fields) {
        if (f.list) {
            f.list->put(out, f.tag, record);
            continue;
        }
        if constexpr (std::is_same_v<Record, Doc>) {
            if (f.read == Read::Protocol && !record.ProtocolText.empty() &&
                record.Protocol == Protocol::Ftps) {
                out += f.tag;
                out += '\t';
                put_encoded(out, record.ProtocolText);
                out += kEol;
                continue;
            }
        }
        const std::int64_t number = f.text       ? 0
                                    : f.int32    ? record.*f.int32
                                    : f.protocol ? protocol_number(record.*f.protocol)
                                                 : record.*f.int64;
        if (f.line == Line::Optional && (f.text ? (record.*f.text).empty() : number == 0))
            continue;
        out += f.tag;
        out += '\t';
        if (f.text)
            put_encoded(out, record.*f.text);
        else
            put_decimal(out, number);
        out += kEol;
    }
}

// Bytes the lines of a record take at most, line breaks and numbers counted generously.
template <typename Record>
std::size_t fields_size(const Record& record, std::span<const Field<Record>> fields) {
    std::size_t n = 0;
    for (const Field<Record>& f : fields) {
        if (f.list) {
            n += f.list->size(record);
            continue;
        }
        n += f.tag.size() + 3 + (f.text ? (record.*f.text).size() : 20);
    }
    return n;
}

// 0x11 becomes CR LF. TABs are dropped as the writer drops them, so a value read from a
// hand-edited file is the one the next save keeps and the document reads back unchanged.
void assign_decoded(std::string& dst, std::string_view v) {
    dst.clear();
    if (v.empty())
        return;
    const char* p = v.data();
    const char* const end = p + v.size();
    if (std::memchr(p, '\t', v.size()) == nullptr) {
        // The usual case: only line breaks to expand, found by memchr.
        while (const void* hit = std::memchr(p, kLineBreak, static_cast<std::size_t>(end - p))) {
            const char* at = static_cast<const char*>(hit);
            dst.append(p, at);
            dst += kEol;
            p = at + 1;
        }
        dst.append(p, end);
        return;
    }
    for (; p < end; ++p) {
        if (*p == kLineBreak)
            dst += kEol;
        else if (*p != '\t')
            dst += *p;
    }
}

std::string decoded(std::string_view v) {
    std::string s;
    assign_decoded(s, v);
    return s;
}

template <typename Record> void store(Record& record, const Field<Record>& f, std::string_view v) {
    switch (f.read) {
    case Read::Text:
        assign_decoded(record.*f.text, v);
        break;
    case Read::Path:
        record.*f.text = Text_CleanPath(decoded(v));
        break;
    case Read::FileName:
        record.*f.text = Text_CleanFileName(decoded(v), false);
        break;
    case Read::Trimmed:
        record.*f.text = trim_spaces(decoded(v));
        break;
    case Read::Format:
        record.*f.text = v.empty() ? "" : "RssV2";
        break;
    case Read::Protocol:
        if constexpr (std::is_same_v<Record, Doc>) {
            if (v.size() == 1 && v[0] >= '0' && v[0] <= '4') {
                record.*f.protocol = protocol_from_number(v[0] - '0');
                record.ProtocolText.clear();
            } else {
                record.*f.protocol = Protocol::Ftps;
                assign_decoded(record.ProtocolText, v);
            }
        }
        break;
    case Read::List:
        f.list->append(record, v);
        break;
    case Read::Number:
        if (f.int32)
            record.*f.int32 = parse_leading_int32(v);
        else
            record.*f.int64 = parse_leading_int64(v);
        break;
    }
}

} // namespace

namespace {

void put_head(std::string& out, const Doc& doc) {
    out += "; ";
    out += kProgramNameVersion;
    out += kEol;
    put_fields<Doc>(out, doc, kDocFields);
    out += kEol;
}

void put_feed(std::string& out, const Feed& f, std::size_t index) {
    out += "; Feed ";
    put_decimal(out, static_cast<std::int64_t>(index));
    out += kEol;
    put_fields<Feed>(out, f, kFeedFields);
}

// The project's text in pieces of about kPieceBytes, each ending at a line end. Every piece ends
// with ASCII, so no character spans two and each converts alone as it would within the whole.
constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

template <typename Put> Status for_each_piece(const Doc& doc, std::string& piece, const Put& put) {
    piece.clear();
    put_head(piece, doc);
    std::size_t index = 0;
    for (const Feed& f : doc.Feeds) {
        if (piece.size() >= kPieceBytes) {
            if (Status s = put(std::string_view(piece)); !s.ok())
                return s;
            piece.clear();
        }
        put_feed(piece, f, index++);
    }
    return put(std::string_view(piece));
}

} // namespace

std::string format_project(const Doc& doc) {
    std::size_t size = 64 + fields_size<Doc>(doc, kDocFields);
    for (const Feed& f : doc.Feeds)
        size += 32 + fields_size<Feed>(f, kFeedFields);
    std::string out;
    out.reserve(size);
    put_head(out, doc);
    std::size_t index = 0;
    for (const Feed& f : doc.Feeds)
        put_feed(out, f, index++);
    return encode_text_file(std::move(out));
}

namespace {

// Whether every text the project holds is ASCII, read from the values themselves: the lines around
// them are ASCII, so the file is then ASCII too, without formatting it first.
template <typename Record>
bool texts_ascii(const Record& record, std::span<const Field<Record>> fields) {
    for (const Field<Record>& f : fields)
        if (f.text ? !is_ascii(record.*f.text) : f.list && !f.list->ascii(record))
            return false;
    return true;
}

bool project_ascii(const Doc& doc) {
    if (!is_ascii(doc.ProtocolText) || !texts_ascii<Doc>(doc, kDocFields))
        return false;
    return std::all_of(doc.Feeds.begin(), doc.Feeds.end(),
                       [](const Feed& f) { return texts_ascii<Feed>(f, kFeedFields); });
}

} // namespace

Status write_project(const Doc& doc, const std::function<Status(std::string_view)>& put) {
    std::string piece;
    if (project_ascii(doc))
        return for_each_piece(doc, piece, put);
    // encode_text_file's rule, decided over the whole text first: ASCII as it stands, Windows-1252
    // when every character has a form there and the narrowed bytes do not read as UTF-8, else
    // UTF-8 with the mark. The text starts with "; ", never with a mark.
    std::string narrowed;
    bool ascii = true;
    bool narrows = true;
    bool narrowed_reads_as_utf8 = true;
    (void)for_each_piece(doc, piece, [&](std::string_view p) -> Status {
        if (is_ascii(p))
            return {};
        ascii = false;
        if (narrows) {
            narrowed.assign(p);
            narrows = narrow_to_cp1252(narrowed);
            narrowed_reads_as_utf8 = narrowed_reads_as_utf8 && narrows && is_valid_utf8(narrowed);
        }
        return {};
    });
    if (ascii)
        return for_each_piece(doc, piece, put);
    if (narrows && !narrowed_reads_as_utf8)
        return for_each_piece(doc, piece, [&](std::string_view p) {
            narrowed.assign(p);
            (void)narrow_to_cp1252(narrowed);
            return put(narrowed);
        });
    if (Status s = put(kUtf8Bom); !s.ok())
        return s;
    return for_each_piece(doc, piece, [&](std::string_view p) {
        if (!narrows)
            return put(repair_utf8(p));
        narrowed.assign(p);
        (void)narrow_to_cp1252(narrowed);
        return put(cp1252_to_utf8(narrowed));
    });
}

std::size_t parse_project(Doc& doc, std::string_view bytes) {
    // A Windows-1252 file is converted one value at a time: the lines and tags are ASCII either
    // way, and no second copy of the whole file is made.
    const bool narrow = is_windows1252_file(bytes);
    std::string converted;
    const std::string_view text = narrow ? bytes : decode_text_file(bytes, converted);
    std::string wide;
    Feed* feed = nullptr;
    std::size_t recognised = 0;
    std::size_t expected = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    // The next CR and LF are each searched for once and kept until passed, so the text is
    // scanned with memchr rather than byte by byte.
    const char* next_cr = nullptr;
    const char* next_lf = nullptr;
    const auto find = [&](char c) {
        const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
        return hit ? static_cast<const char*>(hit) : end;
    };
    while (p < end) {
        if (next_cr == nullptr || next_cr < p)
            next_cr = find('\r');
        if (next_lf == nullptr || next_lf < p)
            next_lf = find('\n');
        const char* eol = std::min(next_cr, next_lf);
        const std::string_view line(p, static_cast<std::size_t>(eol - p));
        p = eol;
        if (p < end && *p++ == '\r' && p < end && *p == '\n')
            ++p;

        if (line.size() < 4 || line[0] != '@')
            continue;
        const std::size_t tab = line.find('\t');
        const std::size_t k = find_field(line.substr(0, tab), expected);
        if (k == kFieldCount)
            continue;
        ++recognised;
        // A list's lines come in runs.
        const bool repeats = k < kDocCount ? kDocFields[k].list != nullptr
                                           : kFeedFields[k - kDocCount].list != nullptr;
        expected = repeats ? k : k + 1 < kFieldCount ? k + 1 : kDocCount;
        std::string_view value =
            tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        if (narrow && !is_ascii(value)) {
            wide = cp1252_to_utf8(value);
            value = wide;
        }
        if (k < kDocCount) {
            store(doc, kDocFields[k], value);
            continue;
        }
        if (k == kDocCount) {
            doc.Feeds.emplace_back();
            feed = &doc.Feeds.back();
            doc.CurrentFeed = static_cast<int>(doc.Feeds.size()) - 1;
        }
        if (feed)
            store(*feed, kFeedFields[k - kDocCount], value);
    }
    if (doc.TTL > 14400)
        doc.TTL = 14400;
    else if (doc.TTL < 1)
        doc.TTL = 1;
    if (doc.TimeZone < -12 || doc.TimeZone > 12)
        doc.TimeZone = 99999;
    return recognised;
}

} // namespace qp
