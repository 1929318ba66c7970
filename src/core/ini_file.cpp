#include "core/ini_file.h"

#include "core/file_io.h"
#include "core/lines.h"
#include "core/text.h"

namespace qp {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim_trailing_blanks(std::string_view s) {
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view skip_leading_blanks(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    return s;
}

// A line break inside a key or value would end the line early and plant a key line of its own.
std::string one_line(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

IniReader IniReader::parse(std::string_view bytes) {
    IniReader reader;
    const std::string text = decode_text_file(bytes);
    bool in_group = false;
    std::string group;
    LineReader lines(text);
    while (const auto raw = lines.next()) {
        const std::string_view line = skip_leading_blanks(*raw);

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            group = std::string(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            in_group = true;
            continue;
        }
        // A line without "=" is not a key line and is passed over.
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        IniEntry entry;
        entry.key = std::string(trim_trailing_blanks(line.substr(0, eq)));
        entry.value = std::string(trim_trailing_blanks(skip_leading_blanks(line.substr(eq + 1))));
        entry.in_group = in_group;
        if (in_group)
            entry.group = group;
        reader.entries_.push_back(std::move(entry));
    }
    return reader;
}

std::string IniReader::load(const std::string& path) {
    entries_.clear();
    std::string bytes;
    if (!read_file(path, bytes))
        return "can't read " + path;
    *this = parse(bytes);
    return {};
}

std::optional<std::string> IniReader::find(std::string_view key) const {
    for (const IniEntry& entry : entries_) {
        if (entry.in_group)
            break;
        if (iequals(entry.key, key))
            return entry.value;
    }
    return std::nullopt;
}

std::string IniReader::read_string(std::string_view key, std::string_view fallback) const {
    if (auto value = find(key))
        return std::move(*value);
    return std::string(fallback);
}

std::int32_t IniReader::read_int(std::string_view key, std::int32_t fallback) const {
    if (auto value = find(key))
        return parse_leading_int32(*value);
    return fallback;
}

void IniWriter::write_comment(std::string_view text) {
    text_ += "; ";
    text_ += one_line(text);
    text_ += "\r\n";
}

void IniWriter::write_string(std::string_view key, std::string_view value) {
    text_ += one_line(key);
    text_ += " = ";
    text_ += one_line(value);
    text_ += "\r\n";
}

void IniWriter::write_int(std::string_view key, std::int64_t value) {
    write_string(key, std::to_string(value));
}

std::string IniWriter::bytes() const {
    return encode_text_file(text_);
}

std::string IniWriter::save(const std::string& path, FileAccess access) const {
    if (FileResult r = replace_file_atomically(path, bytes(), access); !r.ok())
        return "can't write " + path + ": " + r.error_text();
    return {};
}

} // namespace qp
