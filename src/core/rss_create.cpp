#include "core/rss_create.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/rss_writer.h"

#include <system_error>
#include <thread>

namespace qp {

RssCreateResult Rss_Create(Doc& doc, Log& log, const Paths& paths, std::string_view output_path) {
    RssCreateResult result;
    if (doc.Flag & kAutoLastBuildDate) {
        doc.LastBuildDate = now_in(doc.TimeZone);
        SetModified(doc, true);
    }
    // The build reads nothing the save changes, so it runs beside the save on a second core, into
    // a temporary file of the RSS file's folder that takes the RSS file's place only once the
    // project is saved (the save may still give the project, and so the RSS file, its name).
    const std::string read_from = doc.FileName;
    const std::string planned =
        resolve_links(output_path.empty() ? rss_file_path(doc) : std::string(output_path));
    FileReplacement rss;
    std::string build_error;
    ErrorKind build_kind = ErrorKind::Failed;
    const auto build = [&] {
        if (FileResult r = rss.begin(planned, planned); !r.ok()) {
            build_error = std::string(kRssErrorSave) + ": " + r.error_text();
            build_kind = r.kind();
        } else
            build_error = build_rss_into(rss, doc, result.job, paths);
    };
    std::thread builder;
    try {
        builder = std::thread(build);
    } catch (const std::system_error&) {
        build();
    }
    SaveResult saved = SaveDoc(doc, doc.FileName, log);
    if (builder.joinable())
        builder.join();
    result.save = saved.status;
    result.save_target = saved.target;
    result.save_reason = saved.reason;
    if (!saved.saved()) {
        result.kind = saved.kind;
        result.error = saved.status == SaveStatus::NoFileName ? "Aborted, no filename"
                                                              : std::move(saved.error);
        return result;
    }

    result.rss_path = output_path.empty() ? rss_file_path(doc) : std::string(output_path);
    // An RSS name that is the project's own name (possible for old files without a format line)
    // would overwrite the project; the file it was read from is kept safe as well.
    for (const std::string& project : {read_from, doc.FileName}) {
        if (same_file(result.rss_path, project) ||
            canonical_path(result.rss_path) == canonical_path(project)) {
            log.add("! RSS file would replace the project " + project);
            result.error = std::string(kRssErrorSave) + ": it would replace the project " + project;
            return result;
        }
    }
    if (build_error.empty()) {
        if (FileResult r = rss.commit_as(resolve_links(result.rss_path)); !r.ok()) {
            build_error = std::string(kRssErrorSave) + ": " + r.error_text();
            build_kind = r.kind();
        }
    }
    if (!build_error.empty()) {
        result.kind = build_kind;
        result.error = build_error;
        log.add("! " + result.error);
    }
    return result;
}

} // namespace qp
