// The help and history commands of the help menu.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QTextBrowser;
class QWidget;

namespace qp {
class LangTable;
}

namespace qp::ui {

class Requester;

// Opens an address with the system's handler (the browser, the help viewer); false when none
// took it. The program's is QDesktopServices::openUrl; tests pass their own.
using UrlOpener = std::function<bool(const QUrl&)>;
bool open_with_system(const QUrl& url);

// The program's own help viewer, for a system that cannot open the help page: links inside the
// help are followed in it, links to the web and mail are handed to the system.
class HelpViewer final : public QDialog {
    Q_OBJECT
public:
    HelpViewer(QWidget* parent, const QString& title, const QUrl& page, UrlOpener open);
    QTextBrowser* browser() const { return browser_; }
    // Follows a link of the page.
    void link_follow(const QUrl& link);

private:
    QTextBrowser* browser_;
    UrlOpener open_;
};

// Help_Show: the language's help file (the language text "Help.FileName" plus ".Chm", ".Html"
// or ".Txt", the first that exists with a size above 0 in the data folders): the first two open
// with the system's viewer; a page the system cannot open shows in the program's viewer, the
// text one in the text window titled "Help.Title". Without any, the requester says
// "Help.NoHelp". Returns the program's viewer when it opened one (it closes itself).
HelpViewer* Help_Show(QWidget* parent, const QStringList& folders, LangTable& lang,
                      Requester& requester, const UrlOpener& open = open_with_system);

// The history file of the language in use ("WhatNews.FileName"); empty when there is none, and
// then the menu has no entry for it.
QString whats_new_file(const QStringList& folders, LangTable& lang);
// WhatsNew_Show: that file in the text window titled "WhatNews.Title"; empty when unreadable.
void WhatsNew_Show(QWidget* parent, const QStringList& folders, LangTable& lang);

} // namespace qp::ui
