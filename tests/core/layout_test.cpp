#include "core/layout.h"

#include <gtest/gtest.h>

#include <array>

using namespace qp;

namespace {

using Rect = std::array<int, 4>;
Rect field(const GadgetLayout& l) {
    return {l.X, l.Y, l.Width, l.Height};
}
Rect label(const GadgetLayout& l) {
    return {l.LabelX, l.LabelY, l.LabelWidth, l.LabelHeight};
}

} // namespace

TEST(LayoutPlace, StandardDialogRows) {
    GadgetLayout l = layout_new(400);
    EXPECT_EQ(Layout_Place("CDE", l, LabelMode::WithLabel), 27);
    EXPECT_EQ(field(l), (Rect{163, 0, 232, 22}));
    EXPECT_EQ(label(l), (Rect{5, 0, 153, 22}));
    EXPECT_EQ(l.LabelFlags, kLabelRight);
    EXPECT_EQ(Layout_Place("DE", l, LabelMode::NoLabel), 54);
    EXPECT_EQ(field(l), (Rect{242, 27, 153, 22}));
    EXPECT_EQ(label(l), (Rect{5, 27, -5, 22})); // no label: zero columns, the field's rows
    EXPECT_EQ(Layout_Place("AB -1", l, LabelMode::NoLabel), 54);
    EXPECT_EQ(field(l), (Rect{5, 27, 153, 22}));
    Layout_Place("e", l, LabelMode::NoLabel);
    EXPECT_EQ(field(l), (Rect{321, 54, 74, 22}));
}

TEST(LayoutPlace, LabelPositions) {
    GadgetLayout l = layout_new(400);
    EXPECT_EQ(Layout_Place("ABCDE 2", l, LabelMode::WithLabel),
              81); // label above, centred, whole width
    EXPECT_EQ(label(l), (Rect{5, 0, 390, 22}));
    EXPECT_EQ(field(l), (Rect{5, 27, 390, 49}));
    EXPECT_EQ(l.LabelFlags, kLabelCentred);
    l.NextY = 0;
    Layout_Place("D", l, LabelMode::WithLabel);
    EXPECT_EQ(label(l), (Rect{5, 0, 232, 22}));
    l.NextY = 0;
    Layout_Place("cde 3", l, LabelMode::WithLabel);
    EXPECT_EQ(field(l), (Rect{163, 0, 232, 76}));
    EXPECT_EQ(label(l), (Rect{5, 0, 153, 76}));
    l.NextY = 0;
    EXPECT_EQ(Layout_Place("CD V", l, LabelMode::WithLabel),
              54); // label over the field's own columns
    EXPECT_EQ(label(l), (Rect{163, 0, 153, 22}));
    EXPECT_EQ(field(l), (Rect{163, 27, 153, 22}));
}

TEST(LayoutPlace, DefaultsAndIgnoredWords) {
    for (const char* text : {"", "3", "  ", "+3 03 -0 0 xyz"}) {
        GadgetLayout l = layout_new(400);
        Layout_Place(text, l, LabelMode::WithLabel);
        EXPECT_EQ(field(l)[0], 163) << '"' << text << '"';
        EXPECT_EQ(label(l)[2], 153) << '"' << text << '"';
        EXPECT_EQ(l.Height, text[0] == '3' ? 76 : 22) << '"' << text << '"';
    }
}

TEST(LayoutPlace, GoingBackUpAndPanels) {
    GadgetLayout l = layout_new(400);
    for (int i = 0; i < 3; ++i)
        Layout_Place("ABC", l, LabelMode::NoLabel);
    EXPECT_EQ(Layout_Place("DE  -2", l, LabelMode::NoLabel), 54);
    EXPECT_EQ(field(l), (Rect{242, 27, 153, 22}));
    EXPECT_EQ(l.MaxY, 81);
    l.NextY = 27; // an offset above the top is clamped to the current row
    Layout_Place("CDE -5", l, LabelMode::WithLabel);
    EXPECT_EQ(l.LabelY, 27);

    l = layout_new(400);
    Layout_Place("CDE", l, LabelMode::WithLabel);
    const LayoutRect panel = layout_panel_begin(l);
    EXPECT_EQ((Rect{panel.x, panel.y, panel.width, panel.height}), (Rect{5, 27, 390, 100}));
    layout_panel_page(l);
    Layout_Place("A", l, LabelMode::NoLabel); // columns of 72 inside the frame
    EXPECT_EQ(field(l), (Rect{5, 5, 72, 22}));
    Layout_Place("ABCDE 2", l, LabelMode::NoLabel);
    layout_panel_page(l);
    Layout_Place("E", l, LabelMode::NoLabel);
    EXPECT_EQ(field(l), (Rect{313, 5, 72, 22}));
    EXPECT_EQ(layout_panel_end(l, 25), 111);
    EXPECT_EQ(l.NextY, 143);
    EXPECT_EQ(l.MaxY, 143);

    l = layout_new(400); // huge row counts saturate instead of overflowing
    EXPECT_EQ(Layout_Place("CDE 2147483647", l, LabelMode::WithLabel), 2147483647);
}
