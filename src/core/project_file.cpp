#include "core/project_file.h"

#include "core/log.h"
#include "core/text.h"

namespace qp {

namespace {

// The project written in pieces into a replacement of target made like model: a document of
// thousands of episodes is never held a second time as text.
FileResult write_project_replacement(const Doc& doc, const std::string& target,
                                     const std::string& model) {
    FileReplacement file;
    if (FileResult r = file.begin(target, model); !r.ok())
        return r;
    if (FileResult r =
            write_project(doc, [&file](std::string_view piece) { return file.write(piece); });
        !r.ok())
        return r;
    return file.commit();
}

} // namespace

FileResult WriteProject(const Doc& doc, const std::string& path) {
    const std::string target = resolve_links(path);
    return write_project_replacement(doc, target, target);
}

FileResult ReadProject(Doc& doc, const std::string& path) {
    std::string bytes;
    if (FileResult r = read_regular_file(path, bytes, kMaxProjectBytes); !r.ok())
        return r;
    // Parsed into a copy, so a file that turns out not to be a project leaves doc as it was.
    Doc read = doc;
    if (parse_project(read, bytes) == 0 && !bytes.empty())
        return make_error(ErrorKind::NotAProject,
                          "not a project file: no line of it holds a project setting");
    doc = std::move(read);
    return {};
}

FileResult save_project_with_backup(const Doc& doc, const std::string& path) {
    const std::string target = resolve_links(path);
    if (!file_exists(target))
        return write_project_replacement(doc, target, target);
    // The backup is written as a replacement of the project itself, so it already has the
    // project's permissions when it takes its place.
    const std::string bak = backup_path(target);
    if (FileResult r = write_project_replacement(doc, bak, target); !r.ok())
        return r;
    if (FileResult r = rename_file(bak, target); !r.ok())
        return r;
    sync_folder_of(target);
    return {};
}

std::string backup_path(const std::string& path) {
    return resolve_links(path) + ".Bak";
}

bool backup_is_newer(const std::string& path) {
    const std::string target = resolve_links(path);
    const auto bak = file_info(backup_path(target));
    if (!bak || bak->is_directory)
        return false;
    const auto main = file_info(target);
    if (!main)
        return true;
    // Real times: local wall-clock time goes back an hour in autumn.
    return bak->mtime_utc > main->mtime_utc;
}

std::string project_save_path(std::string_view file) {
    std::string target(file);
    if (!iequals(extension_of(target), "qprj"))
        target += ".QPRJ";
    return target;
}

FileResult LoadDoc(Doc& doc, const std::string& path, Log& log) {
    FileResult r = ReadProject(doc, path);
    if (!r.ok()) {
        log.add("! Can't open file");
        return r;
    }
    log.add("- File Loaded !");
    return {};
}

SaveResult SaveDoc(Doc& doc, const std::string& file, Log& log) {
    log.add("- Save document");
    if (file_part(file).empty()) {
        log.add("- Aborted, no filename !");
        return {SaveStatus::NoFileName, {}, {}, {}, ErrorKind::Cancelled};
    }
    const std::string target = project_save_path(file);
    const std::string not_saved = "Error, Not saved " + target;
    // The user chose file, not the name the extension rule made of it, so whatever already has
    // that name is not theirs to lose.
    if (target != file && file_exists(target) && !same_file(target, doc.FileName)) {
        log.add("! " + not_saved);
        return {SaveStatus::TargetExists, not_saved + ": another file of that name exists", target,
                "another file of that name exists", ErrorKind::Failed};
    }
    if (FileResult r = save_project_with_backup(doc, target); !r.ok()) {
        log.add("! " + not_saved);
        return {SaveStatus::Failed, not_saved + ": " + r.error_text(), target, r.error_text(),
                r.kind()};
    }
    doc.FileName = target;
    SetModified(doc, false);
    log.add("- Saved " + target);
    return {SaveStatus::Saved, {}, target, {}, ErrorKind::Failed};
}

} // namespace qp
