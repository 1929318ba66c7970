#include "core/language.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/lines.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

namespace qp {

namespace {

constexpr std::string_view kUntranslated = "(fr)";
constexpr std::string_view kFileDateMask = "; %yyyy/%mm/%dd %hh:%ii:%ss";

struct LangFile {
    std::string file; // the file name, as it is on disk
    std::string path;
};

// The language files of one folder, by file name; ".Lng" is matched without regard to case.
std::vector<LangFile> language_files_in(const std::string& folder) {
    std::vector<LangFile> out;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::string file = it->path().filename().string();
        if (file.size() <= kLangExtension.size() || !iends_with(file, kLangExtension))
            continue;
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec))
            continue;
        out.push_back({file, folder + file});
    }
    // Directory order is arbitrary here; sorting keeps the list the same from run to run.
    std::sort(out.begin(), out.end(),
              [](const LangFile& a, const LangFile& b) { return a.file < b.file; });
    return out;
}

std::string_view base_of(std::string_view file) {
    return file.substr(0, file.size() - kLangExtension.size());
}

// A language name turns into a file name beside the others, never a path elsewhere.
bool usable_language_name(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20; });
}

// One line of a file holds one entry, so line breaks inside a text are kept as the marker that
// shows them.
std::string text_for_file(std::string_view text) {
    if (text.find_first_of("\r\n") == std::string_view::npos)
        return std::string(text);
    return replace_all(replace_all(replace_all(text, "\r\n", "%w%"), "\r", "%w%"), "\n", "%w%");
}

// A key starting with ";" would read back as a comment; a leading space keeps it an entry, and
// the reader trims it away again.
std::string key_for_file(std::string_view key) {
    std::string out;
    if (key.starts_with(';'))
        out += ' ';
    out += key;
    return out;
}

void add_line(std::string& out, std::string_view line) {
    out += line;
    out += "\r\n";
}

} // namespace

std::vector<std::string> language_folders(std::string_view main_folder,
                                          std::string_view executable_folder) {
    std::vector<std::string> out;
    if (!main_folder.empty())
        out.push_back(with_slash(main_folder) + "Lang/");
    if (!executable_folder.empty()) {
        out.push_back(with_slash(executable_folder) + "Lang/");
        out.push_back(with_slash(executable_folder) + "../share/quillpost/Lang/");
    }
    return out;
}

LangTable::LangTable(std::vector<std::string> folders) : folders_(std::move(folders)) {}

std::string LangTable::Lang_Get(std::string_view key, std::string_view s1, std::string_view s2,
                                std::string_view s3, std::string_view s4, std::string_view s5) {
    std::string result(key);
    std::string folded = fold_case(key);
    if (const auto it = index_.find(folded); it != index_.end()) {
        const std::string& text = entries_[it->second].Text;
        if (!text.empty()) {
            result = text;
            if (const auto cut = ifind(result, kUntranslated); cut != std::string::npos)
                result.resize(cut);
        }
    } else {
        index_.emplace(std::move(folded), entries_.size());
        entries_.push_back({std::string(key), {}});
    }
    if (result.find('%') == std::string::npos)
        return result;
    // Each step works on the output of the one before, so a parameter holding a later
    // placeholder is filled in as well.
    result = ireplace_all(result, "%w%", "\r\n");
    const std::array<std::pair<std::string_view, std::string_view>, 5> params{
        {{"%s1%", s1}, {"%s2%", s2}, {"%s3%", s3}, {"%s4%", s4}, {"%s5%", s5}}};
    for (const auto& [marker, value] : params)
        result = ireplace_all(result, marker, value);
    return result;
}

std::string LangTable::get(std::string_view key, std::initializer_list<std::string_view> params) {
    std::array<std::string_view, 5> s{};
    std::copy_n(params.begin(), std::min(params.size(), s.size()), s.begin());
    return Lang_Get(key, s[0], s[1], s[2], s[3], s[4]);
}

std::string LangTable::Lang_Select(std::string_view name) {
    std::string lang = trim_spaces(fold_case(name));
    if (lang.empty())
        lang = kDefaultLanguage;
    // A missing file leaves every key showing as itself; there is nobody to tell yet.
    (void)Lang_Load(lang, lang == kDefaultLanguage);
    return lang;
}

std::string LangTable::Lang_Load(std::string_view name, bool replace) {
    for (auto& entry : entries_) {
        if (replace)
            entry.Text.clear();
        else if (ifind(entry.Text, kUntranslated) == std::string::npos)
            entry.Text += kUntranslated;
    }
    const std::string path = file_of(name);
    if (path.empty())
        return "no language file for " + std::string(name);
    std::string bytes;
    if (!read_file(path, bytes))
        return "can't read " + path;
    if (!read_entries(bytes))
        return path + " holds no entry";
    return {};
}

