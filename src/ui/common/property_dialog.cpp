#include "ui/common/property_dialog.h"

#include "core/texts.h"
#include "ui/common/qt_text.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>

#include <algorithm>

namespace qp::ui {

PropertyDialog::PropertyDialog(QWidget* parent, Texts& texts, int inner_width)
    : QDialog(parent), texts_(texts), layout_(layout_new(inner_width)) {
    setModal(true);
    // The tab widget would wrap around on Ctrl+Tab by itself; the window's shortcuts come first.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [this] { step_page(1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    connect(previous, &QShortcut::activated, this, [this] { step_page(-1); });
    auto* previous_tab = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
    connect(previous_tab, &QShortcut::activated, this, [this] { step_page(-1); });
}

QTabWidget* PropertyDialog::build_panel(int panel_number, std::span<const PanelPage> pages) {
    panel_ = layout_build_panel(*this, layout_, panel_number, pages, texts_, controls_);
    const PlacedControl ok = layout_place_control("DE", layout_, LabelMode::NoLabel);
    ok_ = new QPushButton(to_q(texts_.get("Dialog.Ok")), this);
    ok_->setGeometry(ok.field);
    const PlacedControl cancel = layout_place_control("AB -1", layout_, LabelMode::NoLabel);
    cancel_ = new QPushButton(to_q(texts_.get("Dialog.Cancel")), this);
    cancel_->setGeometry(cancel.field);
    connect(ok_, &QPushButton::clicked, this, &PropertyDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &PropertyDialog::reject);
    // Return is the window's key, not that of whichever button has the focus.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setFixedSize(layout_.WindowWidth, layout_.MaxY);
    return panel_;
}

void PropertyDialog::fill_page_below(int number) {
    QWidget* control = controls_.widget(number);
    if (panel_ == nullptr || control == nullptr)
        return;
    int bottom = control->geometry().bottom();
    // Every control counts, shown or not, as it did when the panel's height was laid out.
    for (int page = 0; page < panel_->count(); ++page)
        for (const QWidget* child :
             panel_->widget(page)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            bottom = std::max(bottom, child->geometry().bottom());
    QRect rect = control->geometry();
    rect.setBottom(bottom);
    control->setGeometry(rect);
}

void PropertyDialog::step_page(int step) {
    if (panel_ == nullptr)
        return;
    const int page = panel_->currentIndex() + step;
    if (page >= 0 && page < panel_->count())
        panel_->setCurrentIndex(page);
    panel_->setFocus();
}

void PropertyDialog::accept() {
    if (validate())
        QDialog::accept();
}

void PropertyDialog::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (focusWidget() == cancel_)
            reject();
        else
            accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace qp::ui
