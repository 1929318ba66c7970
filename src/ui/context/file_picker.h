// The file dialogs of the program.
#pragma once

#include "ui/context/seams.h"

namespace qp::ui {

class DialogFilePicker final : public FilePicker {
public:
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& file,
                     const QString& filter) override;
};

} // namespace qp::ui
