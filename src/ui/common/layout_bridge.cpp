#include "ui/common/layout_bridge.h"

#include "core/texts.h"
#include "ui/common/control_registry.h"
#include "ui/common/date_field.h"
#include "ui/common/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

namespace qp::ui {

PlacedControl layout_place_control(std::string_view text, GadgetLayout& layout, LabelMode mode) {
    Layout_Place(text, layout, mode);
    PlacedControl placed;
    placed.field = QRect(layout.X, layout.Y, layout.Width, layout.Height);
    placed.label = QRect(layout.LabelX, layout.LabelY, layout.LabelWidth, layout.LabelHeight);
    const Qt::Alignment horizontal =
        layout.LabelFlags == kLabelCentred ? Qt::AlignHCenter : Qt::AlignRight;
    // A label one row high sits level with the field's text; a taller one with its first line.
    const Qt::Alignment vertical =
        layout.LabelHeight > layout.RowHeight ? Qt::AlignTop : Qt::AlignVCenter;
    placed.label_alignment = horizontal | vertical;
    return placed;
}

QRect to_q_rect(const LayoutRect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

namespace {

QWidget* create_control(ControlKind kind, const QString& caption, QWidget& parent, Texts& texts) {
    switch (kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(caption, &parent);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::Edit:
        return new QLineEdit(&parent);
    case ControlKind::Digits: {
        auto* edit = new QLineEdit(&parent);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        return edit;
    }
    case ControlKind::Spin:
        return new QSpinBox(&parent);
    case ControlKind::Date:
        return new DateField(&parent, texts.get("Dialog.DateMask"));
    case ControlKind::Password: {
        auto* edit = new QLineEdit(&parent);
        edit->setEchoMode(QLineEdit::Password);
        return edit;
    }
    case ControlKind::Editor:
        return new QPlainTextEdit(&parent);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, &parent);
    case ControlKind::Combo:
        return new QComboBox(&parent);
    case ControlKind::EditCombo: {
        auto* combo = new QComboBox(&parent);
        combo->setEditable(true);
        // Typed texts are taken by the dialog's own rules, never added by the box itself.
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::Button:
        return new QPushButton(caption, &parent);
    case ControlKind::ListBox:
        return new QListWidget(&parent);
    case ControlKind::ListView: {
        auto* view = new QTreeWidget(&parent);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        return view;
    }
    case ControlKind::Progress:
        return new QProgressBar(&parent);
    }
    return nullptr;
}

} // namespace

void layout_build(QWidget& parent, GadgetLayout& layout, std::span<const ControlLine> lines,
                  Texts& texts, ControlRegistry& registry) {
    for (const ControlLine& line : lines) {
        const PlacedControl placed =
            layout_place_control(line.layout != nullptr ? line.layout : "", layout, line.label);
        const QString text = line.key != nullptr ? to_q(texts.get(line.key)) : QString();
        const bool labelled = line.label == LabelMode::WithLabel;
        QWidget* control = create_control(line.kind, labelled ? QString() : text, parent, texts);
        control->setGeometry(placed.field);
        if (labelled) {
            auto* label = new QLabel(text, &parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(placed.label_alignment);
            label->setGeometry(placed.label);
            label->setBuddy(control);
        }
        registry.add(line.number, control);
    }
}

QTabWidget* layout_build_panel(QWidget& parent, GadgetLayout& layout, int number,
                               std::span<const PanelPage> pages, Texts& texts,
                               ControlRegistry& registry) {
    const QRect rect = to_q_rect(layout_panel_begin(layout));
    auto* panel = new QTabWidget(&parent);
    panel->setGeometry(rect);
    for (const PanelPage& page : pages) {
        auto* inside = new QWidget(panel);
        layout_panel_page(layout);
        layout_build(*inside, layout, page.lines, texts, registry);
        panel->addTab(inside, page.key != nullptr ? to_q(texts.get(page.key)) : QString());
    }
    // The pages sit below the tab bar and inside the pane's frame.
    const int frame = panel->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, panel);
    const int header = panel->tabBar()->sizeHint().height() + 2 * frame;
    panel->resize(rect.width(), layout_panel_end(layout, header));
    registry.add(number, panel);
    return panel;
}

void set_label_of(const QWidget& window, const QWidget* control, const QString& text) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->buddy() == control)
            label->setText(text);
    }
}

} // namespace qp::ui
