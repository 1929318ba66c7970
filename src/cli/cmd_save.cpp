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
    const bool in_place = parsed.positional.size() == 1;
    const std::string target = in_place ? project : absolute_path(parsed.positional[1]);

    Log log;
    Doc doc;
    // Saving in place rewrites the ".Bak" first, so a newer backup would be lost.
    if (const std::string error =
            load_project(project, doc, log, in_place ? NewerBackup::Refuse : NewerBackup::Warn);
        !error.empty())
        return fail(error);
    if (!SaveDoc(doc, target, log))
        return fail(last_log_line(log));
    std::printf("%s\n", doc.FileName.c_str());
    return kExitOk;
}

} // namespace qp
