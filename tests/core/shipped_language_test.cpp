// The two language files shipped with the program, read the way the program reads them and
// checked against the list of keys the program looks up.
#include "core/file_io.h"
#include "core/keys.h"
#include "core/language.h"
#include "core/language_keys.h"
#include "core/lines.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qp {
namespace {

const std::string kLangFolder = std::string(QP_SOURCE_DIR) + "/data/Lang/";

struct ShippedFile {
    const char* label; // for test names
    const char* language;
};

const ShippedFile kFiles[] = {{"French", "français"}, {"English", "english"}};

void PrintTo(const ShippedFile& file, std::ostream* os) {
    *os << file.label;
}

// Entry lines of a language file as written, for what the table hides: the exact spelling of
// each key and keys written twice (the loader keeps only the later text).
std::vector<std::string> raw_keys(std::string_view text) {
    std::vector<std::string> keys;
    LineReader lines(text);
    while (const auto line = lines.next()) {
        if (line->empty() || line->front() == ';')
            continue;
        const std::string key = trim_spaces(line->substr(0, line->find('=')));
        if (!key.empty())
            keys.push_back(key);
    }
    return keys;
}

bool has_marker(std::string_view text, std::string_view marker) {
    return ifind(text, marker) != std::string::npos;
}

class ShippedLanguage : public ::testing::TestWithParam<ShippedFile> {
protected:
    void SetUp() override {
        path_ = table_.file_of(GetParam().language);
        ASSERT_FALSE(path_.empty()) << "no language file for " << GetParam().language;
        ASSERT_TRUE(read_file(path_, bytes_));
        ASSERT_EQ(table_.Lang_Load(GetParam().language, true), "");
    }

    // The text as held in the table, markers unreplaced; empty when the file lacks the key.
    std::string raw_text(std::string_view key) const {
        const auto pos = table_.find(key);
        return pos ? table_.entries()[*pos].Text : std::string();
    }

    LangTable table_{{kLangFolder}};
    std::string path_;
    std::string bytes_;
};

TEST_P(ShippedLanguage, IsUtf8WithByteOrderMarkAndCrLfLineEnds) {
    ASSERT_TRUE(bytes_.starts_with(kUtf8Bom));
    EXPECT_TRUE(is_valid_utf8(bytes_));
    EXPECT_TRUE(bytes_.ends_with("\r\n"));
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '\r') {
            EXPECT_TRUE(i + 1 < bytes_.size() && bytes_[i + 1] == '\n') << "lone CR at " << i;
        }
        if (bytes_[i] == '\n') {
            EXPECT_TRUE(i > 0 && bytes_[i - 1] == '\r') << "lone LF at " << i;
        }
    }
}

TEST_P(ShippedLanguage, GivesEveryKeyATextWithTheMarkersItsCallerNeeds) {
    for (const auto& entry : language_keys()) {
        const std::string text = raw_text(entry.key);
        ASSERT_FALSE(text.empty()) << entry.key << " has no text";
        // A "(fr)" mark hides the rest of the text: a shipped file is translated throughout.
        EXPECT_FALSE(has_marker(text, "(fr)")) << entry.key;
        const std::string shown = table_.Lang_Get(entry.key);
        EXPECT_FALSE(shown.empty()) << entry.key;
        EXPECT_NE(shown, entry.key) << entry.key << " shows as its key";
        for (auto marker : entry.required)
            EXPECT_TRUE(has_marker(text, marker)) << entry.key << " lacks " << marker;
        // A parameter its caller never passes would show as nothing.
        for (std::string_view param : {"%s1%", "%s2%", "%s3%", "%s4%", "%s5%"}) {
            if (has_marker(text, param)) {
                bool expected = false;
                for (auto marker : entry.required)
                    expected = expected || iequals(marker, param);
                EXPECT_TRUE(expected) << entry.key << " holds " << param;
            }
        }
    }
}

TEST_P(ShippedLanguage, HoldsOnlyKnownKeysEachWrittenOnceInTheirOwnSpelling) {
    std::set<std::string> seen;
    for (const auto& key : raw_keys(decode_text_file(bytes_))) {
        EXPECT_TRUE(seen.insert(fold_case(key)).second) << key << " appears twice";
        const LanguageKey* known = find_language_key(key);
        ASSERT_NE(known, nullptr) << key << " is read by nobody";
        EXPECT_EQ(key, known->key);
    }
    EXPECT_EQ(table_.entries().size(), language_keys().size());
}

