#include "core/project_format.h"

#include "core/text.h"
#include "core/version.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace qp {

namespace {

constexpr char kLineBreak = '\x11';
constexpr std::string_view kEol = "\r\n";

// Line breaks of any kind become 0x11 (a CR LF or LF CR pair counts once) and TABs go, so a value
// stays on its line and the first TAB always ends the tag. One pass gives the same result as
// replacing CR LF, then LF CR, then CR, then LF in turn.
void put_encoded(std::string& out, std::string_view v) {
    const std::size_t n = v.size();
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < n) {
        const char c = v[i];
        if (c != '\r' && c != '\n' && c != '\t') {
            ++i;
            continue;
        }
        out.append(v.data() + run, i - run);
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
        run = i;
    }
    out.append(v.data() + run, n - run);
}

void put_text(std::string& out, std::string_view tag, std::string_view value) {
    out += tag;
    out += '\t';
    put_encoded(out, value);
    out += kEol;
}

void put_int(std::string& out, std::string_view tag, std::int64_t value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out += tag;
    out += '\t';
    out.append(buf, res.ptr);
    out += kEol;
}

std::size_t text_size(const Doc& doc) {
    std::size_t n = doc.Copyright.size() + doc.FormatDate.size() + doc.Desc.size() +
                    doc.WebMaster.size() + doc.ImageLink.size() + doc.ImageTitle.size() +
                    doc.ImageUrl.size() + doc.Lang.size() + doc.Link.size() + doc.RssName.size() +
                    doc.Format.size() + doc.Title.size() + doc.Client.size() + doc.User.size() +
                    doc.PathFTP.size() + doc.Category.size() + doc.iTunesAuthor.size() +
                    doc.iTunesKeyword.size() + doc.iTunesMail.size() + doc.iTunesSubTitle.size() +
                    doc.iTunesSummary.size() + 600;
    for (const Feed& f : doc.Feeds)
        n += f.FeedTitle.size() + f.FeedDesc.size() + f.FeedLink.size() + f.FeedGUID.size() +
             f.FeedFile.size() + f.FeedFileType.size() + f.FeedFileOnFTP.size() +
             f.FeedAuthor.size() + f.FeedCategory.size() + f.FeedComments.size() + 320;
    return n;
}

enum class Tag {
    Copyright,
    FormatDate,
    TimeZone,
    Desc,
    WebMaster,
    ImageLink,
    ImageTitle,
    ImageUrl,
    Flag,
    Lang,
    LastBuildDate,
    Link,
    RssName,
    Format,
    Title,
    Client,
    Port,
    User,
    PathFTP,
    MaxFeed,
    TTL,
    Category,
    iTunesAuthor,
    iTunesKeyword,
    iTunesMail,
    iTunesSubTitle,
    iTunesSummary,
    FeedTitle,
    FeedDesc,
    FeedPubDate,
    FeedLink,
    FeedGUID,
    FeedFile,
    FeedFileLength,
    FeedFileType,
    FeedFileOnFTP,
    FeedAuthor,
    FeedCategory,
    FeedFlag,
    FeedComments,
};

