// Every language key the program looks up, with the markers its text has to keep. The shipped
// language files are checked against this list, so a key used in code and missing from a file,
// or a file entry nothing reads, shows up before a user sees a bare key.
#pragma once

#include <string_view>
#include <vector>

namespace qp {

struct LanguageKey {
    std::string_view key;
    // Markers the text must hold, matched without regard to case: the "%s1%".."%s5%" parameters
    // the caller passes, and the placeholders a status-line template needs.
    std::vector<std::string_view> required;
};

// In the order of the windows and menus that use them; the translator's entry comes first.
const std::vector<LanguageKey>& language_keys();

// The entry of a key, compared without regard to case as lookups do; nullptr when unknown.
const LanguageKey* find_language_key(std::string_view key);

} // namespace qp