bool LangTable::read_entries(std::string_view file_bytes) {
    const std::string text = decode_text_file(file_bytes);
    bool any = false;
    LineReader lines(text);
    while (const auto next = lines.next()) {
        const std::string_view line = *next;
        if (line.empty() || line.front() == ';')
            continue;
        std::string key;
        std::string value;
        if (const auto eq = line.find('='); eq == std::string_view::npos) {
            key = trim_spaces(line);
        } else {
            key = trim_spaces(line.substr(0, eq));
            std::string_view rest = line.substr(eq + 1);
            rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
            value = rest;
        }
        if (key.empty())
            continue;
        any = true;
        // A key read again replaces the text of its first occurrence, which keeps its place.
        if (const auto found = find(key))
            entries_[*found].Text = std::move(value);
        else
            add(std::move(key), std::move(value));
    }
    return any;
}

std::string LangTable::file_of(std::string_view name) const {
    for (const auto& folder : folders_) {
        const std::vector<LangFile> files = language_files_in(folder);
        const LangFile* match = nullptr;
        for (const auto& f : files) {
            const std::string_view base = base_of(f.file);
            if (!iequals(base, name))
                continue;
            if (base == name)
                return f.path;
            if (!match)
                match = &f;
        }
        if (match)
            return match->path;
    }
    return {};
}

LanguageList LangTable::lang_list(std::string_view current) const {
    LanguageList out;
    for (const auto& folder : folders_) {
        for (const auto& f : language_files_in(folder)) {
            std::string name = fold_case(base_of(f.file));
            // A language present in several folders is read from the first one only.
            if (std::find(out.names.begin(), out.names.end(), name) != out.names.end())
                continue;
            if (name == kDefaultLanguage)
                out.names.insert(out.names.begin(), std::move(name));
            else
                out.names.push_back(std::move(name));
        }
    }
    const std::string wanted = fold_case(current);
    const auto it = std::find(out.names.begin(), out.names.end(), wanted);
    if (it != out.names.end())
        out.selected = static_cast<int>(it - out.names.begin());
    else if (!out.names.empty())
        out.selected = 0;
    return out;
}

std::string LangTable::file_text(std::string_view name, DateValue now) {
    sort();
    std::string out(kUtf8Bom);
    add_line(out, "; Lang for " + std::string(kProgramName) + " V:" + std::string(kProgramVersion));
    add_line(out, DateToText(kFileDateMask, now));
    add_line(out, "; Lang = " + std::string(name));
    for (const auto& entry : entries_)
        if (iequals(entry.Key, kAuthorKey))
            add_line(out, std::string(kAuthorKey) + "=" + text_for_file(entry.Text));
    add_line(out, "");
    for (const auto& entry : entries_)
        if (!iequals(entry.Key, kAuthorKey))
            add_line(out, key_for_file(entry.Key) + "=" + text_for_file(entry.Text));
    return out;
}

std::string LangTable::Lang_Save(std::string_view name) {
    const std::string lang = name.empty() ? std::string(kDefaultLanguage) : std::string(name);
    if (!usable_language_name(lang))
        return "\"" + lang + "\" is no language name";
    std::string target = file_of(lang);
    if (target.empty()) {
        if (folders_.empty())
            return "no folder for language files";
        target = folders_.front() + lang + std::string(kLangExtension);
    }
    // Like every file the program saves: old or new content, never a part, the file's mode kept
    // and a read-only file left alone.
    if (const FileResult r = replace_file_atomically(target, file_text(lang, Now())); !r.ok())
        return "can't write " + target + ": " + r.error_text();
    return {};
}

std::optional<std::size_t> LangTable::find(std::string_view key) const {
    const auto it = index_.find(fold_case(key));
    if (it == index_.end())
        return std::nullopt;
    return it->second;
}

void LangTable::set_text(std::size_t pos, std::string text) {
    if (pos < entries_.size())
        entries_[pos].Text = std::move(text);
}

void LangTable::remove(std::size_t pos) {
    if (pos >= entries_.size())
        return;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
    rebuild_index();
}

void LangTable::sort() {
    // std::string compares its bytes as unsigned values.
    std::sort(entries_.begin(), entries_.end(),
              [](const LangEntry& a, const LangEntry& b) { return a.Key < b.Key; });
    rebuild_index();
}

std::string LangTable::author() const {
    const auto pos = find(kAuthorKey);
    return pos ? entries_[*pos].Text : std::string();
}

void LangTable::set_author(std::string name) {
    if (const auto pos = find(kAuthorKey))
        entries_[*pos].Text = std::move(name);
    else
        add(std::string(kAuthorKey), std::move(name));
}

std::size_t LangTable::add(std::string key, std::string text) {
    const std::size_t pos = entries_.size();
    index_.emplace(fold_case(key), pos);
    entries_.push_back({std::move(key), std::move(text)});
    return pos;
}

void LangTable::rebuild_index() {
    index_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i)
        index_.emplace(fold_case(entries_[i].Key), i); // the first entry of a key wins
}

} // namespace qp
