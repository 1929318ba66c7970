// What every window of the program works with: folders, log, texts, preferences, the open
// documents and the seams for modal windows. The application owns one; a test builds its own.
#pragma once

#include "core/documents.h"
#include "core/find_state.h"
#include "core/keys.h"
#include "core/language.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/preferences.h"
#include "core/texts.h"
#include "ui/context/seams.h"

#include <functional>
#include <string>

namespace qp::ui {

// Windows and services that live outside the shell. An empty hook tells the user that the window
// is not there yet.
struct SystemHooks {
    std::function<void()> Help_Show;
    std::function<void()> About_Show;
    std::function<void()> WhatsNew_Show;
    std::function<void()> Log_Show;
    std::function<void()> CheckNewVersion;
    // System-wide hotkeys; without these every registration is refused.
    std::function<bool(int window, KeyCode code, int command)> RegisterHotKey;
    std::function<bool(int window, int command)> UnregisterHotKey;
};

struct AppContext {
    explicit AppContext(Paths folders);

    Paths paths;
    Log log;
    LangTable lang;
    Preferences prefs;
    Docs docs;
    FindState find;
    // The seams for modal windows; set by whoever builds the context, before the first command.
    Requester* requester = nullptr;
    FilePicker* files = nullptr;
    SystemHooks hooks;

    std::string AppTitle{"Quillpost"};
    bool Portable = false;
    std::string StartFile;
    std::string StartFolder;
    std::string program_file; // full path of the running executable
};

// Writes the settings file when forced or when something changed. A failure is logged when log
// is given and told to the user: accepted identities and choices are not lost without a word.
// True when the file was written or had no need to be.
bool settings_save(Preferences& prefs, Texts& texts, Requester& requester, bool force,
                   QWidget* parent, Log* log = nullptr);

} // namespace qp::ui
