#include "ui/dialogs/data_files.h"

#include "core/file_io.h"
#include "core/text.h"
#include "ui/common/qt_text.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace qp::ui {

QStringList data_folders(std::string_view main_folder, const QString& executable_folder) {
    QStringList out;
    if (!main_folder.empty()) {
        QString main = to_q(main_folder);
        out << (main.endsWith('/') ? main : main + '/');
    }
    const QString exe =
        executable_folder.isEmpty() ? QCoreApplication::applicationDirPath() : executable_folder;
    if (!exe.isEmpty()) {
        out << exe + "/";
        out << exe + "/../share/quillpost/";
    }
    return out;
}

QString data_file_find(const QStringList& folders, const QString& name) {
    for (const QString& folder : folders) {
        const QFileInfo info(folder + name);
        if (info.isFile() && info.size() > 0)
            return info.filePath();
    }
    return {};
}

QString FileToString(const QString& path, bool* ok) {
    std::string bytes;
    const bool read = read_file(from_q(path), bytes).ok();
    if (ok)
        *ok = read;
    return read ? to_q(decode_text_file(bytes)) : QString();
}

} // namespace qp::ui
