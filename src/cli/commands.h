// The commands of quillpost-cli. Each takes the arguments after its name and returns the exit
// status: 0 success, 1 failure (message on standard error), 2 usage error.
#pragma once

#include "core/document.h"
#include "core/log.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qp {

class LangTable;
class Paths;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int cmd_rss(const std::vector<std::string>& args);
int cmd_save(const std::vector<std::string>& args);
int cmd_show(const std::vector<std::string>& args);
// PROJECT [--password-file FILE] [--keyring] [--no-date-check] [--no-address-check]
// [--trust FINGERPRINT] [--lang NAME]
int cmd_publish(const std::vector<std::string>& args);
// PROJECT [--json] [--lang NAME]: exit status 1 when the directories would refuse the feed.
int cmd_check(const std::vector<std::string>& args);
// PROJECT [--lang NAME]
int cmd_media(const std::vector<std::string>& args);
// SOURCE [-o PROJECT] [--download-media FOLDER]: SOURCE a feed file or an http(s) address;
// never replaces a project.
int cmd_import(const std::vector<std::string>& args);

// --- Shared by the commands (common.cpp) ----------------------------------------------------

// Prints the usage text on stream.
void print_usage(std::FILE* stream);
// Prints "quillpost-cli: " + message and the usage text on standard error; returns kExitUsage.
int usage_error(std::string_view message);
// Prints "quillpost-cli: " + message on standard error; returns kExitFailure.
int fail(std::string_view message);

// Splits args into positional arguments and "-x VALUE" options. Options in with_value take the
// next argument, those in flags stand alone; "--" ends the options. Empty error text on success.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    const std::string* option(std::string_view name) const;
};
std::string parse_args(const std::vector<std::string>& args,
                       std::initializer_list<std::string_view> with_value,
                       std::initializer_list<std::string_view> flags, ParsedArgs& out);

// The path made absolute against the folder the tool was started in, since saving and loading
// may change the current folder.
std::string absolute_path(std::string_view path);

// The folder of the running executable, with a trailing "/"; empty when it cannot be told.
std::string executable_folder();
// Loads the language the tool speaks: --lang (lang, null when not given), else "MainLang" of the
// settings file in the current folder. Empty on success, else why a --lang cannot be used.
[[nodiscard]] std::string select_language(const std::string* lang, const Paths& paths,
                                          LangTable& texts);

// A value on one line of a listing: line breaks become spaces, other controls go.
std::string one_line(std::string_view text);

// What to do when the project's ".Bak" is newer than the project: an earlier save did not finish
// and the backup may hold the latest content.
enum class NewerBackup {
    Refuse, // the command would overwrite the backup: stop and leave both files alone
    Warn,   // the command only reads: use the project file and say so
};

// Says that the backup of path is newer than path.
std::string newer_backup_note(const std::string& path);

// Reads the project at path into doc (a fresh record, as the program opens files) with its
// FileName set to path. Never creates a file. Empty on success, else the message to show.
std::string load_project(const std::string& path, Doc& doc, Log& log, NewerBackup newer_backup);

} // namespace qp
