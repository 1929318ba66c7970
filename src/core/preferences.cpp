#include "core/preferences.h"

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qp {

namespace {

constexpr std::string_view kLastDocKey = "LastDoc";
constexpr std::string_view kTrustKey = "Trust.";
constexpr std::string_view kImportSourceKey = "ImportSource";

void change_current_folder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::current_path(folder, ec); // a folder that is gone keeps the current one
}

} // namespace

bool Pref_IsOn(std::string_view value) {
    const std::string v = fold_case(trim_spaces(value));
    return v == "on" || v == "1";
}

bool Pref_NameMatches(std::string_view name, std::string_view prefix) {
    if (name.empty())
        return false;
    return prefix.empty() || istarts_with(name, prefix);
}

Preferences::Preferences(const Paths& paths, Log& log)
    : paths_(paths), log_(log), change_folder_(change_current_folder) {}

bool Preferences::add(std::string_view name, int id, int window, PrefKind kind,
                      std::string default_value, int menu) {
    if (Pref_Find(id, name))
        return false;
    PrefItem item;
    item.Id = id;
    item.Name = std::string(name);
    item.Value = default_value;
    item.Default = std::move(default_value);
    item.Kind = kind;
    item.Window = window;
    item.Menu = menu;
    table_.push_back(std::move(item));
    return true;
}

bool Preferences::add_flag_preference(std::string_view name, int id, int window, bool default_on) {
    return add(name, id, window, PrefKind::Flag, default_on ? "On" : "", kMenuNone);
}

bool Preferences::add_shortcut_preference(std::string_view name, int id, int window,
                                          KeyCode default_key, int menu) {
    return add(name, id, window, PrefKind::Shortcut, std::to_string(default_key), menu);
}

bool Preferences::add_global_shortcut_preference(std::string_view name, int id, int window,
                                                 KeyCode default_key, int menu) {
    return add(name, id, window, PrefKind::GlobalShortcut, std::to_string(default_key), menu);
}

bool Preferences::add_state_preference(std::string_view name, int id, int window,
                                       int default_state) {
    return add(name, id, window, PrefKind::State, std::to_string(default_state), kMenuNone);
}

bool Preferences::add_text_preference(std::string_view name, int id, int window,
                                      std::string_view default_text) {
    return add(name, id, window, PrefKind::Text, std::string(default_text), kMenuNone);
}

bool Preferences::add_path_preference(std::string_view name, int id, int window,
                                      std::string_view default_path) {
    return add(name, id, window, PrefKind::Path, std::string(default_path), kMenuNone);
}

