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

bool OpenWithSystem(const QUrl& url) {
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
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::Link_Follow);
    browser_->setSource(page);
    resize(parent != nullptr ? parent->size().expandedTo(QSize(640, 480)) : QSize(800, 600));
}

void HelpViewer::Link_Follow(const QUrl& link) {
    const QUrl target = browser_->source().resolved(link);
    if (target.isLocalFile())
        browser_->setSource(target);
    else
        (void)open_(target);
}

HelpViewer* Help_Show(QWidget* parent, const QStringList& folders, LangTable& lang,
                      Requester& requester, const UrlOpener& open) {
    const QString base = toQ(lang.Lang_Get("Help.FileName"));
    const QString title = toQ(lang.Lang_Get("Help.Title"));
    const QString chm = DataFile_Find(folders, base + ".Chm");
    if (!chm.isEmpty() && open(QUrl::fromLocalFile(chm)))
        return nullptr;
    if (const QString page = DataFile_Find(folders, base + ".Html"); !page.isEmpty()) {
        if (open(QUrl::fromLocalFile(page)))
            return nullptr;
        auto* viewer = new HelpViewer(parent, title, QUrl::fromLocalFile(page), open);
        viewer->show();
        return viewer;
    }
    const QString text_file = DataFile_Find(folders, base + ".Txt");
    if (!text_file.isEmpty()) {
        TextWindow_Show(parent, title, FileToString(text_file));
        return nullptr;
    }
    requester.RequestMessage(title, toQ(lang.Lang_Get("Help.NoHelp")), RequestButtons::Ok, parent);
    return nullptr;
}

QString WhatsNew_File(const QStringList& folders, LangTable& lang) {
    return DataFile_Find(folders, toQ(lang.Lang_Get("WhatNews.FileName")));
}

void WhatsNew_Show(QWidget* parent, const QStringList& folders, LangTable& lang) {
    const QString file = WhatsNew_File(folders, lang);
    TextWindow_Show(parent, toQ(lang.Lang_Get("WhatNews.Title")),
                    file.isEmpty() ? QString() : FileToString(file));
}

} // namespace qp::ui
