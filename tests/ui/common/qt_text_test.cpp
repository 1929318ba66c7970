#include "ui/common/qt_text.h"

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

TEST(QtText, KeepsEveryCharacterBothWays) {
    // Windows-1252 letters, a character beyond the BMP and an embedded NUL all survive.
    const std::string text =
        std::string("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\x99", 14) + std::string("\0x", 2);
    const QString q = to_q(text);
    EXPECT_EQ(q.size(), 10);
    EXPECT_EQ(from_q(q), text);
}

} // namespace
} // namespace qp::ui
