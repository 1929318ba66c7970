#include "core/feed_import.h"

#include "core/channel_settings.h"
#include "core/chapters.h"
#include "core/dates.h"
#include "core/feed_date.h"
#include "core/file_io.h"
#include "core/html_text.h"
#include "core/rss_writer.h"
#include "core/text.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include <sys/stat.h>

namespace qp {

namespace {

constexpr std::string_view kContentNamespace = "http://purl.org/rss/1.0/modules/content/";
// The podcast namespace's first address, still found in older feeds.
constexpr std::string_view kPodcastNamespaceOld =
    "https://github.com/Podcastindex-org/podcast-namespace/blob/main/docs/1.0.md";
// The parser is fed in pieces of this size, between which the import can be cancelled.
constexpr std::size_t kChunk = std::size_t{1} << 20;

enum class Space { None, Itunes, Podcast, Content, Atom, Other };

std::string_view as_view(const xmlChar* s) {
    return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view{};
}

// The namespace addresses as generators spell them: the scheme and the letter case vary.
bool same_namespace(std::string_view uri, std::string_view known) {
    const auto strip = [](std::string_view u) {
        if (istarts_with(u, "https://"))
            return u.substr(8);
        if (istarts_with(u, "http://"))
            return u.substr(7);
        return u;
    };
    return iequals(strip(uri), strip(known));
}

Space space_of(const xmlNode* node) {
    if (!node->ns || !node->ns->href)
        return Space::None;
    const std::string_view uri = as_view(node->ns->href);
    if (same_namespace(uri, kItunesNamespace))
        return Space::Itunes;
    if (same_namespace(uri, kPodcastNamespace) || same_namespace(uri, kPodcastNamespaceOld))
        return Space::Podcast;
    if (same_namespace(uri, kContentNamespace))
        return Space::Content;
    if (same_namespace(uri, kAtomNamespace))
        return Space::Atom;
    return Space::Other;
}

std::string qualified_name(const xmlNode* node) {
    std::string name;
    if (node->ns && node->ns->prefix) {
        name = as_view(node->ns->prefix);
        name += ':';
    }
    name += as_view(node->name);
    return name;
}

// The text inside an element, CDATA sections included.
std::string text_of(const xmlNode* node) {
    std::string out;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            out += as_view(child->content);
        else if (child->type == XML_ELEMENT_NODE)
            out += text_of(child);
    }
    return out;
}

std::string attribute(const xmlNode* node, const char* name) {
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        if (!a->ns && as_view(a->name) == name)
            return a->children ? std::string(as_view(a->children->content)) : std::string();
    }
    return {};
}

// Whether the element holds no attribute but those named, and no child element.
bool plain_element(const xmlNode* node, std::initializer_list<std::string_view> allowed = {}) {
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        if (a->ns || std::find(allowed.begin(), allowed.end(), as_view(a->name)) == allowed.end())
            return false;
    }
    for (const xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE)
            return false;
    return true;
}

// A value the document holds once: taken from the first plain element, later ones are kept as
// they stand. True when taken.
bool take_first(std::string& field, std::string value, const xmlNode* node) {
    if (!field.empty() || !plain_element(node))
        return false;
    field = std::move(value);
    return true;
}

std::optional<int> whole_number(std::string_view text) {
    text = trimmed(text, " \t\r\n");
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string lower_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

// Copied a line at a time into storage of the exact size, since the document keeps it: the texts
// of a large feed make up most of its bytes.
std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string_view::npos; from = at + 1) {
        out.append(text.substr(from, at - from));
        if (at == 0 || text[at - 1] != '\r')
            out += '\r';
        out += '\n';
    }
    out.append(text.substr(from));
    return out;
}

// A description as the document stores it: the feed's HTML as it stands, with the document's
// line ends. The writer turns "[words target]" into a link; where the HTML holds such brackets
// the "[" is written as its character reference, which reads the same in HTML.
std::string description_text(std::string_view html) {
    std::string text = with_crlf(html);
    if (text.find('[') != std::string::npos && ConvertLinks(text) != text)
        text = replace_all(text, "[", "&#91;");
    return text;
}

// "true" or "false" from the spellings the directories accept; empty when none.
std::string explicit_value(std::string_view text) {
    text = trimmed(text, " \t\r\n");
    if (iequals(text, "true") || iequals(text, "yes") || iequals(text, "explicit"))
        return "true";
    if (iequals(text, "false") || iequals(text, "no") || iequals(text, "clean"))
        return "false";
    return {};
}

std::optional<double> decimal(std::string_view text) {
    text = trimmed(text, " \t\r\n");
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

// An optional count: 0 when absent, nullopt when it is no whole number of at least 0.
template <typename Int> std::optional<Int> optional_count(const xmlNode* node, const char* name) {
    const std::string text = trim_blanks(attribute(node, name));
    Int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty())
        return Int{0};
    if (ec != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// An optional "true" or "false": 0 when absent, nullopt for another value.
std::optional<int> optional_flag(const xmlNode* node, const char* name) {
    const std::string text = trim_blanks(attribute(node, name));
    if (text.empty() || iequals(text, "false"))
        return 0;
    if (iequals(text, "true"))
        return 1;
    return std::nullopt;
}

// The element children, or nullopt when the element has attributes but those named, or text
// beside them.
std::optional<std::vector<const xmlNode*>>
element_children(const xmlNode* node, std::initializer_list<std::string_view> allowed) {
    for (const xmlAttr* a = node->properties; a; a = a->next)
        if (a->ns || std::find(allowed.begin(), allowed.end(), as_view(a->name)) == allowed.end())
            return std::nullopt;
    std::vector<const xmlNode*> out;
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE)
            out.push_back(c);
        else if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) &&
                 as_view(c->content).find_first_not_of(" \t\r\n") != std::string_view::npos)
            return std::nullopt;
    }
    return out;
}

// --- Keeping elements as XML -----------------------------------------------------------------

void append_escaped(std::string& out, std::string_view text, bool attribute) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        // Line ends and tabs as references, so the element stays on one line of the project
        // and an attribute keeps them.
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        case '\t':
            out += attribute ? "&#9;" : "\t";
            break;
        default:
            out += c;
        }
    }
}

// Prefix to address of the namespaces declared so far on the way down.
using Scope = std::map<std::string, std::string, std::less<>>;

void declare(std::string& out, Scope& scope, const xmlNs* ns) {
    const std::string prefix(as_view(ns ? ns->prefix : nullptr));
    const std::string href(as_view(ns ? ns->href : nullptr));
    if (prefix == "xml")
        return;
    const auto it = scope.find(prefix);
    if (it != scope.end() ? it->second == href : href.empty())
        return;
    out += prefix.empty() ? " xmlns=\"" : " xmlns:" + prefix + "=\"";
    append_escaped(out, href, true);
    out += '"';
    scope[prefix] = href;
}

