// The window-free half of the RSS command: stamp the build date, save the project, write the RSS
// file beside it and collect the enclosures to publish. The window adds its questions and the
// upload; the command-line tool calls this directly.
#pragma once

#include "core/document.h"
#include "core/project_file.h"
#include "core/upload_job.h"

#include <string>
#include <string_view>

namespace qp {

class Log;
class Paths;

struct [[nodiscard]] RssCreateResult {
    // How the save went. Unless Saved, no RSS file was written; NoFileName (a cancelled file
    // dialog) shows nothing, TargetExists asks whether to replace the file.
    SaveStatus save = SaveStatus::Failed;
    // Empty on success, else the message to show as it stands.
    std::string error;
    // The file the save was for and why it failed, for a window that words its own message.
    std::string save_target;
    std::string save_reason;
    // What went wrong, when error is set: the save's kind, or the RSS file's.
    ErrorKind kind = ErrorKind::Failed;
    // Where the RSS file was (or would have been) written.
    std::string rss_path;
    // The enclosures marked for upload; the caller adds the RSS and project files.
    UploadJob job;

    bool ok() const { return save == SaveStatus::Saved && error.empty(); }
};

// Runs on a document whose guard has passed and whose editor text is committed. doc.FileName
// names the project (an empty name stops at the save, as a cancelled file dialog does). An
// output path replaces the RSS file's usual place beside the project; it is refused when it
// names the project file read or saved.
RssCreateResult Rss_Create(Doc& doc, Log& log, const Paths& paths,
                           std::string_view output_path = {});

} // namespace qp
