// Turning a document into its RSS 2.0 file (with the iTunes and podcast namespace elements when
// asked), and collecting on the way the enclosure files that publishing will upload.
#pragma once

#include "core/document.h"
#include "core/paths.h"
#include "core/upload_job.h"
#include "core/version.h"
#include "core/xml_writer.h"

#include <string>
#include <string_view>

namespace qp {

class FileReplacement;

inline constexpr std::string_view kItunesNamespace = "http://www.itunes.com/dtds/podcast-1.0.dtd";
inline constexpr std::string_view kPodcastNamespace = "https://podcastindex.org/namespace/1.0";
inline constexpr std::string_view kAtomNamespace = "http://www.w3.org/2005/Atom";
inline constexpr std::string_view kContentNamespace = "http://purl.org/rss/1.0/modules/content/";

// The failure texts of the RSS build, shown as they are.
inline constexpr std::string_view kRssErrorCreate = "Can't create XML";
inline constexpr std::string_view kRssErrorChannel = "Can't add channel ChildNode";
inline constexpr std::string_view kRssErrorItem = "Can't add Item";
inline constexpr std::string_view kRssErrorSave = "Can't save Xml File";

// Whether link starts with a scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
bool url_has_scheme(std::string_view link);
// An absolute http:// or https:// address with a host: what a reader can fetch.
bool url_is_web(std::string_view url);
// A link without a scheme is relative to base: base, a "/" unless base is empty or ends with one,
// and the link. A link with a scheme is returned unchanged.
std::string Url_Join(std::string_view link, std::string_view base);

enum class UrlPart {
    Address, // a whole address: "?" and "#" start its query and fragment
    Path,    // a path on the server: "?", "#", "[" and "]" are part of its names
};
// The address trimmed of spaces, without control characters, with every byte a URI may not hold
// as it stands percent-encoded; an existing "%XX" is kept as it is.
std::string url_encode(std::string_view url, UrlPart part);
// Url_Join, encoded as an address: what the RSS file writes for a link.
std::string url_address(std::string_view link, std::string_view base);
// The enclosure's address as the item writes it: FeedFileOnFTP, or its folder and the name of the
// local file when it names no file, encoded and joined to the channel link. local is FeedFile with
// its placeholders resolved.
std::string enclosure_url(const Doc& doc, const Feed& feed, std::string_view local);
// The enclosure's address as listeners' apps fetch it: behind the document's measurement prefix,
// which takes the address without its "http://" or "https://", as the measurement services' own
// prefixes do; the address itself without a prefix.
std::string measured_url(const Doc& doc, const std::string& url);

// The RSS file name: `RssName`, or the project's file name without its extension, with ".Xml"
// appended for the RSS 2.0 format.
std::string Rss_FileName(const Doc& doc);
// The RSS file beside the project file.
std::string rss_file_path(const Doc& doc);

// Builds the document's RSS file and writes it through sink, one item's elements at a time, and
// adds the enclosures to upload to job. Empty on success, else one of the failure texts.
[[nodiscard]] std::string build_rss_xml(const Doc& doc, UploadJob& job, const Paths& paths,
                                        XmlSink& sink);
// build_rss_xml streamed into file, which the caller begun and commits. Empty on success, else a
// failure text ("Can't save Xml File" with the system's reason when a write fails).
[[nodiscard]] std::string build_rss_into(FileReplacement& file, const Doc& doc, UploadJob& job,
                                         const Paths& paths);
// build_rss_xml written to path through a synced temporary file renamed into place, so a failed
// write never leaves a cut-short feed. Empty on success, else a failure text as above.
[[nodiscard]] std::string BuildRssFile(const std::string& path, const Doc& doc, UploadJob& job,
                                       const Paths& paths);

} // namespace qp