bool Preferences::Pref_Find(int id, std::string_view name) {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        if (table_[i].Id == id || (!name.empty() && iequals(table_[i].Name, name))) {
            current_ = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

PrefItem* Preferences::current_item() {
    return current_ < 0 ? nullptr : &table_[static_cast<std::size_t>(current_)];
}

PrefItem* Preferences::find_by_id(int id) {
    return Pref_Find(id) ? current_item() : nullptr;
}

std::string Preferences::preference_value(int id) {
    const PrefItem* item = find_by_id(id);
    return item ? item->Value : std::string();
}

void Preferences::set_preference_value(int id, std::string_view value) {
    PrefItem* item = find_by_id(id);
    if (!item || item->Value == value)
        return;
    item->Value = std::string(value);
    // A value changed outside the preferences window would otherwise be lost at the end of the
    // run, since the file is only written when something is marked as changed.
    save_needed_ = true;
}

void Preferences::Pref_ReadItems(const IniReader& file, std::string_view prefix) {
    for (PrefItem& item : table_) {
        if (!Pref_NameMatches(item.Name, prefix))
            continue;
        item.Value = file.read_string(item.Name, item.Default);
        if (item.Kind == PrefKind::Path)
            item.Value = paths_.Path_Expand(item.Value);
    }
}

void Preferences::Pref_WriteItems(IniWriter& file, std::string_view prefix) const {
    for (const PrefItem& item : table_) {
        if (!Pref_NameMatches(item.Name, prefix))
            continue;
        file.write_string(item.Name, item.Kind == PrefKind::Path ? paths_.Path_Compact(item.Value)
                                                                 : item.Value);
    }
}

bool RecentList::add(std::string_view value) {
    if (value.empty() || (!items_.empty() && items_.front() == value))
        return false;
    items_.erase(std::remove(items_.begin(), items_.end(), value), items_.end());
    items_.insert(items_.begin(), std::string(value));
    if (items_.size() > kRecentMax)
        items_.resize(kRecentMax);
    return true;
}

void RecentList::read(const IniReader& file, std::string_view key) {
    items_.clear();
    for (std::size_t n = 0; n < kRecentMax; ++n) {
        std::string value = file.read_string(std::string(key) + std::to_string(n), "");
        if (!value.empty())
            items_.push_back(std::move(value));
    }
}

void RecentList::write(IniWriter& file, std::string_view key) const {
    for (std::size_t n = 0; n < items_.size() && n < kRecentMax; ++n)
        file.write_string(std::string(key) + std::to_string(n), items_[n]);
}

// The lists live in the settings file, which is written only when something changed.
void Preferences::recent_add(std::string_view path) {
    if (recent_.add(path))
        save_needed_ = true;
}

void Preferences::import_source_add(std::string_view source) {
    if (import_sources_.add(source))
        save_needed_ = true;
}

std::string Preferences::settings_path() const {
    return paths_.pref_folder() + std::string(kSettingsFileName);
}

std::string Preferences::last_docs_path() const {
    return paths_.pref_folder() + std::string(kLastDocsFileName);
}

std::string Preferences::load_preferences() {
    IniReader file;
    std::string error = file.load(settings_path());
    const bool opened = error.empty();

    const FixedSettings defaults;
    fixed_.MainWindowX = file.read_int("MainWindowX", defaults.MainWindowX);
    fixed_.MainWindowY = file.read_int("MainWindowY", defaults.MainWindowY);
    fixed_.MainWindowW = file.read_int("MainWindowW", defaults.MainWindowW);
    fixed_.MainWindowH = file.read_int("MainWindowH", defaults.MainWindowH);
    fixed_.MainWindowZ = file.read_int("MainWindowZ", defaults.MainWindowZ);
    fixed_.MainLang = file.read_string("MainLang", defaults.MainLang);

    recent_.read(file, kLastDocKey);
    import_sources_.read(file, kImportSourceKey);

    trusted_.clear();
    untrusted_ = false;
    // An identity another user could have written would let them stand in for the server.
    const bool trustworthy = opened && is_private_to_user(settings_path());
    for (const IniEntry& entry : file.entries()) {
        if (entry.in_group || !istarts_with(entry.key, kTrustKey) ||
            entry.key.size() <= kTrustKey.size() || entry.value.empty())
            continue;
        if (trustworthy)
            trusted_.emplace(entry.key.substr(kTrustKey.size()), entry.value);
        else
            untrusted_ = true;
    }
    if (untrusted_)
        log_.add("! Accepted server identities ignored: others may change " + settings_path());

    Pref_ReadItems(file, "");
    if (!opened)
        save_needed_ = true;

    const std::string folder = folder_part(preference_value(kPrefDefaultPath));
    if (!folder.empty() && is_absolute_path(folder) && change_folder_)
        change_folder_(folder);

    log_.add("* PrefCharge() IDP=" + std::string(opened ? "1" : "0"));
    return error;
}

std::string Preferences::save_preferences(bool force) {
    if (save_needed_)
        force = true;
    std::string error;
    if (force) {
        IniWriter file;
        file.write_comment("Nom : Quillpost");
        file.write_comment("Version : " + std::string(kProgramVersion));
        file.write_int("MainWindowX", fixed_.MainWindowX);
        file.write_int("MainWindowY", fixed_.MainWindowY);
        file.write_int("MainWindowW", fixed_.MainWindowW);
        file.write_int("MainWindowH", fixed_.MainWindowH);
        file.write_int("MainWindowZ", fixed_.MainWindowZ);
        file.write_string("MainLang", fixed_.MainLang);
        recent_.write(file, kLastDocKey);
        import_sources_.write(file, kImportSourceKey);
        for (const auto& [server, fingerprint] : trusted_)
            file.write_string(std::string(kTrustKey) + server, fingerprint);
        Pref_WriteItems(file, "");
        error = file.save(settings_path(), FileAccess::OwnerOnly);
        if (error.empty())
            save_needed_ = false;
    }
    const bool created = force && error.empty();
    log_.add("* PrefSauve() IDP=" + std::string(created ? "1" : "0") +
             " Save=" + std::string(force ? "1" : "0"));
    return error;
}

void Preferences::trust_remember(std::string_view server, std::string_view fingerprint) {
    if (server.empty() || fingerprint.empty())
        return;
    trusted_.insert_or_assign(std::string(server), std::string(fingerprint));
    save_needed_ = true;
}

void Preferences::trust_forget(std::string_view server) {
    if (const auto found = trusted_.find(server); found != trusted_.end()) {
        trusted_.erase(found);
        save_needed_ = true;
    }
}

std::string Preferences::LastDoc_Store(const std::vector<std::string>& open_file_names) const {
    IniWriter file;
    for (std::size_t n = 0; n < open_file_names.size(); ++n) {
        if (!open_file_names[n].empty())
            file.write_string(std::string(kLastDocKey) + std::to_string(n),
                              paths_.Path_Compact(open_file_names[n]));
    }
    return file.save(last_docs_path());
}

std::vector<std::string> Preferences::LastDoc_Reopen() const {
    std::vector<std::string> paths;
    IniReader file;
    if (!file.load(last_docs_path()).empty())
        return paths;
    for (const IniEntry& entry : file.entries()) {
        if (entry.in_group)
            break;
        if (!istarts_with(entry.key, kLastDocKey))
            continue;
        std::string path = paths_.Path_Expand(entry.value);
        if (path.empty())
            continue;
        const auto info = file_info(path);
        if (info && !info->is_directory && info->size > 0)
            paths.push_back(std::move(path));
    }
    return paths;
}

void pref_register_all(Preferences& prefs) {
    for (const ShortcutDefault& s : kMainShortcuts)
        prefs.add_shortcut_preference(s.name, s.command, kWindowMain, s.key, s.menu);
    prefs.add_flag_preference("Pref.OnStartOpenLast", kPrefOnStartOpenLast, kWindowPreferences,
                              true);
    prefs.add_text_preference("Pref.StatusEdit", kPrefStatusEdit, kWindowPreferences, "");
    prefs.add_text_preference("Pref.StatusTree", kPrefStatusTree, kWindowPreferences, "");
    prefs.add_text_preference("Main.DefaultPath", kPrefDefaultPath, kWindowMain, "");
    // Edited through the font chooser of the preferences window, never as a control's text.
    prefs.add_text_preference("Pref.EditorFont", kEditorFontItem, kWindowPreferences, "");
    prefs.add_flag_preference("Pref.CheckAddresses", kPrefCheckAddresses, kWindowPreferences, true);
}

} // namespace qp
