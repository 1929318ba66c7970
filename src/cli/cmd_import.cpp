#include "cli/commands.h"

#include "core/feed_import.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/project_format.h"
#include "core/rss_writer.h"
#include "core/text.h"
#include "net/episode_download.h"
#include "net/http_check.h"
#include "net/http_fetch.h"

#include <cerrno>
#include <cstdio>

namespace qp {

namespace {

// Creates path with the project of doc, written in pieces beside it and named only when all of
// it is on disk; never replaces a file that is there, even one made meanwhile.
Status write_new_project(const std::string& path, const Doc& doc) {
    FileReplacement file;
    Status written = file.begin(path, path);
    if (!written.ok())
        return make_error(written.error().kind,
                          "can't create " + path + ": " + written.error_text());
    written = write_project(doc, [&file](std::string_view piece) { return file.write(piece); });
    if (written.ok())
        written = file.commit_new();
    if (written.ok())
        return {};
    if (written.error() == system_error(EEXIST))
        return make_error(ErrorKind::Failed, "the project " + path + " exists already");
    return make_error(written.error().kind, "can't write " + path + ": " + written.error_text());
}

} // namespace

int cmd_import(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error = parse_args(args, {"-o", "--download-media"}, {}, parsed);
        !error.empty())
        return usage_error(error);
    if (parsed.positional.size() != 1)
        return usage_error(parsed.positional.empty() ? "import needs a SOURCE"
                                                     : "import takes one SOURCE");
    const std::string* output = parsed.option("-o");
    if (output && output->empty())
        return usage_error("-o needs a project file name");
    const std::string* media = parsed.option("--download-media");
    if (media && media->empty())
        return usage_error("--download-media needs a folder");
    const std::string& source = parsed.positional[0];
    // Named before anything is read, so a project in the way costs no download.
    if (output) {
        const std::string project = absolute_path(*output);
        if (file_exists(project))
            return fail("the project " + project + " exists already");
    }

    Result<ImportedFeed> imported = make_error(ErrorKind::Failed, "");
    if (net::http_is_web_address(source)) {
        Result<std::string> bytes = net::fetch_address(source);
        if (!bytes.ok())
            return fail(bytes.error_text());
        imported = import_feed(bytes.value());
    } else {
        imported = import_feed_file(absolute_path(source));
    }
    if (!imported.ok())
        return fail(imported.error_text());
    Doc& doc = imported->doc;
    const std::string project = absolute_path(output ? *output : project_file_name(doc.Title));
    doc.FileName = project;
    if (file_exists(project))
        return fail("the project " + project + " exists already");
    if (media) {
        net::EpisodeDownloads downloads;
        downloads.progress = [](std::size_t, const std::string& path, std::uint64_t done,
                                std::uint64_t total) {
            if (total > 0)
                std::fprintf(stderr, "\r%s: %3d %%", path.c_str(),
                             static_cast<int>(done * 100 / total));
        };
        downloads.fetched = [](const std::string& path, std::uint64_t size) {
            std::fputc('\n', stderr);
            std::printf("Downloaded: %s (%llu bytes)\n", path.c_str(),
                        static_cast<unsigned long long>(size));
        };
        if (const Status got =
                net::download_episodes(doc, with_slash(absolute_path(*media)), downloads);
            !got.ok())
            return fail(got.error_text() + " (the import resumes where it stopped when run again)");
    }
    if (const Status written = write_new_project(project, doc); !written.ok())
        return fail(written.error_text());

    std::printf("Title: %s\n", one_line(doc.Title).c_str());
    std::printf("Episodes: %zu\n", doc.Feeds.size());
    for (const KeptElement& kept : imported->kept)
        std::printf("Kept as it stands: %s %s (%d)\n", kept.where.c_str(), kept.name.c_str(),
                    kept.count);
    for (const std::string& note : imported->notes)
        std::printf("Note: %s\n", one_line(note).c_str());
    std::printf("Project: %s\n", project.c_str());
    return kExitOk;
}

} // namespace qp
