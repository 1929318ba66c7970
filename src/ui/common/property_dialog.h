// The frame of the tabbed property windows (a feed, a document, the preferences): a panel of
// pages above the two fixed buttons, OK ("Dialog.Ok") and Cancel ("Dialog.Cancel").
// Keys: Escape, the close box and Return on Cancel cancel; Return anywhere else accepts;
// Ctrl+Tab and Ctrl+Shift+Tab step to the next and previous page, never wrapping around.
#pragma once

#include "ui/common/control_registry.h"
#include "ui/common/layout_bridge.h"

#include <QDialog>

#include <span>

class QPushButton;
class QTabWidget;

namespace qp {
class Texts;
}

namespace qp::ui {

class PropertyDialog : public QDialog {
public:
    PropertyDialog(QWidget* parent, Texts& texts, int inner_width);

    // Lays out the panel from the top of the window, its pages and the two buttons below it,
    // and fixes the window's size to what the layout needs. Call once.
    QTabWidget* build_panel(int panel_number, std::span<const PanelPage> pages);

    ControlRegistry& controls() { return controls_; }
    template <class T> T* control(int number) const { return controls_.get<T>(number); }
    Texts& texts() { return texts_; }
    QTabWidget* panel() const { return panel_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* cancel_button() const { return cancel_; }

    // Makes control number, the last of its page, reach down to the bottom of the tallest page,
    // so a box of several lines takes the room the other pages leave. Call after build_panel.
    void fill_page_below(int number);

    // Shows the page step away from the current one when there is one, and focuses the panel.
    void step_page(int step);

    // OK: accepted only when validate() agrees; the window then closes with Accepted.
    void accept() override;

protected:
    // Checks the fields before OK closes the window; false keeps it open (the subclass has told
    // the user why).
    virtual bool validate() { return true; }
    void keyPressEvent(QKeyEvent* event) override;

private:
    Texts& texts_;
    GadgetLayout layout_;
    ControlRegistry controls_;
    QTabWidget* panel_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace qp::ui