bool has_element_child(const xmlNode* node) {
    for (const xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE)
            return true;
    return false;
}

// The element as XML with every namespace declaration it needs, on one line. White space
// between child elements is layout and goes; comments and processing instructions go.
void serialize(std::string& out, const xmlNode* node, Scope scope) {
    out += '<';
    out += qualified_name(node);
    declare(out, scope, node->ns);
    for (const xmlAttr* a = node->properties; a; a = a->next)
        if (a->ns)
            declare(out, scope, a->ns);
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        out += ' ';
        if (a->ns && a->ns->prefix) {
            out += as_view(a->ns->prefix);
            out += ':';
        }
        out += as_view(a->name);
        out += "=\"";
        for (const xmlNode* t = a->children; t; t = t->next)
            append_escaped(out, as_view(t->content), true);
        out += '"';
    }
    if (!node->children) {
        out += "/>";
        return;
    }
    out += '>';
    const bool layout = has_element_child(node);
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            serialize(out, child, scope);
        } else if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            const std::string_view text = as_view(child->content);
            if (layout && text.find_first_not_of(" \t\r\n") == std::string_view::npos)
                continue;
            append_escaped(out, text, false);
        }
    }
    out += "</";
    out += qualified_name(node);
    out += '>';
}

// --- The podcast namespace's lists and blocks -------------------------------------------------
//
// Each reader gives nullopt when the element holds what the document cannot hold (an attribute
// or a child it does not model, a value it cannot store): the element is then kept as XML.

bool is_podcast(const xmlNode* node, std::string_view name) {
    return space_of(node) == Space::Podcast && as_view(node->name) == name;
}

std::optional<Person> person_of(const xmlNode* node) {
    if (!plain_element(node, {"role", "group", "img", "href"}))
        return std::nullopt;
    Person p{trim_blanks(text_of(node)), trim_blanks(attribute(node, "role")),
             trim_blanks(attribute(node, "group")), trim_blanks(attribute(node, "img")),
             trim_blanks(attribute(node, "href"))};
    if (p.Name.empty())
        return std::nullopt;
    return p;
}

// The document holds one place for the show and one for each episode.
bool take_location(std::string& name, std::string& geo, std::string& osm, const xmlNode* node) {
    if (!name.empty() || !geo.empty() || !osm.empty() || !plain_element(node, {"geo", "osm"}))
        return false;
    name = trim_blanks(text_of(node));
    if (name.empty())
        return false;
    geo = trim_blanks(attribute(node, "geo"));
    osm = trim_blanks(attribute(node, "osm"));
    return true;
}

std::optional<ValueRecipient> recipient_of(const xmlNode* node) {
    if (!is_podcast(node, "valueRecipient") ||
        !plain_element(node,
                       {"name", "type", "address", "split", "fee", "customKey", "customValue"}))
        return std::nullopt;
    const std::optional<int> split = whole_number(attribute(node, "split"));
    const std::optional<int> fee = optional_flag(node, "fee");
    if (!split || *split < 0 || !fee)
        return std::nullopt;
    return ValueRecipient{attribute(node, "name"),
                          trim_blanks(attribute(node, "type")),
                          trim_blanks(attribute(node, "address")),
                          *split,
                          *fee,
                          attribute(node, "customKey"),
                          attribute(node, "customValue")};
}

// Only a stretch paid to another feed's item is modelled, not one with recipients of its own.
std::optional<ValueTimeSplit> time_split_of(const xmlNode* node) {
    if (!is_podcast(node, "valueTimeSplit"))
        return std::nullopt;
    const auto children =
        element_children(node, {"startTime", "duration", "remoteStartTime", "remotePercentage"});
    if (!children || children->size() != 1)
        return std::nullopt;
    const xmlNode* remote = children->front();
    if (!is_podcast(remote, "remoteItem") ||
        !plain_element(remote, {"feedGuid", "feedUrl", "itemGuid"}))
        return std::nullopt;
    const std::optional<double> start = decimal(attribute(node, "startTime"));
    const std::optional<double> duration = decimal(attribute(node, "duration"));
    const std::string remote_start = attribute(node, "remoteStartTime");
    const std::optional<double> from =
        trim_blanks(remote_start).empty() ? std::optional<double>(0) : decimal(remote_start);
    // The document's 0 stands for the default of 100: a stated 0 cannot be held.
    const std::optional<int> percentage = optional_count<int>(node, "remotePercentage");
    if (!start || !duration || !from || !percentage || *percentage > 100 ||
        (*percentage == 0 && !trim_blanks(attribute(node, "remotePercentage")).empty()))
        return std::nullopt;
    return ValueTimeSplit{*start,
                          *duration,
                          *percentage,
                          *from,
                          trim_blanks(attribute(remote, "feedGuid")),
                          trim_blanks(attribute(remote, "feedUrl")),
                          trim_blanks(attribute(remote, "itemGuid"))};
}

struct ValueBlock {
    std::string type;
    std::string method;
    std::string suggested;
    std::vector<ValueRecipient> recipients;
    std::vector<ValueTimeSplit> splits;
};

// The document gives an episode's block the channel's type, method and suggestion.
bool fits_channel_value(const Doc& d, const ValueBlock& v) {
    return v.type == (d.ValueType.empty() ? "lightning" : d.ValueType) &&
           v.method == (d.ValueMethod.empty() ? "keysend" : d.ValueMethod) &&
           (v.suggested.empty() || v.suggested == d.ValueSuggested);
}

// A block that pays no one is not one the writer makes.
std::optional<ValueBlock> value_of(const xmlNode* node, bool episode) {
    const auto children = element_children(node, {"type", "method", "suggested"});
    if (!children)
        return std::nullopt;
    ValueBlock v{trim_blanks(attribute(node, "type")),
                 trim_blanks(attribute(node, "method")),
                 trim_blanks(attribute(node, "suggested")),
                 {},
                 {}};
    for (const xmlNode* c : *children) {
        if (std::optional<ValueRecipient> r = recipient_of(c))
            v.recipients.push_back(std::move(*r));
        else if (std::optional<ValueTimeSplit> t = episode ? time_split_of(c) : std::nullopt)
            v.splits.push_back(std::move(*t));
        else
            return std::nullopt;
    }
    if (v.recipients.empty())
        return std::nullopt;
    return v;
}

