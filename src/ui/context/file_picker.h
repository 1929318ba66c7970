// The file dialogs of the program.
#pragma once

#include "ui/context/seams.h"

#include <string_view>

namespace qp::ui {

class DialogFilePicker final : public FilePicker {
public:
    QString open_file(QWidget* parent, const QString& title, const QString& folder,
                      const QString& filter) override;
    QString save_file(QWidget* parent, const QString& title, const QString& file,
                      const QString& filter) override;
};

// The file dialog's filter of the language file ("name|patterns|name|patterns") in Qt's form;
// every pattern is matched in both letter cases since file names keep their case here.
QString file_dialog_filter(std::string_view pipe_filter);

} // namespace qp::ui
