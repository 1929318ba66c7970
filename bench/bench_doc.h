// The document the benchmarks share: 10,000 feeds of about 2 KB of text each, with special
// characters, line breaks and five link markups per feed, special-character conversion on.
#pragma once

#include "core/clock.h"
#include "core/document.h"

#include <array>
#include <string>
#include <string_view>

namespace qp::bench {

inline constexpr std::array<std::string_view, 6> kSentences = {
    "Cette semaine, l'\xC3\xA9quipe revient sur les nouveaut\xC3\xA9s du mois & les r\xC3\xA9"
    "actions des auditeurs. ",
    "Le prix passe de 10 \xE2\x82\xAC \xC3\xA0 12 \xE2\x82\xAC, \"une hausse modeste\" selon "
    "l'\xC3\xA9"
    "diteur (< 20 %). ",
    "We talk about caf\xC3\xA9 culture, na\xC3\xAF"
    "ve questions and the \xC2\xAB small \xC2\xBB "
    "things that make a show worth hearing. ",
    "Notes: 3 > 2, a & b, <tags> are written as text, and the \xC5\x93uvre complete is online. ",
    "Gr\xC3\xBC\xC3\x9F"
    "e an alle H\xC3\xB6rer, danke f\xC3\xBCr die Zuschriften und "
    "Kommentare. ",
    "Plain ASCII text keeps most of an episode summary short and readable for everyone. "};

inline std::string bench_feed_text(int n) {
    const std::string id = std::to_string(n);
    const std::array<std::string, 5> links = {
        "[our site pages/episode-" + id + ".html]", "[Cover pics/cover-" + id + ".jpg]",
        "[#part-" + id + "]", "[write to us mail" + id + "@example.org]",
        "[https://example.org/archive/" + id + "]"};
    std::string text;
    text.reserve(2200);
    for (std::size_t k = 0; text.size() < 2000; ++k) {
        text += kSentences[(static_cast<std::size_t>(n) + k) % kSentences.size()];
        if (k % 3 == 2)
            text += "\r\n";
        if (k % 2 == 1 && k / 2 < links.size()) {
            text += links[k / 2];
            text += ' ';
        }
    }
    return text;
}

inline Doc make_bench_doc(int feeds = 10000) {
    Doc doc;
    doc.Flag = kAutoLastBuildDate | kITunesInclude | kDocSpecialChar;
    doc.Title = "Quillpost \xC3\xA9"
                "dition sp\xC3\xA9"
                "ciale";
    doc.Desc = "Le podcast & ses \xC3\xA9pisodes\r\n[Accueil index.html]";
    doc.Link = "https://example.org/podcast";
    doc.RssName = "bench";
    doc.Format = "RssV2";
    doc.TimeZone = 1;
    doc.TTL = 1440;
    doc.Lang = "fr";
    doc.Copyright = "\xC2\xA9 2024 Example";
    doc.LastBuildDate = date_from_fields(2024, 5, 1, 12, 0, 0);
    doc.WebMaster = "web@example.org";
    doc.Category = "Culture; Technology; News";
    doc.ImageUrl = "img/logo.png";
    doc.ImageTitle = "Logo";
    doc.ImageLink = "index.html";
    doc.iTunesAuthor = "Example";
    doc.iTunesSubTitle = "Every week";
    doc.iTunesSummary = "A weekly show";
    doc.iTunesKeyword = "culture, tech";
    doc.iTunesMail = "owner@example.org";
    doc.MaxFeed = feeds;
    doc.Feeds.reserve(static_cast<std::size_t>(feeds));
    for (int n = 0; n < feeds; ++n) {
        Feed f;
        const std::string id = std::to_string(n);
        f.FeedTitle = "\xC3\x89pisode " + id + " : \xC2\xAB le retour \xC2\xBB";
        f.FeedDesc = bench_feed_text(n);
        f.FeedLink = "episodes/" + id + ".html";
        f.FeedAuthor = "host@example.org (H\xC3\xA9l\xC3\xA8ne)";
        f.FeedCategory = "Culture; Episode " + id;
        f.FeedGUID = "https://example.org/podcast/episodes/" + id;
        f.FeedPubDate = doc.LastBuildDate - static_cast<DateValue>(n) * 86400;
        f.FeedFile = "%MyDoc%Podcast/episode-" + id + ".mp3";
        f.FeedFileType = "audio/mpeg";
        f.FeedFileLength = 24'000'000 + n;
        f.FeedFlag = kUploadFile | kFeedSpecialChar;
        f.FeedComments = "episodes/" + id + ".html#comments";
        doc.Feeds.push_back(std::move(f));
    }
    return doc;
}

} // namespace qp::bench
