// The files the program ships beside its texts (help, history, licence): where they are looked
// up, and how they are read.
#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace qp::ui {

// The main folder first, then the folder of the executable, then the installed
// ../share/quillpost/ from it; each ends with "/". executable_folder empty = the running
// program's folder.
QStringList data_folders(std::string_view main_folder, const QString& executable_folder = {});

// The first folder's file of that name that exists with a size above 0; empty when none does.
QString data_file_find(const QStringList& folders, const QString& name);

// The whole file as text, decoded with the reading rule of every text file the program knows
// (byte-order mark, else UTF-8 when valid, else Windows-1252). ok (when given) tells whether
// every byte was read; a file that does not open gives the empty text.
QString FileToString(const QString& path, bool* ok = nullptr);

} // namespace qp::ui
