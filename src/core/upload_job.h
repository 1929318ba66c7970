// The files one RSS creation hands to publishing: the enclosures marked for upload, collected
// while the items are written, then the RSS file and the project file.
#pragma once

#include <string>
#include <vector>

namespace qp {

struct UploadEntry {
    std::string local_file; // full path on disk, placeholders expanded
    std::string
        remote_path;       // folder and name on the server, relative to the FTP root, "/" separated
    std::string address{}; // where listeners fetch it, as the feed writes it
    std::string type{};    // the item's type, as the feed states it
};

struct UploadJob {
    std::vector<UploadEntry> files;
};

} // namespace qp
