// Writes a picture of the message box for each button set, in French and in English, into the
// folder given on the command line, to look at: requester_shots FOLDER
#include "core/language.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/requester.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdio>
#include <string>

using namespace qp;
using namespace qp::ui;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: requester_shots FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    struct Shot {
        const char* name;
        int buttons;
        const char* title;
        const char* text;
        QString extra; // appended to the text, as callers append a path or a list
    };
    QString list;
    for (int i = 1; i <= 30; ++i)
        list += QStringLiteral("\n/srv/podcast/episode-%1.mp3").arg(i);
    const Shot shots[] = {
        {"yesnocancel", kRequestYesNoCancel, "Msg.Info", "CreateRss.Ok", {}},
        {"yesno", kRequestYesNo, "Msg.Info", "Doc\\Open.ChooseBak", {}},
        {"ok", kRequestOk, "Msg.Error", "Doc\\Error.MaxOpened", {}},
        {"long", kRequestOk, "Msg.Error", "Doc\\Error.OpenXML",
         QStringLiteral("\n/home/someone/Documents/Podcasts/"
                        "a-folder-name-far-too-long-for-one-line-of-the-box/episode.qprj")},
        {"scroll", kRequestYesNo, "Msg.Info", "CreateRss.Ok", list},
    };
    int failures = 0;
    for (const char* language : {"français", "english"}) {
        LangTable texts({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        texts.Lang_Select(language);
        for (const Shot& shot : shots) {
            const QString text = toQ(texts.Lang_Get(shot.text)) + shot.extra;
            RequestDialog box(toQ(texts.Lang_Get(shot.title)), text, shot.buttons, texts, nullptr);
            box.show();
            // Past the delay, so the picture shows the default button with the focus.
            QTest::qWait(kRequestFocusDelayMs + 100);
            const QString file =
                folder.filePath(QStringLiteral("requester-%1-%2.png")
                                    .arg(language == std::string("english") ? QStringLiteral("en")
                                                                            : QStringLiteral("fr"),
                                         QString::fromUtf8(shot.name)));
            if (!box.grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                ++failures;
            }
        }
    }
    std::printf("%s\n", qPrintable(folder.absolutePath()));
    return failures == 0 ? 0 : 1;
}
