// Places widgets with the column layout of core: every dialog's geometry comes from Layout_Place,
// and a dialog's controls are built from a table, one line per control.
#pragma once

#include "core/layout.h"

#include <QRect>

#include <span>
#include <string_view>

class QTabWidget;
class QWidget;

namespace qp {
class Texts;
}

namespace qp::ui {

class ControlRegistry;

struct PlacedControl {
    QRect field;
    QRect label;
    Qt::Alignment label_alignment;
};

// Places one control by its column text; the record's NextY and MaxY move on as Layout_Place
// moves them.
PlacedControl layout_place_control(std::string_view text, GadgetLayout& layout, LabelMode mode);

QRect to_q_rect(const LayoutRect& rect);

enum class ControlKind {
    Static,    // QLabel
    Edit,      // QLineEdit
    Digits,    // QLineEdit taking digits only
    Spin,      // QSpinBox
    Date,      // DateField with the date mask of the language file
    Password,  // QLineEdit hiding what is typed
    Editor,    // QPlainTextEdit, several lines
    CheckBox,  // QCheckBox
    Combo,     // QComboBox
    EditCombo, // QComboBox the user may type into
    Button,    // QPushButton
    ListBox,   // QListWidget
    ListView,  // QTreeWidget in report style
    Progress,  // QProgressBar
};

// One control of a dialog. With a label, key is the label's text; without one, it is the
// caption of a static text, check box or button. A null key gives no text.
struct ControlLine {
    int number;
    ControlKind kind;
    const char* layout;
    LabelMode label;
    const char* key;
};

// Creates each line's control on parent, top to bottom, with its label (a QLabel whose buddy is
// the control), and registers the control under its number. parent's inner height is left to
// the caller: the record's MaxY after the last line (or more lines) is the height it needs.
void layout_build(QWidget& parent, GadgetLayout& layout, std::span<const ControlLine> lines,
                  Texts& texts, ControlRegistry& registry);
// Gives the label layout_build made for control, anywhere in window, another text.
void set_label_of(const QWidget& window, const QWidget* control, const QString& text);

} // namespace qp::ui

namespace qp::ui {

// One page of a panel: its tab's text key and its controls.
struct PanelPage {
    const char* key;
    std::span<const ControlLine> lines;
};

// Builds a panel (tab) control at the current row with one page per entry, each laid out from
// the page's own top, registers it under number and moves the record below it. The panel is as
// high as its tallest page plus the tab header.
QTabWidget* layout_build_panel(QWidget& parent, GadgetLayout& layout, int number,
                               std::span<const PanelPage> pages, Texts& texts,
                               ControlRegistry& registry);

} // namespace qp::ui
