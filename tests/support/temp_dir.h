// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends. Tests write here, never into the build folder.
#pragma once

#include <string>

namespace qp::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !path_.empty(); }
    // The folder with a trailing "/".
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace qp::test