// One source, the address the document holds; a file of this computer is never in a feed.
std::optional<AlternateEnclosure> alternate_of(const xmlNode* node) {
    const auto children = element_children(
        node, {"type", "length", "bitrate", "height", "lang", "title", "rel", "codecs", "default"});
    if (!children || children->size() != 1 || !is_podcast(children->front(), "source") ||
        !plain_element(children->front(), {"uri"}))
        return std::nullopt;
    const std::optional<std::int64_t> length = optional_count<std::int64_t>(node, "length");
    const std::optional<int> height = optional_count<int>(node, "height");
    const std::optional<int> preferred = optional_flag(node, "default");
    const std::string bitrate_text = attribute(node, "bitrate");
    const std::optional<double> bitrate =
        trim_blanks(bitrate_text).empty() ? std::optional<double>(0) : decimal(bitrate_text);
    AlternateEnclosure a;
    a.Url = trim_blanks(attribute(children->front(), "uri"));
    if (!length || !height || !preferred || !bitrate || a.Url.empty())
        return std::nullopt;
    a.Type = trim_blanks(attribute(node, "type"));
    a.Length = *length;
    a.Bitrate = *bitrate;
    a.Height = *height;
    a.Lang = trim_blanks(attribute(node, "lang"));
    a.Title = attribute(node, "title");
    a.Rel = trim_blanks(attribute(node, "rel"));
    a.Codecs = trim_blanks(attribute(node, "codecs"));
    a.Default = *preferred;
    return a;
}

std::optional<Transcript> transcript_of(const xmlNode* node) {
    if (!plain_element(node, {"url", "type", "language", "rel"}))
        return std::nullopt;
    const std::string rel = trim_blanks(attribute(node, "rel"));
    Transcript t{"", trim_blanks(attribute(node, "url")), trim_blanks(attribute(node, "type")),
                 trim_blanks(attribute(node, "language")), rel == "captions" ? 1 : 0};
    if (t.Url.empty() || (!rel.empty() && !t.Captions))
        return std::nullopt;
    return t;
}

std::optional<Soundbite> soundbite_of(const xmlNode* node) {
    if (!plain_element(node, {"startTime", "duration"}))
        return std::nullopt;
    const std::optional<double> start = decimal(attribute(node, "startTime"));
    const std::optional<double> duration = decimal(attribute(node, "duration"));
    if (!start || !duration)
        return std::nullopt;
    return Soundbite{*start, *duration, text_of(node)};
}

std::optional<std::vector<RemoteItem>> podroll_of(const xmlNode* node) {
    const auto children = element_children(node, {});
    if (!children || children->empty())
        return std::nullopt;
    std::vector<RemoteItem> out;
    for (const xmlNode* c : *children) {
        if (!is_podcast(c, "remoteItem") ||
            !plain_element(c, {"feedGuid", "feedUrl", "itemGuid", "medium"}))
            return std::nullopt;
        out.push_back({trim_blanks(attribute(c, "feedGuid")), trim_blanks(attribute(c, "feedUrl")),
                       trim_blanks(attribute(c, "itemGuid")), trim_blanks(attribute(c, "medium")),
                       ""});
    }
    return out;
}

// --- The import ------------------------------------------------------------------------------

struct ItemDate {
    std::string text;
    std::optional<FeedInstant> instant;
};

// What an item's elements have taken so far, and the podcast season and episode, settled against
// the iTunes ones once the whole item is read.
struct ItemState {
    bool have_content = false;
    bool have_enclosure = false;
    bool have_transcript = false;
    const xmlNode* season = nullptr;
    const xmlNode* episode = nullptr;
};

class Importer {
public:
    explicit Importer(const ImportOptions& options) : options_(options) {
        DocDefaults(out_.doc);
        out_.doc.Format = std::string(kFormatRssV2);
        out_.doc.FormatDate = std::string(kStandardRssDateMask);
    }

    // The parser's callbacks.
    void start_element(xmlNode* node);
    void end_element(xmlNode* node);
    void refuse(ErrorKind kind, std::string text) {
        if (!error_)
            error_ = make_error(kind, std::move(text));
    }
    void parse_error(const xmlError* e);

    // next gives the feed a piece at a time, an empty piece at its end; total is its size when
    // known, else 0.
    using Source = std::function<Result<std::string_view>()>;
    Result<ImportedFeed> run(const Source& next, std::uint64_t total);

private:
    void channel_element(const xmlNode* node);
    bool podcast_channel_element(const xmlNode* node, std::string_view name);
    void item_element(Feed& feed, ItemDate& date, const xmlNode* node, ItemState& state);
    bool podcast_item_element(Feed& feed, const xmlNode* node, std::string_view name,
                              ItemState& state);
    void settle_number(Feed& feed, const xmlNode* node, int& number, std::string& label,
                       const char* attribute_name);
    void item(const xmlNode* node);
    void keep(std::string& extra, std::string_view where, const xmlNode* node);
    void count_kept(std::string_view where, std::string name);
    void note(std::string text) { out_.notes.push_back(std::move(text)); }
    // A feed that uses the iTunes or podcast namespace gets the document's box for it ticked.
    void note_space(Space space) {
        itunes_used_ = itunes_used_ || space == Space::Itunes;
        podcast_used_ = podcast_used_ || space == Space::Podcast;
    }
    void finish(const xmlNode* root);
    void settle_dates();

    const ImportOptions& options_;
    ImportedFeed out_;
    std::optional<Error> error_;
    xmlNode* channel_ = nullptr;
    bool rss_seen_ = false;
    bool itunes_used_ = false;
    bool podcast_used_ = false;
    // Channel settings settled once the whole channel is read.
    std::string self_link_;
    std::string self_link_xml_;
    std::string itunes_image_xml_;
    bool image_kept_ = false;
    std::string podcast_guid_;
    std::string itunes_image_;
    ItemDate build_date_;
    std::vector<ItemDate> item_dates_;
    // Episodes' payment blocks met before the channel's, with their XML in case they do not fit
    // it.
    struct EarlyValue {
        std::size_t feed;
        ValueBlock block;
        std::string xml;
    };
    std::vector<EarlyValue> early_values_;
    // The trailers' dates, made wall clock times once the zone is settled.
    std::vector<std::pair<std::size_t, FeedInstant>> trailer_dates_;
    std::map<std::pair<std::string, std::string>, std::size_t> kept_index_;
    std::string libxml_error_;
};

void Importer::keep(std::string& extra, std::string_view where, const xmlNode* node) {
    serialize(extra, node, {});
    count_kept(where, qualified_name(node));
}

void Importer::count_kept(std::string_view where, std::string name) {
    const auto key = std::make_pair(std::string(where), name);
    if (const auto it = kept_index_.find(key); it != kept_index_.end()) {
        ++out_.kept[it->second].count;
        return;
    }
    kept_index_.emplace(key, out_.kept.size());
    out_.kept.push_back({std::string(where), std::move(name), 1});
}

