// The preference store: the table of registered settings, the fixed window and language
// settings, the recently opened files, and the two preference files that keep them between runs.
#pragma once

#include "core/ini_file.h"
#include "core/keys.h"
#include "core/log.h"
#include "core/paths.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

enum class PrefKind : int {
    Flag = 0,
    Shortcut = 1,
    GlobalShortcut = 2, // system-wide when its key qualifies
    State = 3,          // numeric control state
    Text = 4,
    Path = 5, // stored with placeholders, held expanded
};

struct PrefItem {
    int Id = 0; // control number, or the command number of a shortcut
    std::string Name;
    std::string Value;
    std::string Default;
    PrefKind Kind = PrefKind::Flag;
    int Window = 0;
    int Menu = kMenuNone;
};

// Controls of the preferences window, and the default folder no window edits.
inline constexpr int kPrefOnStartOpenLast = 82;
inline constexpr int kPrefStatusEdit = 88;
inline constexpr int kPrefStatusTree = 90;
// After publishing, ask the web server for every file sent.
inline constexpr int kPrefCheckAddresses = 84;
inline constexpr int kPrefDefaultPath = 74;

inline constexpr std::string_view kSettingsFileName = "Quillpost.ini";
inline constexpr std::string_view kLastDocsFileName = "Quillpost-Last.ini";
inline constexpr std::size_t kRecentMax = 10;

struct FixedSettings {
    int MainWindowX = 0;
    int MainWindowY = 100;
    int MainWindowW = 600;
    int MainWindowH = 400;
    int MainWindowZ = 0;  // 0 normal, 16777216 maximised
    std::string MainLang; // empty: the built-in language
};

// "on" or "1" in any letter case, with spaces around.
bool Pref_IsOn(std::string_view value);
// An empty name never matches; an empty prefix matches every other name.
bool Pref_NameMatches(std::string_view name, std::string_view prefix);

// Most recent first, at most kRecentMax texts (files opened, feeds imported), kept in the
// settings file under key + 0, 1, ... Texts keep their letter case: only the very same text
// moves up.
class RecentList {
public:
    // Moves or puts value first; false when nothing changed (an empty value, or already first).
    bool add(std::string_view value);
    const std::vector<std::string>& items() const { return items_; }
    void read(const IniReader& file, std::string_view key);
    void write(IniWriter& file, std::string_view key) const;

private:
    std::vector<std::string> items_;
};

class Preferences {
public:
    // The folders and the log belong to the application and outlive the store.
    Preferences(const Paths& paths, Log& log);

    // Registration appends an item unless one has the id or, ignoring case, the name; a
    // duplicate is ignored and the first default stays. True when the item was appended.
    // The add_*_preference family is AddZQ_Flag, AddZQ_KeyboardShortcut, AddZQ_String and so on.
    bool add_flag_preference(std::string_view name, int id, int window, bool default_on);
    bool add_shortcut_preference(std::string_view name, int id, int window, KeyCode default_key,
                                 int menu);
    bool add_global_shortcut_preference(std::string_view name, int id, int window,
                                        KeyCode default_key, int menu);
    bool add_state_preference(std::string_view name, int id, int window, int default_state);
    bool add_text_preference(std::string_view name, int id, int window,
                             std::string_view default_text);
    bool add_path_preference(std::string_view name, int id, int window,
                             std::string_view default_path);

    // Finds the first item with this id or (when name is not empty) this name ignoring case
    // and makes it the current item.
    bool Pref_Find(int id, std::string_view name = {});
    // The item of the last successful Pref_Find; null before any.
    PrefItem* current_item();
    // The empty text for an id never registered.
    // preference_value is GetZQValue, set_preference_value SetZQValue.
    std::string preference_value(int id);
    void set_preference_value(int id, std::string_view value);
    const std::vector<PrefItem>& table() const { return table_; }

    void Pref_ReadItems(const IniReader& file, std::string_view prefix);
    void Pref_WriteItems(IniWriter& file, std::string_view prefix) const;

    FixedSettings& fixed() { return fixed_; }
    const FixedSettings& fixed() const { return fixed_; }

    // Recently opened files, most recent first, paths as they are.
    const std::vector<std::string>& recent() const { return recent_.items(); }
    // Moves or puts path first; the list keeps at most kRecentMax entries.
    void recent_add(std::string_view path);
    // Feed files and addresses imported, most recent first, as typed.
    const std::vector<std::string>& import_sources() const { return import_sources_.items(); }
    void import_source_add(std::string_view source);

    // Server identities the user accepted, by "host:port": the fingerprint of a certificate or
    // of an SSH host key.
    const std::map<std::string, std::string, std::less<>>& trusted() const { return trusted_; }
    // Remembers the fingerprint accepted for server; the next save_preferences writes it.
    void trust_remember(std::string_view server, std::string_view fingerprint);
    // Forgets the fingerprint of server, so the next connection asks again.
    void trust_forget(std::string_view server);

    // Whether the settings file held accepted identities that were ignored, since another user
    // could have written them.
    bool trust_ignored() const { return untrusted_; }

    bool save_needed() const { return save_needed_; }
    void set_save_needed() { save_needed_ = true; }

    // Loads the settings file. Empty when it was read; otherwise why not, the defaults apply and
    // the next save_preferences writes the file.
    // load_preferences is PrefCharge; its log line keeps that name.
    [[nodiscard]] std::string load_preferences();
    // Writes the settings file when forced or when something changed. Empty when it was written
    // or had no need to be, else what failed.
    // save_preferences is PrefSauve; its log line keeps that name.
    [[nodiscard]] std::string save_preferences(bool force);

    // Writes the last-documents file from the file names of the open documents, in list order;
    // an unsaved document (empty name) leaves a gap in the numbering. Empty on success.
    [[nodiscard]] std::string LastDoc_Store(const std::vector<std::string>& open_file_names) const;
    // The expanded paths of the last-documents file that name a non-empty file, in file order.
    // The caller opens them while fewer than 5 documents are open.
    std::vector<std::string> LastDoc_Reopen() const;

    std::string settings_path() const;
    std::string last_docs_path() const;

    // load_preferences makes the folder of "Main.DefaultPath" current through this; tests replace
    // it.
    void set_folder_changer(std::function<void(const std::string&)> change) {
        change_folder_ = std::move(change);
    }

private:
    bool add(std::string_view name, int id, int window, PrefKind kind, std::string default_value,
             int menu);
    PrefItem* find_by_id(int id);

    const Paths& paths_;
    Log& log_;
    std::vector<PrefItem> table_;
    int current_ = -1;
    FixedSettings fixed_;
    RecentList recent_;
    RecentList import_sources_;
    std::map<std::string, std::string, std::less<>> trusted_;
    bool save_needed_ = false;
    bool untrusted_ = false;
    std::function<void(const std::string&)> change_folder_;
};

// Registers every item the program uses, shortcuts first, with their defaults.
void pref_register_all(Preferences& prefs);

} // namespace qp
