// The program from its first line to its exit status.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qp::ui {

struct AppContext;
class MainWindow;

struct CommandLine {
    bool Portable = false;
    std::string StartFile; // the last accepted project file, as given
    std::string AppTitle;
};

// "-portable" and "-minimize" in any letter case; every other parameter with a project file's
// extension becomes the start file. A program file whose name holds "-portable" is portable.
CommandLine ParseCommandLine(std::string_view program_file, const std::vector<std::string>& args);

// The locale that names the language of messages: LC_ALL, else LC_MESSAGES, else LANG.
std::string locale_of_messages();
// The language of a first start: French for a French locale ("fr", "fr_CA.UTF-8"), else English.
std::string lang_for_locale(std::string_view locale);

// From the log header to the language: the steps between the single-instance check and the main
// window.
void startup_prepare(AppContext& ctx, std::string_view executable_folder);
// The documents of the start: the start file, the last documents, or one new document.
void startup_open_documents(AppContext& ctx, MainWindow& window);
// Saves the preferences and flushes the log once the main loop has ended.
void shutdown(AppContext& ctx);

// The desktop program; its exit status.
int application_run(int argc, char** argv);

} // namespace qp::ui
