// The program's two folders and the placeholders that keep stored paths valid when the program
// or the user's documents move.
#pragma once

#include <string>
#include <string_view>

namespace qp {

class Paths {
public:
    // Every folder ends with "/" (or is empty when the system has no such folder).
    Paths(std::string_view main_folder, std::string_view documents, std::string_view programs,
          std::string windows_root);
    // Main folder = the current folder; documents = the XDG documents folder, else the home
    // folder; programs = "/opt/"; no Windows drive.
    static Paths from_system();

    const std::string& main_folder() const { return main_; }
    const std::string& pref_folder() const { return main_; }
    const std::string& documents_folder() const { return documents_; }
    const std::string& programs_folder() const { return programs_; }

    // "%MainApp%", "%MyDoc%", "%ProgFiles%", "%WindowsRoot%" (matched without regard to case)
    // become their folders; spaces at both ends go.
    std::string Path_Expand(std::string_view path) const;
    // The folders become placeholders, in that order; a folder the system lacks is skipped.
    // Folders are matched with their letter case, since file names keep it here.
    std::string Path_Compact(std::string_view path) const;

private:
    std::string main_;
    std::string documents_;
    std::string programs_;
    std::string windows_root_;
};

// The folder with a trailing "/"; the empty text stays empty.
std::string with_slash(std::string_view folder);

// The user's documents folder with a trailing "/": XDG_DOCUMENTS_DIR of the user-dirs file, else
// the home folder; empty when neither is known.
std::string documents_folder_of_system();

} // namespace qp