void Importer::start_element(xmlNode* node) {
    if (error_)
        return;
    const xmlNode* parent = node->parent;
    if (parent && parent->type == XML_DOCUMENT_NODE) {
        const std::string_view name = as_view(node->name);
        if (name == "rss" && !node->ns) {
            rss_seen_ = true;
        } else if (iequals(name, "html")) {
            refuse(ErrorKind::BadInput, "This is a web page, not a feed");
        } else if (name == "feed") {
            refuse(ErrorKind::BadInput, "This is an Atom feed; only RSS 2.0 feeds can be read");
        } else {
            refuse(ErrorKind::BadInput,
                   "This is no RSS feed: its root element is <" + qualified_name(node) + ">");
        }
        return;
    }
    if (!channel_ && parent && parent->parent && parent->parent->type == XML_DOCUMENT_NODE &&
        as_view(node->name) == "channel" && !node->ns)
        channel_ = node;
}

void Importer::end_element(xmlNode* node) {
    if (error_ || !channel_ || node->parent != channel_)
        return;
    if (as_view(node->name) == "item" && !node->ns)
        item(node);
    else
        channel_element(node);
    if (options_.cancel && options_.cancel->load(std::memory_order_relaxed))
        refuse(ErrorKind::Cancelled, "The import was cancelled");
}

void Importer::channel_element(const xmlNode* node) {
    Doc& d = out_.doc;
    const Space space = space_of(node);
    const std::string_view name = as_view(node->name);
    note_space(space);
    const auto take = [node](std::string& field, std::string value) {
        return take_first(field, std::move(value), node);
    };
    bool taken = false;
    if (space == Space::None) {
        if (name == "title") {
            taken = take(d.Title, text_of(node));
        } else if (name == "description") {
            taken = take(d.Desc, description_text(text_of(node)));
        } else if (name == "link") {
            taken = take(d.Link, trim_blanks(text_of(node)));
        } else if (name == "language") {
            taken = take(d.Lang, trim_blanks(text_of(node)));
        } else if (name == "copyright") {
            taken = take(d.Copyright, text_of(node));
        } else if (name == "webMaster") {
            taken = take(d.WebMaster, text_of(node));
        } else if (name == "lastBuildDate" && build_date_.text.empty() && plain_element(node)) {
            build_date_.text = text_of(node);
            build_date_.instant = parse_feed_date(build_date_.text);
            if (!build_date_.instant)
                note("the build date \"" + build_date_.text + "\" is not a date");
            taken = true;
        } else if (name == "ttl" && plain_element(node)) {
            if (const std::optional<int> ttl = whole_number(text_of(node)); ttl && *ttl >= 0) {
                d.TTL = *ttl;
                taken = true;
            }
        } else if (name == "category" && plain_element(node)) {
            const std::string text = trim_blanks(text_of(node));
            // The document separates its categories with ";".
            if (!text.empty() && text.find(';') == std::string::npos) {
                d.Category += d.Category.empty() ? text : ";" + text;
                taken = true;
            }
        } else if (name == "generator") {
            taken = true; // the program names itself
        } else if (name == "image" && d.ImageUrl.empty()) {
            std::string url;
            std::string title;
            std::string link;
            bool simple = node->properties == nullptr;
            for (const xmlNode* c = node->children; c && simple; c = c->next) {
                if (c->type != XML_ELEMENT_NODE)
                    continue;
                const std::string_view part = as_view(c->name);
                // Width, height or a description: the whole image is kept.
                simple = !c->ns && plain_element(c) &&
                         (part == "url" || part == "title" || part == "link");
                if (!simple)
                    break;
                if (part == "url")
                    url = trim_blanks(text_of(c));
                else if (part == "title")
                    title = text_of(c);
                else
                    link = trim_blanks(text_of(c));
            }
            if (simple && !url.empty()) {
                d.ImageUrl = url;
                d.ImageTitle = title;
                d.ImageLink = link;
                taken = true;
            }
        }
    } else if (space == Space::Itunes) {
        if (name == "subtitle") {
            taken = take(d.iTunesSubTitle, text_of(node));
        } else if (name == "summary") {
            taken = take(d.iTunesSummary, text_of(node));
        } else if (name == "keywords") {
            taken = take(d.iTunesKeyword, text_of(node));
        } else if (name == "author") {
            taken = take(d.iTunesAuthor, text_of(node));
        } else if (name == "owner" && d.iTunesOwnerName.empty() && d.iTunesMail.empty()) {
            bool simple = node->properties == nullptr;
            std::string owner;
            std::string mail;
            for (const xmlNode* c = node->children; c && simple; c = c->next) {
                if (c->type != XML_ELEMENT_NODE)
                    continue;
                const std::string_view part = as_view(c->name);
                simple = space_of(c) == Space::Itunes && plain_element(c) &&
                         (part == "name" || part == "email");
                if (!simple)
                    break;
                if (part == "name")
                    owner = text_of(c);
                else
                    mail = trim_blanks(text_of(c));
            }
            if (simple) {
                d.iTunesOwnerName = owner;
                d.iTunesMail = mail;
                taken = true;
            }
        } else if (name == "image" && itunes_image_.empty() && plain_element(node, {"href"})) {
            itunes_image_ = trim_blanks(attribute(node, "href"));
            serialize(itunes_image_xml_, node, {});
            taken = !itunes_image_.empty();
        } else if (name == "category" && d.iTunesCategory.empty() && node->properties &&
                   !node->properties->next) {
            // The category's name, and one plain subcategory at most.
            std::string sub;
            bool simple = true;
            int subs = 0;
            for (const xmlNode* c = node->children; c && simple; c = c->next) {
                if (c->type != XML_ELEMENT_NODE)
                    continue;
                simple = ++subs == 1 && space_of(c) == Space::Itunes &&
                         as_view(c->name) == "category" && plain_element(c, {"text"});
                sub = attribute(c, "text");
            }
            const std::string text = attribute(node, "text");
            if (simple && !text.empty()) {
                d.iTunesCategory = text;
                d.iTunesSubCategory = sub;
                taken = true;
            }
        } else if (name == "explicit" && d.iTunesExplicit.empty() && plain_element(node)) {
            d.iTunesExplicit = explicit_value(text_of(node));
            taken = !d.iTunesExplicit.empty();
        } else if (name == "type" && plain_element(node)) {
            const std::string text = trim_blanks(text_of(node));
            if (iequals(text, "episodic") || iequals(text, "serial"))
                taken = take(d.iTunesType, lower_ascii(text));
        } else if (name == "new-feed-url") {
            taken = take(d.iTunesNewFeedUrl, trim_blanks(text_of(node)));
        } else if ((name == "block" || name == "complete") && plain_element(node)) {
            const std::string text = trim_blanks(text_of(node));
            int& field = name == "block" ? d.iTunesBlock : d.iTunesComplete;
            if (iequals(text, "yes"))
                field = 1;
            // "No" is what the directories assume without the element.
            taken = iequals(text, "yes") || iequals(text, "no");
        }
    } else if (space == Space::Podcast) {
        if (name == "guid" && podcast_guid_.empty() && plain_element(node)) {
            podcast_guid_ = trim_blanks(text_of(node));
            taken = !podcast_guid_.empty();
        } else if (name == "locked" && d.PodcastLocked.empty() && plain_element(node, {"owner"})) {
            const std::string text = lower_ascii(trim_blanks(text_of(node)));
            if (text == "yes" || text == "no") {
                d.PodcastLocked = text;
                d.PodcastLockedOwner = trim_blanks(attribute(node, "owner"));
                taken = true;
            }
        } else if (name == "funding" && d.PodcastFundingUrl.empty() &&
                   plain_element(node, {"url"})) {
            d.PodcastFundingUrl = trim_blanks(attribute(node, "url"));
            d.PodcastFundingText = text_of(node);
            taken = !d.PodcastFundingUrl.empty();
        } else {
            taken = podcast_channel_element(node, name);
        }
    } else if (space == Space::Atom && name == "link" && self_link_.empty() &&
               attribute(node, "rel") == "self") {
        self_link_ = trim_blanks(attribute(node, "href"));
        serialize(self_link_xml_, node, {});
        taken = true;
    }
    if (!taken) {
        image_kept_ = image_kept_ || (space == Space::None && name == "image");
        keep(d.ExtraXml, "channel", node);
    }
}

