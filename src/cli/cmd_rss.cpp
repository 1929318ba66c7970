#include "cli/commands.h"

#include "core/file_io.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_create.h"

#include <cstdio>

namespace qp {

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

    // The folders are fixed before anything can change the current folder.
    const Paths paths = Paths::from_system(executable_folder());
    const std::string project = absolute_path(parsed.positional[0]);
    const std::string rss_output = output ? absolute_path(*output) : std::string();

    // Caught here, before the save, for a clear message; the RSS step refuses it as well.
    if (!rss_output.empty()) {
        for (const std::string& file : {project, ProjectSavePath(project)})
            if (same_file(rss_output, file) || canonical_path(rss_output) == canonical_path(file))
                return fail("OUTPUT names the project file itself: " + rss_output);
    }

    Log log; // the tool never writes the program's log file
    Doc doc;
    if (const std::string error = load_project(project, doc, log, NewerBackup::Refuse);
        !error.empty())
        return fail(error);

    const RssCreateResult result = Rss_Create(doc, log, paths, rss_output);
    if (!result.ok())
        return fail(result.error);
    std::printf("%s\n", result.rss_path.c_str());
    return kExitOk;
}

} // namespace qp
