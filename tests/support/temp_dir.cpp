#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>

namespace qp::test {

TempDir::TempDir() {
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    std::string tmpl = ((ec ? std::filesystem::path("/tmp") : base) / "qp-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()))
        path_ = tmpl + "/";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

} // namespace qp::test