bool Importer::podcast_channel_element(const xmlNode* node, std::string_view name) {
    Doc& d = out_.doc;
    if (name == "person") {
        std::optional<Person> p = person_of(node);
        if (p)
            d.Persons.push_back(std::move(*p));
        return p.has_value();
    }
    if (name == "location")
        return take_location(d.Location, d.LocationGeo, d.LocationOsm, node);
    if (name == "trailer" && plain_element(node, {"pubdate", "url", "length", "type", "season"})) {
        const std::string date = trim_blanks(attribute(node, "pubdate"));
        const std::optional<FeedInstant> instant = parse_feed_date(date);
        const std::optional<std::int64_t> length = optional_count<std::int64_t>(node, "length");
        const std::optional<int> season = optional_count<int>(node, "season");
        Trailer t{text_of(node),      trim_blanks(attribute(node, "url")),  0,
                  length.value_or(0), trim_blanks(attribute(node, "type")), season.value_or(0)};
        if (t.Url.empty() || !length || !season || (!date.empty() && !instant))
            return false;
        if (instant)
            trailer_dates_.emplace_back(d.Trailers.size(), *instant);
        d.Trailers.push_back(std::move(t));
        return true;
    }
    if (name == "license" && d.License.empty() && plain_element(node, {"url"})) {
        d.License = trim_blanks(text_of(node));
        d.LicenseUrl = trim_blanks(attribute(node, "url"));
        return !d.License.empty();
    }
    if (name == "medium")
        return take_first(d.Medium, trim_blanks(text_of(node)), node);
    if (name == "updateFrequency" && d.UpdateFrequency.empty() &&
        plain_element(node, {"complete", "dtstart", "rrule"})) {
        const std::optional<int> complete = optional_flag(node, "complete");
        std::string text = trim_blanks(text_of(node));
        if (!complete || text.empty())
            return false;
        d.UpdateFrequency = std::move(text);
        d.UpdateFrequencyComplete = *complete;
        d.UpdateFrequencyStart = trim_blanks(attribute(node, "dtstart"));
        d.UpdateFrequencyRule = trim_blanks(attribute(node, "rrule"));
        return true;
    }
    if (name == "txt" && plain_element(node, {"purpose"})) {
        std::string text = text_of(node);
        if (text.empty())
            return false;
        d.Texts.push_back({attribute(node, "purpose"), std::move(text)});
        return true;
    }
    if (name == "block" && plain_element(node, {"id"})) {
        const std::string text = lower_ascii(trim_blanks(text_of(node)));
        if (text != "yes" && text != "no")
            return false;
        d.Blocks.push_back({trim_blanks(attribute(node, "id")), text == "yes" ? 1 : 0});
        return true;
    }
    if (name == "podroll" && d.Podroll.empty()) {
        std::optional<std::vector<RemoteItem>> items = podroll_of(node);
        if (items)
            d.Podroll = std::move(*items);
        return items.has_value();
    }
    if (name == "value" && d.ValueRecipients.empty()) {
        std::optional<ValueBlock> v = value_of(node, false);
        if (!v)
            return false;
        d.ValueType = std::move(v->type);
        d.ValueMethod = std::move(v->method);
        d.ValueSuggested = std::move(v->suggested);
        d.ValueRecipients = std::move(v->recipients);
        return true;
    }
    return false;
}

bool Importer::podcast_item_element(Feed& f, const xmlNode* node, std::string_view name,
                                    ItemState& state) {
    const Doc& d = out_.doc;
    if (name == "transcript") {
        // The first plain one is the transcript older projects hold.
        if (std::string url = trim_blanks(attribute(node, "url"));
            !state.have_transcript && !url.empty() && plain_element(node, {"url", "type"})) {
            f.FeedTranscriptUrl = std::move(url);
            f.FeedTranscriptType = trim_blanks(attribute(node, "type"));
            state.have_transcript = true;
            return true;
        }
        std::optional<Transcript> t = transcript_of(node);
        if (t)
            f.FeedTranscripts.push_back(std::move(*t));
        return t.has_value();
    }
    if (name == "chapters" && f.FeedChaptersUrl.empty() && plain_element(node, {"url", "type"}) &&
        trim_blanks(attribute(node, "type")) == kChaptersType) {
        // The type the writer states; chapters of another format stay as they are.
        f.FeedChaptersUrl = trim_blanks(attribute(node, "url"));
        return !f.FeedChaptersUrl.empty();
    }
    if (name == "season" && !state.season) {
        state.season = node;
        return true;
    }
    if (name == "episode" && !state.episode) {
        state.episode = node;
        return true;
    }
    if (name == "person") {
        std::optional<Person> p = person_of(node);
        if (p)
            f.FeedPersons.push_back(std::move(*p));
        return p.has_value();
    }
    if (name == "location")
        return take_location(f.FeedLocation, f.FeedLocationGeo, f.FeedLocationOsm, node);
    if (name == "soundbite") {
        std::optional<Soundbite> b = soundbite_of(node);
        if (b)
            f.FeedSoundbites.push_back(std::move(*b));
        return b.has_value();
    }
    if (name == "alternateEnclosure") {
        std::optional<AlternateEnclosure> a = alternate_of(node);
        if (a)
            f.FeedAlternates.push_back(std::move(*a));
        return a.has_value();
    }
    if (name == "value" && f.FeedValueRecipients.empty()) {
        std::optional<ValueBlock> v = value_of(node, true);
        if (!v || !fits_channel_value(d, *v))
            return false;
        // The channel's block may still follow the items: the episode's is checked against it
        // again at the end.
        if (d.ValueRecipients.empty()) {
            std::string xml;
            serialize(xml, node, {});
            early_values_.push_back({d.Feeds.size(), std::move(*v), std::move(xml)});
            f.FeedValueRecipients = early_values_.back().block.recipients;
            f.FeedValueSplits = early_values_.back().block.splits;
            return true;
        }
        f.FeedValueRecipients = std::move(v->recipients);
        f.FeedValueSplits = std::move(v->splits);
        return true;
    }
    return false;
}