TEST_P(ShippedLanguage, StatusTemplatesUseOnlyStatusPlaceholders) {
    // Each "%" starts a placeholder; anything else would show as typed.
    const std::vector<std::string_view> placeholders{"%DC", "%DP", "%LC", "%LP", "%CC", "%CP",
                                                     "%RC", "%RP", "%RL", "%EP", "%EC"};
    for (std::string_view key :
         {"Status.DefaultTree", "Status.DefaultEdit", "Status.DefaultNoFocus"}) {
        const std::string text = table_.Lang_Get(key);
        for (std::size_t p = text.find('%'); p != std::string::npos; p = text.find('%', p + 1)) {
            bool known = false;
            for (auto placeholder : placeholders)
                known = known || iequals(std::string_view(text).substr(p, 3), placeholder);
            EXPECT_TRUE(known) << key << ": " << text.substr(p);
        }
    }
}

// The character after the caption's only "&", folded; empty when the caption has none or more.
std::string mnemonic_of(std::string_view caption) {
    const std::size_t amp = caption.find('&');
    if (amp == std::string_view::npos || caption.find('&', amp + 1) != std::string_view::npos ||
        amp + 1 >= caption.size())
        return {};
    std::size_t next = amp + 1;
    next_code_point(caption, next);
    return fold_case(caption.substr(amp + 1, next - amp - 1));
}

TEST_P(ShippedLanguage, MenuMnemonicsAreUniqueWithinEachMenu) {
    const std::map<std::string, std::vector<std::string_view>> menus{
        {"menu bar",
         {"Menu.Project", "Menu.Edit", "Menu.Feed", "Menu.RSS", "Menu.Display", "Menu.About"}},
        {"project",
         {"Menu\\Project.New", "Menu\\Project.Open", "Menu\\Project.Save", "Menu\\Project.SaveAs",
          "Menu\\Project.Close", "Menu\\Project.CloseAll", "Menu\\Project.EditPref",
          "Menu\\Project.LastOpened", "Menu\\Project.Quit"}},
        {"edit",
         {"Menu\\Edit.Undo", "Menu\\Edit.Redo", "Menu\\Edit.FindText", "Menu\\Edit.FindNext",
          "Menu\\Edit.FindPrevious"}},
        {"feed",
         {"Menu\\Feed.Add", "Menu\\Feed.MoveUp", "Menu\\Feed.MoveDown", "Menu\\Feed.Del",
          "Menu\\FeedSort", "Menu\\Feed.Property"}},
        {"sort", {"Menu\\Feed.SortAscending", "Menu\\Feed.SortDescending"}},
        {"rss",
         {"Menu\\RSS.Create", "Menu\\RSS.Check", "Menu\\RSS.LinkToClipBoard",
          "Menu\\Rss.Property"}},
        {"display", {"Menu\\Display.NextProject", "Menu\\Display.PrevProject"}},
        {"about",
         {"Menu\\About.Help", "Menu\\About.CheckNewVersion", "Menu\\About.WhatNews",
          "Menu\\About.About"}},
        {"feed pop-up",
         {"Menu\\Feed.Add", "Menu\\Feed.Copy", "Menu\\Feed.MoveUp", "Menu\\Feed.MoveDown",
          "Menu\\Feed.Del", "Menu\\Feed.Property"}},
        {"editor pop-up", {"Menu.Undo", "Menu.Redo", "Menu.Cut", "Menu.Copy", "Menu.Paste"}},
    };
    for (const auto& [menu, keys] : menus) {
        std::map<std::string, std::string_view> used;
        for (auto key : keys) {
            const std::string caption = table_.Lang_Get(key);
            const std::string letter = mnemonic_of(caption);
            ASSERT_FALSE(letter.empty()) << menu << ": " << key << " = " << caption;
            const auto [it, fresh] = used.emplace(letter, key);
            EXPECT_TRUE(fresh) << menu << ": " << key << " and " << it->second << " share "
                               << letter;
        }
    }
}

