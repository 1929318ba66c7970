// A fresh folder under /tmp for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qp::testing_support {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qp-test-XXXXXX").string();
        if (::mkdtemp(tmpl.data()))
            path_ = tmpl + "/";
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !path_.empty(); }
    // The folder with a trailing "/".
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace qp::testing_support
