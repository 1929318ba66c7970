#include "ui/context/file_picker.h"

#include "ui/common/qt_text.h"

#include <QFileDialog>
#include <QStringList>

namespace qp::ui {

QString DialogFilePicker::open_file(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString DialogFilePicker::save_file(QWidget* parent, const QString& title, const QString& file,
                                    const QString& filter) {
    // The extension is the save's own rule, so the dialog does not add one.
    return QFileDialog::getSaveFileName(parent, title, file, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString file_dialog_filter(std::string_view pipe_filter) {
    const QStringList parts = to_q(pipe_filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern =
                p.trimmed() == QStringLiteral("*.*") ? QStringLiteral("*") : p.trimmed();
            patterns << pattern;
            if (pattern.toLower() != pattern)
                patterns << pattern.toLower();
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace qp::ui