// The podcast season or episode is the iTunes number with a label; one that states another
// number is kept as it stands.
void Importer::settle_number(Feed& f, const xmlNode* node, int& number, std::string& label,
                             const char* attribute_name) {
    if (!node)
        return;
    const std::optional<int> n = whole_number(text_of(node));
    if (plain_element(node, {attribute_name}) && n && *n > 0 && (number == 0 || number == *n)) {
        number = *n;
        label = attribute(node, attribute_name);
        // The writer states the number again only with its name.
        if (!label.empty())
            return;
    } else if (n && number != 0 && number != *n)
        note("episode " + std::to_string(out_.doc.Feeds.size() + 1) + ": <" + qualified_name(node) +
             "> states " + std::to_string(*n) + ", the iTunes value " + std::to_string(number) +
             "; both are kept");
    keep(f.FeedExtraXml, "item", node);
}

void Importer::item_element(Feed& f, ItemDate& date, const xmlNode* node, ItemState& state) {
    const Space space = space_of(node);
    const std::string_view name = as_view(node->name);
    note_space(space);
    const auto take = [node](std::string& field, std::string value) {
        return take_first(field, std::move(value), node);
    };
    const auto take_number = [&](int& field) {
        const std::optional<int> n = whole_number(text_of(node));
        if (field != 0 || !plain_element(node) || !n || *n <= 0)
            return false;
        field = *n;
        return true;
    };
    bool taken = false;
    if (space == Space::None) {
        if (name == "title") {
            taken = take(f.FeedTitle, text_of(node));
        } else if (name == "description") {
            taken = take(f.FeedDesc, description_text(text_of(node)));
        } else if (name == "link") {
            taken = take(f.FeedLink, trim_blanks(text_of(node)));
        } else if (name == "author") {
            taken = take(f.FeedAuthor, text_of(node));
        } else if (name == "comments") {
            taken = take(f.FeedComments, trim_blanks(text_of(node)));
        } else if (name == "guid") {
            // Whether it is a permanent link the writer tells from the text itself.
            if (f.FeedGUID.empty() && plain_element(node, {"isPermaLink"})) {
                f.FeedGUID = trim_blanks(text_of(node));
                taken = true;
            }
        } else if (name == "category" && plain_element(node)) {
            const std::string text = trim_blanks(text_of(node));
            if (!text.empty() && text.find(';') == std::string::npos) {
                f.FeedCategory += f.FeedCategory.empty() ? text : ";" + text;
                taken = true;
            }
        } else if (name == "pubDate" && date.text.empty() && plain_element(node)) {
            date.text = text_of(node);
            date.instant = parse_feed_date(date.text);
            taken = true;
        } else if (name == "enclosure" && !state.have_enclosure &&
                   plain_element(node, {"url", "length", "type"})) {
            f.FeedFileOnFTP = trim_blanks(attribute(node, "url"));
            f.FeedFileType = trim_blanks(attribute(node, "type"));
            const std::string length = trim_blanks(attribute(node, "length"));
            std::int64_t bytes = 0;
            const auto [end, ec] =
                std::from_chars(length.data(), length.data() + length.size(), bytes);
            f.FeedFileLength =
                ec == std::errc() && end == length.data() + length.size() && bytes > 0 ? bytes : 0;
            state.have_enclosure = taken = !f.FeedFileOnFTP.empty();
        }
    } else if (space == Space::Content && name == "encoded" && !state.have_content &&
               plain_element(node)) {
        // The show notes in HTML, beside the description.
        f.FeedContent = with_crlf(text_of(node));
        state.have_content = taken = true;
    } else if (space == Space::Itunes) {
        if (name == "duration") {
            taken = take(f.FeedDuration, trim_blanks(text_of(node)));
        } else if (name == "subtitle") {
            taken = take(f.FeedSubTitle, text_of(node));
        } else if (name == "summary") {
            taken = take(f.FeedSummary, text_of(node));
        } else if (name == "keywords") {
            taken = take(f.FeedKeyword, text_of(node));
        } else if (name == "episode") {
            taken = take_number(f.FeedEpisode);
        } else if (name == "season") {
            taken = take_number(f.FeedSeason);
        } else if (name == "episodeType" && plain_element(node)) {
            const std::string text = lower_ascii(trim_blanks(text_of(node)));
            if (text == "full" || text == "trailer" || text == "bonus")
                taken = take(f.FeedEpisodeType, text);
        } else if (name == "explicit" && f.FeedExplicit.empty() && plain_element(node)) {
            f.FeedExplicit = explicit_value(text_of(node));
            taken = !f.FeedExplicit.empty();
        } else if (name == "image" && f.FeedImage.empty() && plain_element(node, {"href"})) {
            f.FeedImage = trim_blanks(attribute(node, "href"));
            taken = !f.FeedImage.empty();
        } else if (name == "title") {
            taken = take(f.FeedItunesTitle, text_of(node));
        }
    } else if (space == Space::Podcast) {
        taken = podcast_item_element(f, node, name, state);
    }
    if (!taken)
        keep(f.FeedExtraXml, "item", node);
}

void Importer::item(const xmlNode* node) {
    Feed f;
    ItemDate date;
    ItemState state;
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE)
            item_element(f, date, c, state);
    }
    settle_number(f, state.season, f.FeedSeason, f.FeedSeasonName, "name");
    settle_number(f, state.episode, f.FeedEpisode, f.FeedEpisodeDisplay, "display");
    if (!date.text.empty() && !date.instant)
        note("episode " + std::to_string(out_.doc.Feeds.size() + 1) + ": the date \"" + date.text +
             "\" is not a date");
    out_.doc.Feeds.push_back(std::move(f));
    item_dates_.push_back(std::move(date));
}

void Importer::parse_error(const xmlError* e) {
    if (!e || e->level < XML_ERR_ERROR || !libxml_error_.empty())
        return;
    std::string message = trim_blanks(replace_all(e->message ? e->message : "", "\n", " "));
    libxml_error_ = "line " + std::to_string(e->line) + ": " + message;
}

