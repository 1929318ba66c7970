#include "cli/commands.h"

#include "core/file_io.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/preferences.h"
#include "core/project_file.h"
#include "core/text.h"

#include <unistd.h>

#include <algorithm>

namespace qp {

namespace {

// --lang, else "MainLang" of the user's settings file (read, never written).
std::string language_name(const std::string* lang, const Paths& paths) {
    if (lang)
        return *lang;
    Log log;
    Preferences prefs(paths, log);
    (void)prefs.load_preferences();
    return prefs.fixed().MainLang;
}

// A --lang naming no language file is a mistake of the caller, not a reason to show keys.
std::string check_language(const std::string* lang, const LangTable& texts) {
    if (!lang || trim_spaces(*lang).empty() || !texts.file_of(trim_spaces(*lang)).empty())
        return {};
    std::string found;
    for (const std::string& name : texts.lang_list("").names)
        found += (found.empty() ? "" : ", ") + name;
    return "no language file for --lang " + *lang +
           (found.empty() ? "; no language files were found" : "; languages found: " + found);
}

} // namespace

void print_usage(std::FILE* stream) {
    std::fputs("usage: quillpost-cli rss PROJECT [-o OUTPUT]   build the RSS file, print its path\n"
               "       quillpost-cli save PROJECT [OUTPUT]     rewrite a project in the program's "
               "layout\n"
               "       quillpost-cli show PROJECT [--json]     print the channel and its episodes\n"
               "       quillpost-cli publish PROJECT [--password-file FILE] [--no-date-check]\n"
               "                             [--trust FINGERPRINT] [--lang NAME]\n"
               "                             [--no-address-check] [--keyring]\n"
               "                                               build the RSS file and publish it "
               "over\n"
               "                                               FTP, FTPS, SFTP, WebDAV or to S3 "
               "storage;\n"
               "                                               the secret from the file, the "
               "keyring,\n"
               "                                               QUILLPOST_FTP_PASSWORD (S3: "
               "QUILLPOST_S3_SECRET)\n"
               "                                               or the terminal\n"
               "       quillpost-cli check PROJECT [--json] [--lang NAME]\n"
               "                                               tell what the podcast directories "
               "will refuse\n"
               "       quillpost-cli media PROJECT [--lang NAME]\n"
               "                                               take the episodes' lengths and "
               "durations\n"
               "                                               from their media files\n"
               "       quillpost-cli import SOURCE [-o PROJECT] [--download-media FOLDER]\n"
               "                                               a new project from a feed file or "
               "address\n",
               stream);
}

int usage_error(std::string_view message) {
    std::fprintf(stderr, "quillpost-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    print_usage(stderr);
    return kExitUsage;
}

int fail(std::string_view message) {
    std::fprintf(stderr, "quillpost-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return kExitFailure;
}

const std::string* ParsedArgs::option(std::string_view name) const {
    for (const auto& [key, value] : options)
        if (key == name)
            return &value;
    return nullptr;
}

std::string parse_args(const std::vector<std::string>& args,
                       std::initializer_list<std::string_view> with_value,
                       std::initializer_list<std::string_view> flags, ParsedArgs& out) {
    const auto listed = [](std::initializer_list<std::string_view> list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A lone "-" is a name like any other.
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        if (out.option(arg))
            return "option " + arg + " given twice";
        if (listed(with_value, arg)) {
            if (i + 1 >= args.size())
                return "option " + arg + " needs a value";
            out.options.emplace_back(arg, args[++i]);
        } else if (listed(flags, arg)) {
            out.options.emplace_back(arg, std::string());
        } else {
            return "unknown option " + arg;
        }
    }
    return {};
}

std::string absolute_path(std::string_view path) {
    if (path.empty() || is_absolute_path(path))
        return std::string(path);
    return current_directory() + std::string(path);
}

std::string newer_backup_note(const std::string& path) {
    return "the backup " + backup_path(path) + " is newer than " + path +
           " (an earlier save did not finish)";
}

std::string load_project(const std::string& path, Doc& doc, Log& log, NewerBackup newer_backup) {
    if (!file_exists(path))
        return "no such project file: " + path;
    if (backup_is_newer(path)) {
        const std::string note = newer_backup_note(path);
        if (newer_backup == NewerBackup::Refuse)
            return note + "; open the project in Quillpost to choose which to keep, or remove the "
                          "backup";
        std::fprintf(stderr, "quillpost-cli: warning: %s; using the project file\n", note.c_str());
    }
    if (const FileResult r = LoadDoc(doc, path, log); !r.ok())
        return "can't read the project file " + path + ": " + r.error_text();
    doc.FileName = path;
    // Media files named without a folder of their own lie beside the project, as the program
    // reads them once it has opened the project; every path of the command is absolute by now.
    (void)::chdir(folder_part(path).c_str());
    return {};
}

std::string executable_folder() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? folder_part(std::string_view(buf, static_cast<std::size_t>(n))) : std::string();
}

std::string select_language(const std::string* lang, const Paths& paths, LangTable& texts) {
    if (std::string error = check_language(lang, texts); !error.empty())
        return error;
    texts.Lang_Select(language_name(lang, paths));
    return {};
}

std::string one_line(std::string_view text) {
    return strip_controls(replace_all(replace_all(text, "\r\n", " "), "\n", " "));
}

} // namespace qp