TEST_P(ShippedLanguage, RequesterButtonsHaveDistinctLetterMnemonics) {
    // The requester answers to Alt+letter and to the letter alone, for A to Z only.
    std::set<std::string> letters;
    for (std::string_view key : {"RequestButton.Yes", "RequestButton.No", "RequestButton.Cancel"}) {
        const std::string letter = mnemonic_of(table_.Lang_Get(key));
        ASSERT_EQ(letter.size(), 1u) << key;
        EXPECT_TRUE(letter[0] >= 'a' && letter[0] <= 'z') << key;
        EXPECT_TRUE(letters.insert(letter).second) << key;
    }
    const std::string ok = mnemonic_of(table_.Lang_Get("RequestButton.Ok"));
    ASSERT_EQ(ok.size(), 1u);
    EXPECT_TRUE(ok[0] >= 'a' && ok[0] <= 'z');
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedLanguage, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(LanguageKeys, ListEachKeyOnceWhateverItsLetterCase) {
    std::set<std::string> seen;
    for (const auto& entry : language_keys())
        EXPECT_TRUE(seen.insert(fold_case(entry.key)).second) << entry.key;
    EXPECT_EQ(find_language_key("menu\\rss.create"), find_language_key("Menu\\RSS.Create"));
    EXPECT_EQ(find_language_key("Menu\\RSS.Nothing"), nullptr);
}

TEST(LanguageKeys, NameTheCaptionOfEveryConfigurableShortcut) {
    for (const auto& shortcut : kMainShortcuts)
        EXPECT_NE(find_language_key(shortcut.name), nullptr) << shortcut.name;
}

// Names of the key's shape that are not language keys: settings, files and web pages.
const std::set<std::string, std::less<>> kNotLanguageKeys = {
    "License.Txt",     "Main.DefaultPath", "Main.VersionPage", "Pref.EditorFont",
    "Pref.StatusEdit", "Pref.StatusTree",  "Quillpost.Log",    "Quillpost.ini"};

// The end of the C++ string literal starting at at (its opening quote), or npos.
std::size_t literal_end(std::string_view code, std::size_t at) {
    for (std::size_t i = at + 1; i < code.size(); ++i) {
        if (code[i] == '\\')
            ++i;
        else if (code[i] == code[at])
            return i;
    }
    return std::string_view::npos;
}

// How many arguments a call passes from at (just after the key's literal) to its closing
// parenthesis, counting the elements of a braced list as the arguments; -1 when unreadable.
int passed_params(std::string_view code, std::size_t at) {
    int depth = 0;
    int params = 0;
    bool in_list = false;
    bool any = false;
    for (std::size_t i = at; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"' || c == '\'') {
            if ((i = literal_end(code, i)) == std::string_view::npos)
                return -1;
            any = true;
        } else if (c == '(' || c == '[' || (c == '{' && depth > 0)) {
            ++depth;
        } else if (c == '{') {
            in_list = true;
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (depth == 0 || (depth == 1 && in_list && c == '}'))
                return params + (any ? 1 : 0);
            --depth;
        } else if (c == ',' && depth == (in_list ? 1 : 0)) {
            if (any)
                ++params;
            any = false;
        } else if (std::isspace(static_cast<unsigned char>(c)) == 0) {
            any = true;
        }
    }
    return -1;
}

// Every key the code names exists in the list the language files are checked against, and each
// call passes as many parameters as the key's text has.
TEST(LanguageKeys, EveryKeyTheCodeNamesIsListedWithTheParametersItsCallersPass) {
    const std::regex key_shape(
        R"re("((?:[A-Z][A-Za-z0-9]*\\\\)?[A-Z][A-Za-z0-9]*\.[A-Za-z0-9.]+)")re");
    const std::regex call(R"re(\b(get|Lang_Get)\(\s*"([^"]+)"\s*,?)re");
    std::size_t calls = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(QP_SOURCE_DIR) + "/src")) {
        const std::string path = entry.path().string();
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h") ||
            path.find("language_keys.cpp") != std::string::npos)
            continue;
        std::string code;
        ASSERT_TRUE(read_file(path, code)) << path;
        for (std::sregex_iterator it(code.begin(), code.end(), key_shape), end; it != end; ++it) {
            const std::string key = replace_all((*it)[1].str(), "\\\\", "\\");
            if (kNotLanguageKeys.count(key) == 0) {
                EXPECT_NE(find_language_key(key), nullptr) << path << ": " << key;
            }
        }
        for (std::sregex_iterator it(code.begin(), code.end(), call), end; it != end; ++it) {
            const LanguageKey* known = find_language_key(replace_all((*it)[2].str(), "\\\\", "\\"));
            if (known == nullptr)
                continue; // reported above, or a key built at run time
            int expected = 0;
            for (std::string_view marker : known->required)
                expected += marker.size() == 4 && istarts_with(marker, "%s") ? 1 : 0;
            const auto after = static_cast<std::size_t>(it->position(0) + it->length(0));
            EXPECT_EQ(passed_params(code, after), expected) << path << ": " << known->key;
            ++calls;
        }
    }
    // The scan itself works: it saw the calls of the program's windows and messages.
    EXPECT_GT(calls, 100u);
}

TEST(LanguageKeys, ReferenceLanguageIsFoundUnderTheDefaultName) {
    LangTable table({kLangFolder});
    EXPECT_EQ(table.Lang_Select(""), kDefaultLanguage);
    EXPECT_EQ(table.entries().size(), language_keys().size());
}

} // namespace
} // namespace qp
