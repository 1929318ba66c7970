// The window-free half of the RSS command: stamp the build date, save the project, write the RSS
// file beside it and collect the enclosures to publish. The window adds its questions and the
// upload; the command-line tool calls this directly.
#pragma once

#include "core/document.h"
#include "core/upload_job.h"

#include <string>
#include <string_view>

namespace qp {

class Log;
class Paths;

struct RssCreateResult {
    // False when the save failed: no RSS file was written, and the window shows no requester
    // (the log holds the reason, repeated in error).
    bool saved = false;
    // Empty on success, else the message to show as it stands.
    std::string error;
    // Where the RSS file was (or would have been) written.
    std::string rss_path;
    // The enclosures marked for upload; the caller adds the RSS and project files.
    UploadJob job;
};

// Runs on a document whose guard has passed and whose editor text is committed. doc.FileName
// names the project (an empty name stops at the save, as a cancelled file dialog does). An
// output path replaces the RSS file's usual place beside the project.
[[nodiscard]] RssCreateResult Rss_Create(Doc& doc, Log& log, const Paths& paths,
                                         std::string_view output_path = {});

} // namespace qp