// The zone every date states when they agree on one of whole hours, else the automatic zone;
// each date becomes the wall clock of that zone.
void Importer::settle_dates() {
    Doc& d = out_.doc;
    std::optional<std::int32_t> shared;
    bool one_zone = true;
    const auto look = [&](const ItemDate& date) {
        if (!date.instant)
            return;
        if (!shared)
            shared = date.instant->offset;
        else if (*shared != date.instant->offset)
            one_zone = false;
    };
    look(build_date_);
    for (const ItemDate& date : item_dates_)
        look(date);
    d.TimeZone = one_zone && shared && *shared % 3600 == 0 && std::abs(*shared) <= 12 * 3600
                     ? *shared / 3600
                     : kAutoTimeZone;
    const auto wall = [&](const FeedInstant& at) {
        return d.TimeZone == kAutoTimeZone ? local_from_utc(at.utc)
                                           : at.utc + std::int64_t{d.TimeZone} * 3600;
    };
    // An item without a date takes the build date, and the build date the newest item's.
    std::optional<DateValue> newest;
    for (std::size_t k = 0; k < item_dates_.size(); ++k) {
        if (item_dates_[k].instant) {
            d.Feeds[k].FeedPubDate = wall(*item_dates_[k].instant);
            newest = std::max(newest.value_or(d.Feeds[k].FeedPubDate), d.Feeds[k].FeedPubDate);
        }
    }
    d.LastBuildDate = build_date_.instant ? wall(*build_date_.instant)
                      : newest            ? *newest
                                          : now_in(d.TimeZone);
    for (std::size_t k = 0; k < item_dates_.size(); ++k)
        if (!item_dates_[k].instant)
            d.Feeds[k].FeedPubDate = d.LastBuildDate;
    for (const auto& [k, at] : trailer_dates_)
        d.Trailers[k].PubDate = wall(at);
    // The mask that writes every date as the feed did, so a feed of this program comes back
    // the same; the standard one otherwise.
    for (const std::string_view mask : {kStandardRssDateMask, kDefaultRssDateMask}) {
        const auto same = [&](const ItemDate& date, DateValue value) {
            return !date.instant || RssDate(value, mask, d.TimeZone) == date.text;
        };
        bool all = same(build_date_, d.LastBuildDate);
        for (std::size_t k = 0; all && k < item_dates_.size(); ++k)
            all = same(item_dates_[k], d.Feeds[k].FeedPubDate);
        if (all) {
            d.FormatDate = std::string(mask);
            break;
        }
    }
}

void Importer::finish(const xmlNode* root) {
    Doc& d = out_.doc;
    // The namespaces the feed declares, even when it uses none of their elements.
    for (const xmlNs* ns = root->nsDef; ns; ns = ns->next) {
        const std::string_view uri = as_view(ns->href);
        itunes_used_ = itunes_used_ || same_namespace(uri, kItunesNamespace);
        podcast_used_ = podcast_used_ || same_namespace(uri, kPodcastNamespace) ||
                        same_namespace(uri, kPodcastNamespaceOld);
    }
    if (itunes_used_)
        d.Flag |= kITunesInclude;
    if (podcast_used_)
        d.Flag |= kPodcastInclude;
    if (d.ImageUrl.empty() && image_kept_ && !itunes_image_.empty()) {
        // The channel image is kept as it stands: the iTunes artwork stays beside it, since
        // as the document's artwork it would make the writer add a second image.
        d.ExtraXml += itunes_image_xml_;
        count_kept("channel", "itunes:image");
    } else if (d.ImageUrl.empty() && !itunes_image_.empty()) {
        // The writer makes a channel image of the artwork, and a channel image needs a title
        // and a link: those of the channel, as readers show them.
        d.ImageUrl = itunes_image_;
        d.ImageTitle = d.Title;
        d.ImageLink = d.Link;
    } else if (!itunes_image_.empty() && itunes_image_ != d.ImageUrl) {
        note("the iTunes artwork " + itunes_image_ + " gives way to the channel image " +
             d.ImageUrl);
    }
    // The feed's own address names the RSS file: the channel link, then its file name.
    if (!self_link_.empty()) {
        const std::string base = d.Link.empty() || d.Link.back() == '/' ? d.Link : d.Link + "/";
        const std::string_view rest =
            std::string_view(self_link_)
                .substr(istarts_with(self_link_, base) && !base.empty() ? base.size()
                                                                        : self_link_.size());
        if (rest.size() > 4 && rest.substr(rest.size() - 4) == ".Xml" &&
            rest.find('/') == std::string_view::npos)
            d.RssName = std::string(rest.substr(0, rest.size() - 4));
        else if (!(d.Flag & kITunesInclude) || !url_has_scheme(d.Link)) {
            d.ExtraXml += self_link_xml_; // the writer gives none of its own: kept
            count_kept("channel", "atom:link");
        } else
            note("the feed's own address " + self_link_ +
                 " is replaced by the address it is published at");
    }
    // The episode limit holds every episode read: adding the next one must not cut the feed
    // down to the default few.
    d.MaxFeed =
        std::max(d.MaxFeed, static_cast<int>(std::min<std::size_t>(d.Feeds.size(), INT32_MAX)));
    for (EarlyValue& early : early_values_) {
        if (fits_channel_value(d, early.block))
            continue;
        Feed& f = d.Feeds[early.feed];
        f.FeedValueRecipients.clear();
        f.FeedValueSplits.clear();
        f.FeedExtraXml += early.xml;
        count_kept("item", "podcast:value");
    }
    if (!podcast_guid_.empty() && podcast_guid_ != channel_podcast_guid(d))
        d.PodcastGuid = podcast_guid_;
    settle_dates();
}

