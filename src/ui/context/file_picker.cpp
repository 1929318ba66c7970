#include "ui/context/file_picker.h"

#include <QFileDialog>

namespace qp::ui {

QString DialogFilePicker::openFile(QWidget* parent, const QString& title, const QString& folder,
                                   const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString DialogFilePicker::saveFile(QWidget* parent, const QString& title, const QString& file,
                                   const QString& filter) {
    // The extension is the save's own rule, so the dialog does not add one.
    return QFileDialog::getSaveFileName(parent, title, file, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace qp::ui
