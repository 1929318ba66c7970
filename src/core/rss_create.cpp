#include "core/rss_create.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/rss_writer.h"

namespace qp {

RssCreateResult Rss_Create(Doc& doc, Log& log, const Paths& paths, std::string_view output_path) {
    RssCreateResult result;
    if (doc.Flag & kAutoLastBuildDate) {
        doc.LastBuildDate = Now();
        SetModified(doc, true);
    }
    // The save may give the project a new name; the file it was read from is kept safe as well.
    const std::string read_from = doc.FileName;
    SaveResult saved = SaveDoc(doc, doc.FileName, log);
    result.save = saved.status;
    if (!saved.saved()) {
        result.error = saved.status == SaveStatus::NoFileName ? "Aborted, no filename"
                                                              : std::move(saved.error);
        return result;
    }

    result.rss_path = output_path.empty() ? Rss_FilePath(doc) : std::string(output_path);
    // An RSS name that is the project's own name (possible for old files without a format line)
    // would overwrite the project.
    for (const std::string& project : {read_from, doc.FileName}) {
        if (same_file(result.rss_path, project) ||
            canonical_path(result.rss_path) == canonical_path(project)) {
            log.add("! RSS file would replace the project " + project);
            result.error = std::string(kRssErrorSave) + ": it would replace the project " + project;
            return result;
        }
    }
    result.error = BuildRssFile(result.rss_path, doc, result.job, paths);
    if (!result.error.empty())
        log.add("! " + result.error);
    return result;
}

} // namespace qp
