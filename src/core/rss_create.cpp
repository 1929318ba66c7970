#include "core/rss_create.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_writer.h"

#include <random>
#include <system_error>
#include <thread>

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
    // The build reads nothing the save changes, so it runs beside the save on a second core,
    // into a file of its own in the RSS file's folder that takes the RSS file's name only once
    // the project is saved.
    const std::string staged = folder_part(output_path.empty() ? doc.FileName : output_path) +
                               ".rss" + std::to_string(std::random_device()()) + ".tmp";
    std::string build_error;
    const auto build = [&] { build_error = BuildRssFile(staged, doc, result.job, paths); };
    std::thread builder;
    try {
        builder = std::thread(build);
    } catch (const std::system_error&) {
        build();
    }
    const int saved = SaveDoc(doc, doc.FileName, log);
    if (builder.joinable())
        builder.join();
    if (!saved) {
        (void)remove_file(staged);
        result.error = last_log_line(log, "! Error, Not saved " + doc.FileName);
        return result;
    }
    result.saved = true;

    result.rss_path = output_path.empty() ? Rss_FilePath(doc) : std::string(output_path);
    // An RSS name that is the project's own name (possible for old files without a format line)
    // would overwrite the project just saved.
    if (canonical_path(result.rss_path) == canonical_path(doc.FileName)) {
        (void)remove_file(staged);
        log.add("! RSS file would replace the project " + doc.FileName);
        result.error = kRssErrorSave;
        return result;
    }
    if (build_error.empty() && !rename_file(staged, result.rss_path))
        build_error = kRssErrorSave;
    if (!build_error.empty()) {
        (void)remove_file(staged);
        result.error = build_error;
        log.add("! " + result.error);
    }
    return result;
}

} // namespace qp
