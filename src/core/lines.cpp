#include "core/lines.h"

namespace qp {

std::optional<std::string_view> LineReader::next() {
    if (rest_.empty())
        return std::nullopt;
    const std::size_t end = rest_.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        const std::string_view line = rest_;
        rest_ = {};
        return line;
    }
    const std::string_view line = rest_.substr(0, end);
    const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
    rest_.remove_prefix(end + (crlf ? 2 : 1));
    return line;
}

} // namespace qp
