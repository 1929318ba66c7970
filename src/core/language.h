// The language table: every user-visible text is looked up by key in the table read from one
// language file ("key=text" lines). Keys the file lacks show as themselves and join the table
// with an empty text, so the next save lists them for translation.
#pragma once

#include "core/clock.h"
#include "core/texts.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qp {

struct LangEntry {
    std::string Key;
    std::string Text;
};

// French is the reference language; the empty language name stands for it.
inline constexpr std::string_view kDefaultLanguage = "français";
// The translator's name; written right after the header of a saved file.
inline constexpr std::string_view kAuthorKey = "ZQT-Author";
inline constexpr std::string_view kLangExtension = ".Lng";

// The folders language files are looked for in, in order: the main folder's Lang/, then Lang/
// beside the executable, then the installed share/quillpost/Lang/. Each ends with "/".
std::vector<std::string> language_folders(std::string_view main_folder,
                                          std::string_view executable_folder);

// The languages to offer, lower-cased, French first, and the position of the current one (the
// top item when it is missing, -1 when there is nothing to offer).
struct LanguageList {
    std::vector<std::string> names;
    int selected = -1;
};

class LangTable : public Texts {
public:
    // folders: where language files are looked for, in order, each ending with "/".
    explicit LangTable(std::vector<std::string> folders = {});

    void set_folders(std::vector<std::string> folders) { folders_ = std::move(folders); }
    const std::vector<std::string>& folders() const { return folders_; }

    // The display text of a key: "(fr)" and what follows it cut off, "%w%" turned into a line
    // break, "%s1%" to "%s5%" replaced by the parameters in turn. A key without a text shows as
    // itself; a key the table lacks is appended to it with an empty text.
    std::string Lang_Get(std::string_view key, std::string_view s1 = {}, std::string_view s2 = {},
                         std::string_view s3 = {}, std::string_view s4 = {},
                         std::string_view s5 = {});
    // Parameters past the fifth are ignored.
    std::string get(std::string_view key,
                    std::initializer_list<std::string_view> params = {}) override;

    // Lower-cases and trims the name (empty means French), loads its file and returns the name.
    std::string Lang_Select(std::string_view name);
    // Reads the language's file into the table. Texts already held are emptied (replace) or
    // marked as untranslated with "(fr)". Empty when at least one entry was read, else why not.
    [[nodiscard]] std::string Lang_Load(std::string_view name, bool replace);
    // Sorts the table and replaces the language's file atomically (a language without a file gets
    // one in the first folder). Empty on success, else what failed; the old file is then intact.
    [[nodiscard]] std::string Lang_Save(std::string_view name);
    // The languages found in the folders, for the language choice of the preferences.
    LanguageList lang_list(std::string_view current) const;

    // The file a language is read from (file names compared without regard to case, the first
    // folder first); empty when there is none.
    std::string file_of(std::string_view name) const;

    // Reads the entries of a language file's bytes into the table; true when at least one entry
    // line was read.
    bool read_entries(std::string_view file_bytes);
    // Sorts the table and returns the file a save writes, its header dated `now`.
    std::string file_text(std::string_view name, DateValue now);

    const std::vector<LangEntry>& entries() const { return entries_; }
    std::optional<std::size_t> find(std::string_view key) const;
    // Edits for the language editor; positions are those of entries().
    void set_text(std::size_t pos, std::string text);
    void remove(std::size_t pos);
    // Ascending unsigned byte order of the keys, letter case included ('Z' before 'a').
    void sort();

    std::string author() const;
    void set_author(std::string name);

private:
    std::size_t add(std::string key, std::string text);
    void rebuild_index();

    std::vector<std::string> folders_;
    std::vector<LangEntry> entries_;
    // Folded key -> position of its entry, so a lookup costs no scan of the table.
    std::unordered_map<std::string, std::size_t> index_;
};

} // namespace qp
