#include "core/paths.h"

#include "core/file_io.h"
#include "core/lines.h"
#include "core/preferences.h"
#include "core/text.h"

#include <cerrno>
#include <cstdlib>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qp {

std::string with_slash(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

Paths::Paths(std::string_view main_folder, std::string_view documents, std::string_view programs,
             std::string windows_root, std::string_view pref_folder)
    : main_(with_slash(main_folder)),
      pref_(with_slash(pref_folder.empty() ? main_folder : pref_folder)),
      documents_(with_slash(documents)), programs_(with_slash(programs)),
      windows_root_(std::move(windows_root)) {}

Paths Paths::from_system(std::string_view executable_folder, std::string* error) {
    UserFolder user = user_folder_of_system(executable_folder);
    if (error)
        *error = std::move(user.error);
    return {current_directory(), documents_folder_of_system(), "/opt/", "", user.path};
}

namespace {

// Makes folder and its missing parents, each private to the user.
std::string make_folders(const std::string& folder) {
    std::string made;
    std::size_t at = 1;
    while (at <= folder.size()) {
        const std::size_t slash = folder.find('/', at);
        const std::size_t end = slash == std::string::npos ? folder.size() : slash;
        made = folder.substr(0, end);
        at = end + 1;
        if (made.empty() || made.back() == '/')
            continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            return "can't make the folder " + made + ": " + system_error(errno).text;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "can't make the folder " + folder + ": not a folder";
    return {};
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string home_folder() {
    if (std::string home = environment("HOME"); !home.empty())
        return home;
    const struct passwd* user = ::getpwuid(::geteuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

bool owned_and_closed(const struct stat& st) {
    const bool owner = st.st_uid == ::geteuid() || st.st_uid == 0;
    return owner && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

UserFolder user_folder_of_system(std::string_view executable_folder) {
    UserFolder out;
    std::string folder = environment("QUILLPOST_HOME");
    if (!folder.empty() && !is_absolute_path(folder))
        folder = current_directory() + folder;
    if (folder.empty() && !executable_folder.empty() &&
        file_exists(with_slash(executable_folder) + std::string(kSettingsFileName)))
        folder = executable_folder;
    if (folder.empty()) {
        std::string config = environment("XDG_CONFIG_HOME");
        if (!is_absolute_path(config)) // relative values are to be ignored
            config = home_folder().empty() ? "" : home_folder() + "/.config";
        folder = config.empty() ? current_directory() : with_slash(config) + "quillpost";
    }
    out.path = with_slash(folder);
    out.error = make_folders(out.path);
    return out;
}

bool is_private_to_user(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !owned_and_closed(st))
        return false;
    // Through a link, the folder that matters is the one of the file it names.
    std::string name = resolve_links(path);
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::string folder = folder_part(name);
    struct stat dir {};
    return ::stat(folder.empty() ? "." : folder.c_str(), &dir) == 0 && owned_and_closed(dir);
}

std::string Paths::Path_Expand(std::string_view path) const {
    // The placeholders are replaced in turn, each pass made only when its placeholder is there:
    // a feed asks for every episode's files, and most names hold one placeholder or none.
    const std::pair<std::string_view, const std::string*> placeholders[] = {
        {"%MainApp%", &main_},
        {"%MyDoc%", &documents_},
        {"%ProgFiles%", &programs_},
        {"%WindowsRoot%", &windows_root_}};
    std::string out(trimmed(path));
    bool present[std::size(placeholders)] = {};
    bool any = false;
    for (std::size_t at = out.find('%'); at != std::string::npos; at = out.find('%', at + 1))
        for (std::size_t k = 0; k < std::size(placeholders); ++k)
            if (istarts_with(std::string_view(out).substr(at), placeholders[k].first))
                any = present[k] = true;
    if (!any)
        return out;
    // Once a value is put in, a later placeholder may have been made with it: look again.
    bool changed = false;
    for (std::size_t k = 0; k < std::size(placeholders); ++k) {
        if (present[k] || (changed && ifind(out, placeholders[k].first) != std::string::npos)) {
            out = ireplace_all(out, placeholders[k].first, *placeholders[k].second);
            changed = true;
        }
    }
    return trim_spaces(out);
}

std::string Paths::Path_Compact(std::string_view path) const {
    std::string out = replace_all(path, main_, "%MainApp%");
    out = replace_all(out, documents_, "%MyDoc%");
    out = replace_all(out, programs_, "%ProgFiles%");
    out = replace_all(out, windows_root_, "%WindowsRoot%");
    return trim_spaces(out);
}

std::string documents_folder_of_system() {
    const char* home_env = std::getenv("HOME");
    const std::string home = home_env ? home_env : "";
    std::string config_home;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config_home = xdg;
    else if (!home.empty())
        config_home = home + "/.config";
    std::string dirs;
    if (!config_home.empty() && read_file(config_home + "/user-dirs.dirs", dirs)) {
        LineReader lines(dirs);
        while (const auto raw = lines.next()) {
            const std::string line = trim_blanks(*raw);
            if (!line.starts_with("XDG_DOCUMENTS_DIR="))
                continue;
            std::string value = line.substr(18);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.starts_with("$HOME"))
                value.replace(0, 5, home);
            if (is_absolute_path(value) && value != home && value != home + "/")
                return with_slash(value);
        }
    }
    return with_slash(home);
}

} // namespace qp
