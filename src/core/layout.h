// The column layout every dialog is placed with: five equal columns A to E, rows of fixed height,
// and a short column text per control ("CDE", "DE -1", "ABCDE 10").
#pragma once

#include <cstdint>
#include <string_view>

namespace qp {

// One per window being built; starts zero-filled. Coordinates are pixels inside the window (or
// inside the current panel page).
struct GadgetLayout {
    std::int32_t X = 0; // the control
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t LabelX = 0; // its label
    std::int32_t LabelY = 0;
    std::int32_t LabelWidth = 0;
    std::int32_t LabelHeight = 0;
    std::int32_t LabelFlags = 0; // kLabelRight or kLabelCentred
    std::int32_t NextY = 0;      // top of the next row
    std::int32_t SavedY = 0;     // the caller's NextY while it lays out a panel
    std::int32_t RowHeight = 0;
    std::int32_t SpaceX = 0;
    std::int32_t SpaceY = 0;
    std::int32_t WindowWidth = 0;
    std::int32_t Inset = 0; // width lost to an enclosing panel's frame
    std::int32_t MaxY = 0;  // the height the window (or panel) needs
};

inline constexpr std::int32_t kLabelCentred = 1; // label above the field, over all five columns
inline constexpr std::int32_t kLabelRight = 2;   // label left of the field, right-aligned

// A record ready for a window of the given inner width, with the gaps and row height every
// window of the program uses.
GadgetLayout layout_new(std::int32_t window_width);

enum class LabelMode {
    WithLabel, // the column text places a label beside or above the control too
    NoLabel,
};

// Places one control by its column text and returns the new NextY. Every text yields
// rectangles; words that match no rule are ignored.
std::int32_t Layout_Place(std::string_view text, GadgetLayout& layout, LabelMode label);

struct LayoutRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Starts the pages of a panel (tab) control at the current row: returns the panel's rectangle
// with a provisional height, and switches the record to the panel's inside. Call
// layout_panel_page before laying out each page.
LayoutRect layout_panel_begin(GadgetLayout& layout);
// Each page starts at its own top.
void layout_panel_page(GadgetLayout& layout);
// Ends the panel: returns the panel's height (the tallest page plus the tab header) and moves
// the record back below the panel.
std::int32_t layout_panel_end(GadgetLayout& layout, std::int32_t tab_header_height);

} // namespace qp
