#include "cli/commands.h"

#include "core/feed_check.h"
#include "core/json.h"
#include "core/language.h"
#include "core/paths.h"

#include <cstdio>

namespace qp {

namespace {

const char* level_name(CheckLevel level) {
    return level == CheckLevel::Error ? "error" : "warning";
}

std::string as_json(const Doc& doc, const std::vector<CheckFinding>& findings, Texts& texts) {
    JsonWriter json;
    json.begin_array();
    for (const CheckFinding& f : findings) {
        json.begin_object();
        json.key("level");
        json.value(level_name(f.level));
        json.key("episode");
        if (f.feed >= 0)
            json.value(static_cast<std::int64_t>(f.feed) + 1);
        else
            json.null();
        json.key("key");
        json.value(f.key);
        json.key("text");
        json.value(check_text(doc, f, texts));
        json.end_object();
    }
    json.end_array();
    return json.str() + "\n";
}

std::string as_text(const Doc& doc, const std::vector<CheckFinding>& findings, Texts& texts) {
    std::string out;
    std::size_t errors = 0;
    for (const CheckFinding& f : findings) {
        errors += f.level == CheckLevel::Error ? 1 : 0;
        out += std::string(level_name(f.level)) + ": " + one_line(check_text(doc, f, texts)) + "\n";
    }
    out += texts.get("Check.Summary",
                     {std::to_string(errors), std::to_string(findings.size() - errors)}) +
           "\n";
    return out;
}

} // namespace

int cmd_check(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error = parse_args(args, {"--lang"}, {"--json"}, parsed); !error.empty())
        return usage_error(error);
    if (parsed.positional.size() != 1)
        return usage_error(parsed.positional.empty() ? "check needs a PROJECT"
                                                     : "check takes one PROJECT");
    const Paths paths = Paths::from_system(executable_folder());
    LangTable texts(language_folders(paths.pref_folder(), executable_folder()));
    if (const std::string error = select_language(parsed.option("--lang"), paths, texts);
        !error.empty())
        return usage_error(error);

    Log log;
    Doc doc;
    if (const std::string error =
            load_project(absolute_path(parsed.positional[0]), doc, log, NewerBackup::Warn);
        !error.empty())
        return fail(error);
    const std::vector<CheckFinding> findings = feed_check(doc, paths);
    const std::string out =
        parsed.option("--json") ? as_json(doc, findings, texts) : as_text(doc, findings, texts);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return fail("can't write the output");
    return check_has_error(findings) ? kExitFailure : kExitOk;
}

} // namespace qp
