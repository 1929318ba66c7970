#include "ui/dialogs/help_windows.h"

#include "core/language.h"
#include "ui/common/qt_text.h"
#include "ui/context/seams.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/text_window.h"

#include <QDesktopServices>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qp::ui {

bool open_with_system(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

HelpViewer::HelpViewer(QWidget* parent, const QString& title, const QUrl& page, UrlOpener open)
    : QDialog(parent), browser_(new QTextBrowser(this)), open_(std::move(open)) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::link_follow);
    browser_->setSource(page);
    resize(parent != nullptr ? parent->size().expandedTo(QSize(640, 480)) : QSize(800, 600));
}

void HelpViewer::link_follow(const QUrl& link) {
    const QUrl target = browser_->source().resolved(link);
    if (target.isLocalFile())
        browser_->setSource(target);
    else
        (void)open_(target);
}

HelpViewer* Help_Show(QWidget* parent, const QStringList& folders, LangTable& lang,
                      Requester& requester, const UrlOpener& open) {
    const QString base = to_q(lang.Lang_Get("Help.FileName"));
    const QString title = to_q(lang.Lang_Get("Help.Title"));
    const QString chm = data_file_find(folders, base + ".Chm");
    if (!chm.isEmpty() && open(QUrl::fromLocalFile(chm)))
        return nullptr;
    if (const QString page = data_file_find(folders, base + ".Html"); !page.isEmpty()) {
        if (open(QUrl::fromLocalFile(page)))
            return nullptr;
        auto* viewer = new HelpViewer(parent, title, QUrl::fromLocalFile(page), open);
        viewer->show();
        return viewer;
    }
    const QString text_file = data_file_find(folders, base + ".Txt");
    if (!text_file.isEmpty()) {
        TextWindow_Show(parent, title, FileToString(text_file));
        return nullptr;
    }
    requester.RequestMessage(title, to_q(lang.Lang_Get("Help.NoHelp")), RequestButtons::Ok, parent);
    return nullptr;
}

QString whats_new_file(const QStringList& folders, LangTable& lang) {
    return data_file_find(folders, to_q(lang.Lang_Get("WhatNews.FileName")));
}

void WhatsNew_Show(QWidget* parent, const QStringList& folders, LangTable& lang) {
    const QString file = whats_new_file(folders, lang);
    TextWindow_Show(parent, to_q(lang.Lang_Get("WhatNews.Title")),
                    file.isEmpty() ? QString() : FileToString(file));
}

} // namespace qp::ui
