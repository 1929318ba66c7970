#include "ui/dialogs/help_windows.h"

#include "core/language.h"
#include "ui/app/seams.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/text_window.h"

#include <QDesktopServices>

namespace qp::ui {

bool OpenWithSystem(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void Help_Show(QWidget* parent, const QStringList& folders, LangTable& lang, Requester& requester,
               const UrlOpener& open) {
    const QString base = toQ(lang.Lang_Get("Help.FileName"));
    const QString title = toQ(lang.Lang_Get("Help.Title"));
    for (const char* viewer_kind : {".Chm", ".Html"}) {
        const QString file = DataFile_Find(folders, base + viewer_kind);
        if (!file.isEmpty() && open(QUrl::fromLocalFile(file)))
            return;
    }
    const QString text_file = DataFile_Find(folders, base + ".Txt");
    if (!text_file.isEmpty()) {
        TextWindow_Show(parent, title, FileToString(text_file));
        return;
    }
    requester.RequestMessage(title, toQ(lang.Lang_Get("Help.NoHelp")), kRequestOk, parent);
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
