#include "cli/commands.h"

#include "core/project_file.h"

#include <cstdio>

namespace qp {

int cmd_save(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error = parse_args(args, {}, {}, parsed); !error.empty())
        return usage_error(error);
    if (parsed.positional.empty())
        return usage_error("save needs a PROJECT");
    if (parsed.positional.size() > 2)
        return usage_error("save takes a PROJECT and at most one OUTPUT");
    if (parsed.positional.size() == 2 && parsed.positional[1].empty())
        return usage_error("OUTPUT is empty");

    const std::string project = absolute_path(parsed.positional[0]);
    const std::string target =
        parsed.positional.size() == 1 ? project : absolute_path(parsed.positional[1]);
    // However OUTPUT is spelled, naming the project itself is a save in place.
    const std::string written = project_save_path(target);
    const bool in_place =
        same_file(project, written) || canonical_path(project) == canonical_path(written);

    Log log;
    Doc doc;
    // Saving rewrites the ".Bak" first, so a newer backup would be lost.
    if (const std::string error =
            load_project(project, doc, log, in_place ? NewerBackup::Refuse : NewerBackup::Warn);
        !error.empty())
        return fail(error);
    if (!in_place && backup_is_newer(written))
        return fail(newer_backup_note(written) + "; remove the backup to save over it");
    if (const SaveResult saved = SaveDoc(doc, target, log); !saved.saved()) {
        // A target without a file name fails before any file step, with the log's own words.
        return fail(saved.status == SaveStatus::NoFileName ? "- Aborted, no filename !"
                                                           : saved.error);
    }
    std::printf("%s\n", doc.FileName.c_str());
    return kExitOk;
}

} // namespace qp
