#include "core/rss_create.h"

#include "core/chapters.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/publish_plan.h"
#include "core/rss_writer.h"

#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

namespace qp {

namespace {

// Writes each item's made chapters file beside the project and adds it to the uploads.
Status write_chapters_files(const Doc& doc, const Paths& paths, UploadJob& job) {
    const std::string folder = folder_part(doc.FileName);
    std::set<std::string> written;
    for (const Feed& feed : doc.Feeds) {
        const std::string local = feed.FeedFile.empty() ? "" : paths.Path_Expand(feed.FeedFile);
        std::optional<UploadEntry> made = chapters_upload(doc, feed, local, folder);
        if (!made)
            continue;
        // Enclosures of one name in two server folders would share the file on disk; the later
        // one gets a numbered name there, and keeps its name on the server.
        const std::string stem = made->local_file.substr(0, made->local_file.size() - 5);
        for (int n = 2; !written.insert(made->local_file).second; ++n)
            made->local_file = stem + "-" + std::to_string(n) + ".json";
        const std::string target = resolve_links(made->local_file);
        const std::string json = chapters_json(feed.FeedChapters);
        // Made again from the project by every creation, before anything is published, so a
        // file cut short by a crash is mended by the next one: it is written without the flush
        // to disk a feed of thousands of episodes would pay, and left alone when unchanged.
        // A pipe under the name would hold the write until something reads it.
        std::error_code error;
        const auto kind = std::filesystem::status(target, error).type();
        if (kind != std::filesystem::file_type::not_found &&
            kind != std::filesystem::file_type::regular && kind != std::filesystem::file_type::none)
            return make_error(ErrorKind::Failed, "Can't save the chapters file " +
                                                     made->local_file + ": not a regular file");
        std::string old;
        if (!read_regular_file(target, old, json.size() + 1).ok() || old != json) {
            if (FileResult r = write_file(target, json); !r.ok())
                return make_error(r.kind(), "Can't save the chapters file " + made->local_file +
                                                ": " + r.error_text());
        }
        job.files.push_back(std::move(*made));
    }
    return {};
}

} // namespace

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
    // The chapters files the items name are in place before the feed that names them.
    if (build_error.empty() && (doc.Flag & kPodcastInclude)) {
        if (Status r = write_chapters_files(doc, paths, result.job); !r.ok()) {
            build_error = r.error_text();
            build_kind = r.kind();
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
