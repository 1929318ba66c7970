// The help and history commands of the help menu.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace qp {
class LangTable;
}

namespace qp::ui {

class Requester;

// Opens an address with the system's handler (the browser, the help viewer); false when none
// took it. The program's is QDesktopServices::openUrl; tests pass their own.
using UrlOpener = std::function<bool(const QUrl&)>;
bool OpenWithSystem(const QUrl& url);

// Help_Show: the language's help file (the language text "Help.FileName" plus ".Chm", ".Html"
// or ".Txt", the first that exists with a size above 0 in the data folders): the first two open
// with the system's viewer, the text one in the text window titled "Help.Title". A viewer that
// refuses the file counts as a missing file. Without any, the requester says "Help.NoHelp".
void Help_Show(QWidget* parent, const QStringList& folders, LangTable& lang, Requester& requester,
               const UrlOpener& open = OpenWithSystem);

// The history file of the language in use ("WhatNews.FileName"); empty when there is none, and
// then the menu has no entry for it.
QString WhatsNew_File(const QStringList& folders, LangTable& lang);
// WhatsNew_Show: that file in the text window titled "WhatNews.Title"; empty when unreadable.
void WhatsNew_Show(QWidget* parent, const QStringList& folders, LangTable& lang);

} // namespace qp::ui
