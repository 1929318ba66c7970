#include "ui/dialogs/requester.h"

#include <QMessageBox>

namespace qp::ui {

MessageRequester::MessageRequester(const qp::Language&, QWidget* main_window)
    : main_window_(main_window) {}

int MessageRequester::RequestMessage(const QString& title, const QString& text, int buttons,
                                     QWidget* parent) {
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    if (buttons == kRequestYesNo)
        set = QMessageBox::Yes | QMessageBox::No;
    else if (buttons == kRequestYesNoCancel)
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(QMessageBox::NoIcon, title, text, set, parent ? parent : main_window_);
    switch (box.exec()) {
    case QMessageBox::Yes:
    case QMessageBox::Ok:
        return kAnswerYes;
    case QMessageBox::No:
        return kAnswerNo;
    default:
        return kAnswerCancel;
    }
}

} // namespace qp::ui
