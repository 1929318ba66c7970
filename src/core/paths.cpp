#include "core/paths.h"

#include "core/file_io.h"
#include "core/lines.h"
#include "core/text.h"

#include <cstdlib>

namespace qp {

std::string with_slash(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

Paths::Paths(std::string_view main_folder, std::string_view documents, std::string_view programs,
             std::string windows_root)
    : main_(with_slash(main_folder)), documents_(with_slash(documents)),
      programs_(with_slash(programs)), windows_root_(std::move(windows_root)) {}

Paths Paths::from_system() {
    return {current_directory(), documents_folder_of_system(), "/opt/", ""};
}

std::string Paths::Path_Expand(std::string_view path) const {
    std::string out = ireplace_all(path, "%MainApp%", main_);
    out = ireplace_all(out, "%MyDoc%", documents_);
    out = ireplace_all(out, "%ProgFiles%", programs_);
    out = ireplace_all(out, "%WindowsRoot%", windows_root_);
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
