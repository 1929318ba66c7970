#include "cli/commands.h"

#include "core/file_io.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_create.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace qp {

namespace {
std::string temp_folder();
int rss_build(const std::string& project, const std::string& rss_output, const Paths& paths,
              bool to_stdout);
} // namespace

int cmd_rss(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error = parse_args(args, {"-o"}, {}, parsed); !error.empty())
        return usage_error(error);
    if (parsed.positional.size() != 1)
        return usage_error(parsed.positional.empty() ? "rss needs a PROJECT"
                                                     : "rss takes one PROJECT");
    const std::string* output = parsed.option("-o");
    if (output && output->empty())
        return usage_error("-o needs a file name");
    const bool to_stdout = output && *output == "-";

    // The folders are fixed before anything can change the current folder.
    const Paths paths = Paths::from_system(executable_folder());
    const std::string project = absolute_path(parsed.positional[0]);
    // "-o -": the file is built in a private temporary folder, then copied to standard output.
    std::string scratch_folder;
    if (to_stdout) {
        std::string pattern = temp_folder() + "quillpost-rss-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            return fail("can't create a temporary folder in " + temp_folder());
        scratch_folder = pattern + "/";
    }
    const std::string rss_output = to_stdout ? scratch_folder + "feed.xml"
                                   : output  ? absolute_path(*output)
                                             : std::string();
    const int status = rss_build(project, rss_output, paths, to_stdout);
    if (!scratch_folder.empty()) {
        (void)std::remove(rss_output.c_str());
        (void)::rmdir(scratch_folder.c_str());
    }
    return status;
}

namespace {

std::string temp_folder() {
    const char* tmp = std::getenv("TMPDIR");
    return with_slash(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
}

int rss_build(const std::string& project, const std::string& rss_output, const Paths& paths,
              bool to_stdout) {
    // Caught here, before the save, for a clear message; the RSS step refuses it as well.
    if (!rss_output.empty()) {
        for (const std::string& file : {project, project_save_path(project)})
            if (same_file(rss_output, file) || canonical_path(rss_output) == canonical_path(file))
                return fail("OUTPUT names the project file itself: " + rss_output);
    }

    Log log; // the tool never writes the program's log file
    Doc doc;
    if (const std::string error = load_project(project, doc, log, NewerBackup::Refuse);
        !error.empty())
        return fail(error);

    const RssCreateResult result = Rss_Create(doc, log, paths, rss_output);
    if (!result.ok()) {
        // A failed write of the RSS file says which file it was.
        const bool named = result.rss_path.empty() || result.save != SaveStatus::Saved ||
                           result.error.find(result.rss_path) != std::string::npos;
        return fail(named ? result.error : result.error + " (" + result.rss_path + ")");
    }
    if (!to_stdout) {
        std::printf("%s\n", result.rss_path.c_str());
        return kExitOk;
    }
    std::string text;
    if (!read_file(result.rss_path, text))
        return fail("can't read the RSS file " + result.rss_path);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return fail("can't write to the standard output");
    return kExitOk;
}

} // namespace

} // namespace qp
