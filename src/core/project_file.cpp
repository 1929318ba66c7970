#include "core/project_file.h"

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"

namespace qp {

int WriteProject(const Doc& doc, const std::string& path, bool sync) {
    return write_file(path, FormatProject(doc), sync) ? 1 : 0;
}

int ReadProject(Doc& doc, const std::string& path) {
    std::string bytes;
    if (!read_file(path, bytes))
        return 0;
    ParseProject(doc, bytes);
    return 1;
}

bool SaveProjectWithBackup(const Doc& doc, const std::string& path) {
    const std::string bytes = FormatProject(doc);
    // Both writes go through a synced temporary file renamed into place, so neither the project
    // nor its ".Bak" is ever left cut short by a full disk or a crash.
    if (!file_exists(path))
        return replace_file_atomically(path, bytes);
    const std::string bak = path + ".Bak";
    if (!replace_file_atomically(bak, bytes))
        return false;
    if (!rename_file(bak, path))
        return false;
    sync_folder_of(path);
    return true;
}

bool BackupIsNewer(const std::string& path) {
    const auto bak = file_info(path + ".Bak");
    if (!bak || bak->is_directory)
        return false;
    const auto main = file_info(path);
    if (!main)
        return true;
    return local_from_utc(bak->mtime_utc) > local_from_utc(main->mtime_utc);
}

int LoadDoc(Doc& doc, const std::string& path, Log& log) {
    if (!ReadProject(doc, path)) {
        log.add("! Can't open file");
        return 0;
    }
    log.add("- File Loaded !");
    return 1;
}

int SaveDoc(Doc& doc, const std::string& file, Log& log) {
    log.add("- Save document");
    if (file_part(file).empty()) {
        log.add("- Aborted, no filename !");
        return 0;
    }
    std::string target = file;
    if (!iequals(extension_of(target), "qprj"))
        target += ".QPRJ";
    if (!SaveProjectWithBackup(doc, target)) {
        log.add("! Error, Not saved " + target);
        return 0;
    }
    doc.FileName = target;
    SetModified(doc, false);
    log.add("- Saved " + target);
    return 1;
}

} // namespace qp
