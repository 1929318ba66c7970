// The key = value syntax of the preference files: a reader that keeps every key line in file
// order, and a writer that builds the file in memory and replaces the old one in one step.
#pragma once

#include "core/file_io.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

struct IniEntry {
    std::string key;
    std::string value;
    // False for the keys before the first group line, the only ones the program reads.
    bool in_group = false;
    std::string group;
};

class IniReader {
public:
    IniReader() = default;
    // Decodes the bytes with the reading rule of text files, then splits them into key lines.
    static IniReader parse(std::string_view bytes);
    // Empty when the file was read; otherwise why not, and no keys.
    [[nodiscard]] std::string load(const std::string& path);

    // Every key line, in file order, including those of groups.
    const std::vector<IniEntry>& entries() const { return entries_; }

    // The value of the first key line of the top part whose key matches without regard to case.
    std::optional<std::string> find(std::string_view key) const;
    std::string read_string(std::string_view key, std::string_view fallback) const;
    // An optional sign and the leading digits; a value without digits reads as 0, a missing key
    // as the fallback.
    std::int32_t read_int(std::string_view key, std::int32_t fallback) const;

private:
    std::vector<IniEntry> entries_;
};

class IniWriter {
public:
    void write_comment(std::string_view text);
    void write_string(std::string_view key, std::string_view value);
    void write_int(std::string_view key, std::int64_t value);

    // The file as UTF-8 text with CR LF line ends.
    const std::string& text() const { return text_; }
    // The file as stored: Windows-1252 when that reads back to the same text, else UTF-8 with
    // the byte-order mark.
    std::string bytes() const;
    // Replaces path atomically. Empty on success; on any failure what failed, and the old file
    // is untouched.
    [[nodiscard]] std::string save(const std::string& path,
                                   FileAccess access = FileAccess::AsBefore) const;

private:
    std::string text_;
};

} // namespace qp
