// The one line splitter of the text files the program reads.
#pragma once

#include <optional>
#include <string_view>

namespace qp {

// Cuts a text into lines: a line ends at CR LF, at CR or at LF, and a line end at the very end
// of the text starts no further line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}
    // The next line without its line end; nullopt past the last one.
    std::optional<std::string_view> next();

private:
    std::string_view rest_;
};

} // namespace qp
