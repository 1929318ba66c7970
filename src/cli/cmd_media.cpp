#include "cli/commands.h"

#include "core/language.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/text.h"
#include "media/media.h"

#include <cstdio>

namespace qp {

int cmd_media(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error = parse_args(args, {"--lang"}, {}, parsed); !error.empty())
        return usage_error(error);
    if (parsed.positional.size() != 1)
        return usage_error(parsed.positional.empty() ? "media needs a PROJECT"
                                                     : "media takes one PROJECT");

    // The folders are fixed before anything can change the current folder.
    const Paths paths = Paths::from_system(executable_folder());
    const std::string project = absolute_path(parsed.positional[0]);

    LangTable texts(language_folders(paths.pref_folder(), executable_folder()));
    if (const std::string error = select_language(parsed.option("--lang"), paths, texts);
        !error.empty())
        return usage_error(error);

    Log log; // the tool never writes the program's log file
    Doc doc;
    // A save rewrites the ".Bak" first, so a newer backup would be lost.
    if (const std::string error = load_project(project, doc, log, NewerBackup::Refuse);
        !error.empty())
        return fail(error);

    const MediaRefreshResult r = media_refresh(doc, paths);
    // A project nothing changed in keeps its file, date included.
    if (r.any_change()) {
        if (const SaveResult saved = SaveDoc(doc, project, log); !saved.saved())
            return fail(saved.error);
    }
    const std::string counts =
        texts.get("Media.Done", {std::to_string(r.updated), std::to_string(r.missing),
                                 std::to_string(r.unreadable)});
    std::printf("%s\n", replace_all(counts, "\r\n", "\n").c_str());
    return kExitOk;
}

} // namespace qp