Result<ImportedFeed> Importer::run(const Source& next, std::uint64_t total) {
    const auto too_large = [&] {
        return make_error(ErrorKind::TooLarge, "The feed is larger than " +
                                                   std::to_string(options_.max_bytes >> 20) +
                                                   " MB");
    };
    Result<std::string_view> piece = next();
    if (!piece.ok())
        return piece.error();
    std::string_view data = piece.value();
    std::uint64_t read = data.size();
    if (read > options_.max_bytes)
        return too_large();
    if (data.empty())
        return make_error(ErrorKind::BadInput, "The feed is empty");

    xmlSAXHandler sax{};
    xmlSAXVersion(&sax, 2);
    // Entities are refused outright: declared ones could expand without bound or name a file.
    sax.entityDecl = [](void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        static_cast<Importer*>(ctxt->_private)
            ->refuse(ErrorKind::BadInput,
                     "The feed declares entities, which no feed needs; it is not read");
        xmlStopParser(ctxt);
    };
    sax.resolveEntity = [](void*, const xmlChar*, const xmlChar*) -> xmlParserInputPtr {
        return nullptr;
    };
    sax.externalSubset = [](void*, const xmlChar*, const xmlChar*, const xmlChar*) {};
    sax.startElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix,
                            const xmlChar* uri, int nb_namespaces, const xmlChar** namespaces,
                            int nb_attributes, int nb_defaulted, const xmlChar** attributes) {
        xmlSAX2StartElementNs(ctx, localname, prefix, uri, nb_namespaces, namespaces, nb_attributes,
                              nb_defaulted, attributes);
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        auto* self = static_cast<Importer*>(ctxt->_private);
        if (ctxt->node)
            self->start_element(ctxt->node);
        if (self->error_)
            xmlStopParser(ctxt);
    };
    sax.endElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix,
                          const xmlChar* uri) {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        auto* self = static_cast<Importer*>(ctxt->_private);
        xmlNode* node = ctxt->node;
        xmlSAX2EndElementNs(ctx, localname, prefix, uri);
        if (!node || node->type != XML_ELEMENT_NODE)
            return;
        const bool done = self->channel_ && node->parent == self->channel_;
        self->end_element(node);
        // Each element of the channel is read once it closes and let go, so the memory the
        // import takes does not grow with the feed.
        // The white space between them goes too: the parser would otherwise add the next
        // text to a node it no longer tracks.
        if (done) {
            while (xmlNode* child = self->channel_->children) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
            }
        }
        if (self->error_)
            xmlStopParser(ctxt);
    };
    sax.serror = [](void* ctx, xmlErrorPtr e) {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        if (ctxt && ctxt->_private)
            static_cast<Importer*>(ctxt->_private)->parse_error(e);
    };
    sax.warning = nullptr;
    sax.error = nullptr;
    sax.fatalError = nullptr;

    // The first bytes tell the encoding.
    const int first = static_cast<int>(std::min<std::size_t>(data.size(), 4));
    const auto free_ctxt = [](xmlParserCtxtPtr c) {
        if (c->myDoc)
            xmlFreeDoc(c->myDoc);
        c->myDoc = nullptr;
        xmlFreeParserCtxt(c);
    };
    std::unique_ptr<xmlParserCtxt, decltype(free_ctxt)> ctxt(
        xmlCreatePushParserCtxt(&sax, nullptr, data.data(), first, nullptr), free_ctxt);
    if (!ctxt)
        return make_error(ErrorKind::Failed, "The XML parser cannot start");
    ctxt->_private = this;
    // No network, no DTD loaded, no entity substituted, the parser's own size limits kept.
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR);
    ctxt->_private = this;

    data.remove_prefix(static_cast<std::size_t>(first));
    while (!error_) {
        bool last = false;
        if (data.empty()) {
            piece = next();
            if (!piece.ok())
                return piece.error();
            data = piece.value();
            read += data.size();
            if (read > options_.max_bytes)
                return too_large();
            last = data.empty();
        }
        const int rc =
            xmlParseChunk(ctxt.get(), data.data(), static_cast<int>(data.size()), last ? 1 : 0);
        data = {};
        if (options_.progress)
            options_.progress(read, total);
        if (rc != 0 || last || ctxt->disableSAX)
            break;
        if (options_.cancel && options_.cancel->load(std::memory_order_relaxed))
            refuse(ErrorKind::Cancelled, "The import was cancelled");
    }
    if (error_)
        return *error_;
    if (!ctxt->wellFormed || !ctxt->myDoc)
        return make_error(ErrorKind::BadInput,
                          "The feed is cut short or is not well-formed XML" +
                              (libxml_error_.empty() ? std::string() : " (" + libxml_error_ + ")"));
    if (!rss_seen_ || !channel_)
        return make_error(ErrorKind::BadInput, "This is no RSS feed: it has no channel");
    if (out_.doc.Feeds.empty())
        return make_error(ErrorKind::BadInput, "The feed holds no episodes");
    finish(xmlDocGetRootElement(ctxt->myDoc));
    return std::move(out_);
}

// The parser's messages that bypass the structured channel (an encoding it cannot convert) are
// not printed: the import's result says what went wrong.
void ignore_message(void* /*context*/, const char* /*format*/, ...) {}

void silence_parser_messages() {
    xmlSetGenericErrorFunc(nullptr, ignore_message);
}

// External entities are never loaded, whatever a document asks, in any parse of this process.
void refuse_external_entities() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlSetExternalEntityLoader([](const char*, const char*,
                                      xmlParserCtxtPtr) -> xmlParserInputPtr { return nullptr; });
    });
}

} // namespace

Result<ImportedFeed> import_feed(std::string_view bytes, const ImportOptions& options) {
    refuse_external_entities();
    silence_parser_messages();
    if (bytes.size() > options.max_bytes)
        return make_error(ErrorKind::TooLarge, "The feed is larger than " +
                                                   std::to_string(options.max_bytes >> 20) + " MB");
    Importer importer(options);
    const auto next = [&bytes]() -> Result<std::string_view> {
        const std::string_view piece = bytes.substr(0, std::min(kChunk, bytes.size()));
        bytes.remove_prefix(piece.size());
        return piece;
    };
    return importer.run(next, bytes.size());
}

bool is_well_formed_fragment(std::string_view markup) {
    refuse_external_entities();
    silence_parser_messages();
    std::string wrapped = "<x>";
    wrapped += markup;
    wrapped += "</x>";
    const auto free_ctxt = [](xmlParserCtxtPtr c) { xmlFreeParserCtxt(c); };
    std::unique_ptr<xmlParserCtxt, decltype(free_ctxt)> ctxt(xmlNewParserCtxt(), free_ctxt);
    if (!ctxt || wrapped.size() > static_cast<std::size_t>(INT32_MAX))
        return false;
    bool entities = false;
    ctxt->_private = &entities;
    ctxt->sax->serror = [](void*, xmlErrorPtr) {};
    ctxt->sax->entityDecl = [](void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*,
                               xmlChar*) {
        auto* c = static_cast<xmlParserCtxtPtr>(ctx);
        *static_cast<bool*>(c->_private) = true;
        xmlStopParser(c);
    };
    xmlDocPtr doc =
        xmlCtxtReadMemory(ctxt.get(), wrapped.data(), static_cast<int>(wrapped.size()), nullptr,
                          "UTF-8", XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc && ctxt->wellFormed && ctxt->nsWellFormed && !entities;
    if (doc)
        xmlFreeDoc(doc);
    return ok;
}

Result<ImportedFeed> import_feed_file(const std::string& path, const ImportOptions& options) {
    refuse_external_entities();
    silence_parser_messages();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return make_error(errno == ENOENT ? ErrorKind::NotFound : ErrorKind::Failed,
                          "Can't read " + path + ": " + std::strerror(errno));
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
    // Read a piece at a time against the limit, never whole: a special file states no size, and
    // the feed need not stand in memory beside the document made of it.
    std::string buffer(kChunk, '\0');
    const auto next = [&]() -> Result<std::string_view> {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
        if (n == 0 && std::ferror(file))
            return make_error(ErrorKind::Failed, "Can't read " + path);
        return std::string_view(buffer.data(), n);
    };
    struct stat st {};
    const std::uint64_t total = ::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode)
                                    ? static_cast<std::uint64_t>(st.st_size)
                                    : 0;
    Importer importer(options);
    return importer.run(next, total);
}

} // namespace qp
