// The status line's text: a template with placeholders filled from the current document.
// No widgets here, so the rule is testable on its own.
#pragma once

#include <string>
#include <string_view>

namespace qp::ui {

struct StatusValues {
    int DC = 0; // open documents
    int DP = 0; // current document, 1-based
    int LC = 0; // lines of the editor
    int LP = 0; // caret line, 1-based
    int CC = 0; // length of the caret line
    int CP = 0; // caret column, 1-based
    int RC = 0; // characters of the editor
    int RP = 0; // caret offset, 0-based
    int EP = 0; // selected feed row, 1-based, 0 for none
    int EC = 0; // feed rows
};

// Replaces every placeholder without regard to letter case, in the fixed order (so "%DC" is
// taken before any text a later one could form). "%RL" is the caret's share of the text with one
// decimal and "%"; an empty text gives "0.0%".
std::string status_line_format(std::string_view text, const StatusValues& v);

} // namespace qp::ui
