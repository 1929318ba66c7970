#include "ui/dialogs/text_window.h"

#include "core/layout.h"
#include "core/log.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/qt_text.h"

#include <QPlainTextEdit>

namespace qp::ui {

namespace {

constexpr int kDefaultWidth = 600;

} // namespace

TextWindow::TextWindow(QWidget* parent, const QString& title, int inner_width)
    : QDialog(parent), editor_(new QPlainTextEdit(this)) {
    setWindowTitle(title);
    GadgetLayout layout = layout_new(inner_width);
    editor_->setGeometry(layout_place_control("ABCDE 10", layout, LabelMode::WithLabel).field);
    editor_->setReadOnly(true);
    // Read-only still lets the user select and copy, as the log is often copied into a report.
    editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    editor_->setProperty("controlId", kTextWindowEditor);
    setFixedSize(inner_width, layout.MaxY);
}

void TextWindow_Show(QWidget* parent, const QString& title, const QString& text) {
    const QWidget* owner = parent ? parent->window() : nullptr;
    TextWindow window(parent, title, owner ? owner->width() : kDefaultWidth);
    QString shown = text;
    window.editor()->setPlainText(shown.replace("\r\n", "\n"));
    window.editor()->setFocus();
    window.exec();
}

void Log_Show(QWidget* parent, const Log& log, const QString& app_title) {
    TextWindow_Show(parent, "Log - " + app_title, to_q(log.text()));
}

} // namespace qp::ui