const std::unordered_map<std::string_view, Tag>& tag_table() {
    static const std::unordered_map<std::string_view, Tag> table = {
        {"@Copyright:@", Tag::Copyright},
        {"@FormatDate:@", Tag::FormatDate},
        {"@TimeZone:@", Tag::TimeZone},
        {"@Desc:@", Tag::Desc},
        {"@WebMaster:@", Tag::WebMaster},
        {"@ImageLink:@", Tag::ImageLink},
        {"@ImageTitle:@", Tag::ImageTitle},
        {"@ImageUrl:@", Tag::ImageUrl},
        {"@Flag:@", Tag::Flag},
        {"@Lang:@", Tag::Lang},
        {"@LastBuildDate:@", Tag::LastBuildDate},
        {"@Link:@", Tag::Link},
        {"@RssName:@", Tag::RssName},
        {"@Format:@", Tag::Format},
        {"@Title:@", Tag::Title},
        {"@Client:@", Tag::Client},
        {"@Port:@", Tag::Port},
        {"@User:@", Tag::User},
        {"@PathFTP:@", Tag::PathFTP},
        {"@MaxFeed:@", Tag::MaxFeed},
        {"@TTL:@", Tag::TTL},
        {"@Category:@", Tag::Category},
        {"@iTunesAuthor:@", Tag::iTunesAuthor},
        {"@iTunesKeyword:@", Tag::iTunesKeyword},
        {"@iTunesMail:@", Tag::iTunesMail},
        {"@iTunesSubTitle:@", Tag::iTunesSubTitle},
        {"@iTunesSummary:@", Tag::iTunesSummary},
        {"@FeedTitle:@", Tag::FeedTitle},
        {"@FeedDesc:@", Tag::FeedDesc},
        {"@FeedPubDate:@", Tag::FeedPubDate},
        {"@FeedLink:@", Tag::FeedLink},
        {"@FeedGUID:@", Tag::FeedGUID},
        {"@FeedFile:@", Tag::FeedFile},
        {"@FeedFileLength:@", Tag::FeedFileLength},
        {"@FeedFileType:@", Tag::FeedFileType},
        {"@FeedFileOnFTP:@", Tag::FeedFileOnFTP},
        {"@FeedAuthor:@", Tag::FeedAuthor},
        {"@FeedCategory:@", Tag::FeedCategory},
        {"@FeedFlag:@", Tag::FeedFlag},
        {"@FeedComments:@", Tag::FeedComments},
    };
    return table;
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

// Stores one document line; false when the tag belongs to a feed.
bool store_doc_value(Doc& doc, Tag tag, std::string_view v) {
    switch (tag) {
    case Tag::Copyright:
        assign_decoded(doc.Copyright, v);
        break;
    case Tag::FormatDate:
        doc.FormatDate = trim_spaces(decoded(v));
        break;
    case Tag::TimeZone:
        doc.TimeZone = parse_leading_int32(v);
        break;
    case Tag::Desc:
        assign_decoded(doc.Desc, v);
        break;
    case Tag::WebMaster:
        assign_decoded(doc.WebMaster, v);
        break;
    case Tag::ImageLink:
        doc.ImageLink = Text_CleanPath(decoded(v));
        break;
    case Tag::ImageTitle:
        assign_decoded(doc.ImageTitle, v);
        break;
    case Tag::ImageUrl:
        doc.ImageUrl = Text_CleanPath(decoded(v));
        break;
    case Tag::Flag:
        doc.Flag = parse_leading_int32(v);
        break;
    case Tag::Lang:
        assign_decoded(doc.Lang, v);
        break;
    case Tag::LastBuildDate:
        doc.LastBuildDate = parse_leading_int64(v);
        break;
    case Tag::Link:
        doc.Link = Text_CleanPath(decoded(v));
        break;
    case Tag::RssName:
        doc.RssName = Text_CleanFileName(decoded(v), false);
        break;
    // RSS 2.0 is the only output, so any stated format reads as it. An empty value stays empty,
    // like a missing line, so a document without a format keeps its RSS file name across saves.
    case Tag::Format:
        doc.Format = v.empty() ? "" : "RssV2";
        break;
    case Tag::Title:
        assign_decoded(doc.Title, v);
        break;
    case Tag::Client:
        assign_decoded(doc.Client, v);
        break;
    case Tag::Port:
        doc.Port = parse_leading_int32(v);
        break;
    case Tag::User:
        assign_decoded(doc.User, v);
        break;
    case Tag::PathFTP:
        assign_decoded(doc.PathFTP, v);
        break;
    case Tag::MaxFeed:
        doc.MaxFeed = parse_leading_int32(v);
        break;
    case Tag::TTL:
        doc.TTL = parse_leading_int32(v);
        break;
    case Tag::Category:
        assign_decoded(doc.Category, v);
        break;
    case Tag::iTunesAuthor:
        assign_decoded(doc.iTunesAuthor, v);
        break;
    case Tag::iTunesKeyword:
        assign_decoded(doc.iTunesKeyword, v);
        break;
    case Tag::iTunesMail:
        assign_decoded(doc.iTunesMail, v);
        break;
    case Tag::iTunesSubTitle:
        assign_decoded(doc.iTunesSubTitle, v);
        break;
    case Tag::iTunesSummary:
        assign_decoded(doc.iTunesSummary, v);
        break;
    default:
        return false;
    }
    return true;
}

void store_feed_value(Feed& feed, Tag tag, std::string_view v) {
    switch (tag) {
    case Tag::FeedTitle:
        assign_decoded(feed.FeedTitle, v);
        break;
    case Tag::FeedDesc:
        assign_decoded(feed.FeedDesc, v);
        break;
    case Tag::FeedPubDate:
        feed.FeedPubDate = parse_leading_int64(v);
        break;
    case Tag::FeedLink:
        feed.FeedLink = Text_CleanPath(decoded(v));
        break;
    case Tag::FeedGUID:
        assign_decoded(feed.FeedGUID, v);
        break;
    case Tag::FeedFile:
        assign_decoded(feed.FeedFile, v);
        break;
    case Tag::FeedFileLength:
        feed.FeedFileLength = parse_leading_int64(v);
        break;
    case Tag::FeedFileType:
        assign_decoded(feed.FeedFileType, v);
        break;
    case Tag::FeedFileOnFTP:
        assign_decoded(feed.FeedFileOnFTP, v);
        break;
    case Tag::FeedAuthor:
        assign_decoded(feed.FeedAuthor, v);
        break;
    case Tag::FeedCategory:
        assign_decoded(feed.FeedCategory, v);
        break;
    case Tag::FeedFlag:
        feed.FeedFlag = parse_leading_int32(v);
        break;
    case Tag::FeedComments:
        feed.FeedComments = Text_CleanPath(decoded(v));
        break;
    default:
        break;
    }
}

} // namespace

