#include "core/rss_create.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_writer.h"

namespace qp {

namespace {

// The last line the save wrote, which names the failure; a flush in between may have taken it
// to the file already, hence the fallback.
std::string last_log_line(const Log& log, std::string_view fallback) {
    std::string text = log.text();
    while (text.ends_with("\r\n"))
        text.resize(text.size() - 2);
    const std::size_t start = text.rfind("\r\n");
    std::string line = start == std::string::npos ? text : text.substr(start + 2);
    if (line.starts_with("! ") || line.starts_with("- Aborted"))
        return line;
    return std::string(fallback);
}

} // namespace

RssCreateResult Rss_Create(Doc& doc, Log& log, const Paths& paths, std::string_view output_path) {
    RssCreateResult result;
    if (doc.Flag & kAutoLastBuildDate) {
        doc.LastBuildDate = Now();
        SetModified(doc, true);
    }
    if (!SaveDoc(doc, doc.FileName, log)) {
        result.error = last_log_line(log, "! Error, Not saved " + doc.FileName);
        return result;
    }
    result.saved = true;

    result.rss_path = output_path.empty() ? Rss_FilePath(doc) : std::string(output_path);
    // An RSS name that is the project's own name (possible for old files without a format line)
    // would overwrite the project just saved.
    if (canonical_path(result.rss_path) == canonical_path(doc.FileName)) {
        log.add("! RSS file would replace the project " + doc.FileName);
        result.error = kRssErrorSave;
        return result;
    }
    result.error = BuildRssFile(result.rss_path, doc, result.job, paths);
    if (!result.error.empty())
        log.add("! " + result.error);
    return result;
}

} // namespace qp
