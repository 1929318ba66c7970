#include "core/layout.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>

namespace qp {

namespace {

// A word counts as a number only when it is written exactly as its value would be ("10", "-1";
// not "+3", "03" or "-0") and the value fits the record's 32-bit fields.
std::optional<std::int64_t> plain_decimal(std::string_view word) {
    std::string_view digits = word;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative)
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    if (digits.front() == '0' && (digits.size() > 1 || negative))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return value;
}

struct ColumnRun {
    std::string_view name;
    int first;
    int count;
};

constexpr std::array<ColumnRun, 15> kRuns{{
    {"ABCDE", 0, 5},
    {"ABCD", 0, 4},
    {"BCDE", 1, 4},
    {"ABC", 0, 3},
    {"BCD", 1, 3},
    {"CDE", 2, 3},
    {"AB", 0, 2},
    {"BC", 1, 2},
    {"CD", 2, 2},
    {"DE", 3, 2},
    {"A", 0, 1},
    {"B", 1, 1},
    {"C", 2, 1},
    {"D", 3, 1},
    {"E", 4, 1},
}};

std::string upper_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

// The record's fields are 32-bit; absurd row counts saturate instead of overflowing.
std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

GadgetLayout layout_new(std::int32_t window_width) {
    GadgetLayout layout;
    layout.RowHeight = 22;
    layout.SpaceX = 5;
    layout.SpaceY = 5;
    layout.WindowWidth = window_width;
    return layout;
}

std::int32_t Layout_Place(std::string_view text, GadgetLayout& layout, LabelMode label) {
    // Columns and rows are counted first and turned into pixels at the end.
    std::int64_t x = 0, y = 0, width = 0;
    std::int64_t label_x = 0, label_width = 0, label_height = 0;
    std::int32_t label_flags = kLabelRight;

    const std::int64_t row_step = std::int64_t{layout.RowHeight} + layout.SpaceY;
    const std::int64_t col_w =
        (std::int64_t{layout.WindowWidth} - layout.Inset - 6 * std::int64_t{layout.SpaceX}) / 5;
    const std::int64_t pitch = col_w + layout.SpaceX;

    std::int64_t rows = 1;
    std::int64_t offset = 0;
    bool columns_given = false;
    bool label_above = false;

    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(' ', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view word = text.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty())
            continue;
        if (const auto number = plain_decimal(word)) {
            if (*number > 0)
                rows = *number;
            else if (*number < 0)
                offset = *number;
            continue;
        }
        const std::string upper = upper_ascii(word);
        for (const auto& run : kRuns) {
            if (upper == run.name) {
                x = run.first;
                width = run.count;
                columns_given = true;
                break;
            }
        }
        if (label == LabelMode::NoLabel)
            continue;
        switch (upper.front()) {
        case 'A': // label above, centred over the whole width
            label_width = 5;
            label_height = 1;
            y = 1;
            label_flags = kLabelCentred;
            break;
        case 'B':
            label_width = 1;
            break;
        case 'C':
            label_width = 2;
            break;
        case 'D':
            label_width = 3;
            break;
        case 'E':
            label_width = 4;
            break;
        case 'V':
            label_above = true;
            break;
        default:
            break;
        }
    }

    if (!columns_given) {
        x = 2;
        width = 3;
        label_width = 2;
    }
    if (label_above) {
        label_x = x;
        label_width = width;
        label_height = 1;
        y = 1;
    }

    x = layout.SpaceX + x * pitch;
    label_x = layout.SpaceX + label_x * pitch;
    std::int64_t label_y = layout.NextY + offset * row_step;
    if (label_y < 0) // never above the top of the window
        label_y = layout.NextY;
    y = label_y + y * row_step;
    width = width * pitch - layout.SpaceX;
    label_width = label_width * pitch - layout.SpaceX;
    if (label_height == 0)
        label_height = rows;
    label_height = row_step * label_height - layout.SpaceY;
    const std::int64_t height = row_step * rows - layout.SpaceY;

    const std::int64_t field_bottom = y + height + layout.SpaceY;
    const std::int64_t label_bottom = label_y + label_height + layout.SpaceY;

    layout.X = clamp32(x);
    layout.Y = clamp32(y);
    layout.Width = clamp32(width);
    layout.Height = clamp32(height);
    layout.LabelX = clamp32(label_x);
    layout.LabelY = clamp32(label_y);
    layout.LabelWidth = clamp32(label_width);
    layout.LabelHeight = clamp32(label_height);
    layout.LabelFlags = label_flags;
    layout.NextY = clamp32(std::max(field_bottom, label_bottom));
    if (layout.NextY > layout.MaxY)
        layout.MaxY = layout.NextY;
    return layout.NextY;
}

LayoutRect layout_panel_begin(GadgetLayout& layout) {
    const LayoutRect panel{layout.SpaceX, layout.NextY, layout.WindowWidth - 2 * layout.SpaceX,
                           100};
    layout.Inset = 2 * layout.SpaceX;
    layout.SavedY = layout.NextY;
    layout.MaxY = 0;
    return panel;
}

void layout_panel_page(GadgetLayout& layout) {
    layout.NextY = layout.SpaceY;
}

std::int32_t layout_panel_end(GadgetLayout& layout, std::int32_t tab_header_height) {
    layout.MaxY += tab_header_height;
    const std::int32_t height = layout.MaxY;
    layout.Inset = 0;
    layout.NextY = layout.SavedY + layout.MaxY + layout.SpaceY;
    layout.MaxY = layout.NextY;
    return height;
}

} // namespace qp
