// The program's two folders and the placeholders that keep stored paths valid when the program
// or the user's documents move.
#pragma once

#include <string>
#include <string_view>

namespace qp {

class Paths {
public:
    // Every folder ends with "/" (or is empty when the system has no such folder). The settings
    // folder is the main folder unless given.
    Paths(std::string_view main_folder, std::string_view documents, std::string_view programs,
          std::string windows_root, std::string_view pref_folder = {});
    // Main folder (the "%MainApp%" of stored paths) = the current folder; settings folder =
    // user_folder_of_system; documents = the XDG documents folder, else the home folder;
    // programs = "/opt/"; no Windows drive. error, when given, receives why the settings folder
    // could not be made.
    static Paths from_system(std::string_view executable_folder, std::string* error = nullptr);

    // The folder stored paths are relative to, with "%MainApp%".
    const std::string& main_folder() const { return main_; }
    // The user's own folder: settings, session list, log, accepted server identities and the
    // data files the user changes.
    const std::string& pref_folder() const { return pref_; }
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
    std::string pref_;
    std::string documents_;
    std::string programs_;
    std::string windows_root_;
};

// The folder with a trailing "/"; the empty text stays empty.
std::string with_slash(std::string_view folder);

struct UserFolder {
    std::string path;  // with a trailing "/"
    std::string error; // empty when the folder exists or was made
};

// The user's own folder of the program, for both programs: QUILLPOST_HOME when set; else the
// executable's folder when "Quillpost.ini" stands in it (a portable install); else
// $XDG_CONFIG_HOME/quillpost, else ~/.config/quillpost. Missing folders are made with mode 0700.
UserFolder user_folder_of_system(std::string_view executable_folder);

// Whether a file (or a folder) can be changed by nobody but the user and the superuser: owned by
// one of them, and neither it nor its folder writable by group or others. What another user
// could have written is not trusted.
bool is_private_to_user(const std::string& path);

// The user's documents folder with a trailing "/": XDG_DOCUMENTS_DIR of the user-dirs file, else
// the home folder; empty when neither is known.
std::string documents_folder_of_system();

} // namespace qp