std::string FormatProject(const Doc& doc) {
    std::string out;
    out.reserve(text_size(doc));
    out += "; ";
    out += kProgramNameVersion;
    out += kEol;
    put_text(out, "@Copyright:@", doc.Copyright);
    put_text(out, "@FormatDate:@", doc.FormatDate);
    put_int(out, "@TimeZone:@", doc.TimeZone);
    put_text(out, "@Desc:@", doc.Desc);
    put_text(out, "@WebMaster:@", doc.WebMaster);
    put_text(out, "@ImageLink:@", doc.ImageLink);
    put_text(out, "@ImageTitle:@", doc.ImageTitle);
    put_text(out, "@ImageUrl:@", doc.ImageUrl);
    put_int(out, "@Flag:@", doc.Flag);
    put_text(out, "@Lang:@", doc.Lang);
    put_int(out, "@LastBuildDate:@", doc.LastBuildDate);
    put_text(out, "@Link:@", doc.Link);
    put_text(out, "@RssName:@", doc.RssName);
    put_text(out, "@Format:@", doc.Format);
    put_text(out, "@Title:@", doc.Title);
    put_text(out, "@Client:@", doc.Client);
    put_int(out, "@Port:@", doc.Port);
    put_text(out, "@User:@", doc.User);
    put_text(out, "@PathFTP:@", doc.PathFTP);
    put_int(out, "@MaxFeed:@", doc.MaxFeed);
    put_int(out, "@TTL:@", doc.TTL);
    put_text(out, "@Category:@", doc.Category);
    put_text(out, "@iTunesAuthor:@", doc.iTunesAuthor);
    put_text(out, "@iTunesKeyword:@", doc.iTunesKeyword);
    put_text(out, "@iTunesMail:@", doc.iTunesMail);
    put_text(out, "@iTunesSubTitle:@", doc.iTunesSubTitle);
    put_text(out, "@iTunesSummary:@", doc.iTunesSummary);
    out += kEol;
    std::size_t index = 0;
    for (const Feed& f : doc.Feeds) {
        char buf[24];
        const auto res = std::to_chars(buf, buf + sizeof buf, index++);
        out += "; Feed ";
        out.append(buf, res.ptr);
        out += kEol;
        put_text(out, "@FeedTitle:@", f.FeedTitle);
        put_text(out, "@FeedDesc:@", f.FeedDesc);
        put_int(out, "@FeedPubDate:@", f.FeedPubDate);
        put_text(out, "@FeedLink:@", f.FeedLink);
        put_text(out, "@FeedGUID:@", f.FeedGUID);
        put_text(out, "@FeedFile:@", f.FeedFile);
        put_int(out, "@FeedFileLength:@", f.FeedFileLength);
        put_text(out, "@FeedFileType:@", f.FeedFileType);
        put_text(out, "@FeedFileOnFTP:@", f.FeedFileOnFTP);
        put_text(out, "@FeedAuthor:@", f.FeedAuthor);
        put_text(out, "@FeedCategory:@", f.FeedCategory);
        put_int(out, "@FeedFlag:@", f.FeedFlag);
        put_text(out, "@FeedComments:@", f.FeedComments);
    }
    return encode_text_file(out);
}

std::size_t ParseProject(Doc& doc, std::string_view bytes) {
    const std::string text = decode_text_file(bytes);
    const auto& table = tag_table();
    Feed* feed = nullptr;
    std::size_t recognised = 0;
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
        const std::string_view name = line.substr(0, tab);
        const auto it = table.find(name);
        if (it == table.end())
            continue;
        ++recognised;
        const std::string_view value =
            tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        if (it->second == Tag::FeedTitle) {
            doc.Feeds.emplace_back();
            feed = &doc.Feeds.back();
            doc.CurrentFeed = static_cast<int>(doc.Feeds.size()) - 1;
        }
        if (store_doc_value(doc, it->second, value))
            continue;
        if (feed)
            store_feed_value(*feed, it->second, value);
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
