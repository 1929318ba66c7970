// Where the core and net layers find the user's texts. The language table implements it; code
// below the window never holds a user-visible text of its own.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qp {

class Texts {
public:
    virtual ~Texts() = default;
    // The text of a language key with up to five parameters; a key without a text shows as
    // itself.
    virtual std::string get(std::string_view key,
                            std::initializer_list<std::string_view> params = {}) = 0;
};

// Answers every key with the key itself, parameters appended in brackets: for tests and for
// callers that have no language loaded.
class KeyTexts : public Texts {
public:
    std::string get(std::string_view key,
                    std::initializer_list<std::string_view> params = {}) override {
        std::string out(key);
        for (auto p : params) {
            out += '[';
            out += p;
            out += ']';
        }
        return out;
    }
};

} // namespace qp
