// Writes a picture of the message box for each button set, in French and in English, into the
// folder given on the command line, to look at: requester_shots FOLDER
#include "core/language.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/requester.h"
#include "ui/dialogs/trust_prompt.h"

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
        RequestButtons buttons;
        const char* title;
        const char* text;
        QString extra; // appended to the text, as callers append a path or a list
    };
    QString list;
    for (int i = 1; i <= 30; ++i)
        list += QStringLiteral("\n/srv/podcast/episode-%1.mp3").arg(i);
    const Shot shots[] = {
        {"yesnocancel", RequestButtons::YesNoCancel, "Msg.Info", "CreateRss.Ok", {}},
        {"yesno", RequestButtons::YesNo, "Msg.Info", "Doc\\Open.ChooseBak", {}},
        {"ok", RequestButtons::Ok, "Msg.Error", "Doc\\Error.MaxOpened", {}},
        {"long", RequestButtons::Ok, "Msg.Error", "Doc\\Error.OpenXML",
         QStringLiteral("\n/home/someone/Documents/Podcasts/"
                        "a-folder-name-far-too-long-for-one-line-of-the-box/episode.qprj")},
        {"scroll", RequestButtons::YesNo, "Msg.Info", "CreateRss.Ok", list},
        {"trust", RequestButtons::YesNoDefaultNo, "FTP\\Trust.Title", "FTP\\Trust.Question", {}},
        {"changed", RequestButtons::YesNoDefaultNo, "Msg.Warning", "FTP\\Trust.Changed", {}},
    };
    // What a self-signed server and a changed one show.
    const std::string server = "ftp.example.org:21";
    const std::string now = trust_fingerprint_lines(
        "3F:9A:12:C4:5B:E0:77:21:D8:6C:0F:93:AA:41:5E:B2:08:CD:6F:1A:93:E4:27:5C:B0:7D:11:"
        "8E:C2:49:F6:30");
    const std::string before = trust_fingerprint_lines(
        "A0:11:5C:E9:42:7B:3D:88:C1:06:FE:29:B4:5A:17:D3:60:8F:2E:C7:95:1B:4D:A8:33:E6:70:"
        "0C:9F:52:B8:14");
    int failures = 0;
    for (const char* language : {"français", "english"}) {
        LangTable texts({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        texts.Lang_Select(language);
        for (const Shot& shot : shots) {
            QString text = to_q(texts.Lang_Get(shot.text)) + shot.extra;
            if (shot.name == std::string("trust"))
                text = to_q(texts.get(shot.text, {server, "self-signed certificate", now}));
            else if (shot.name == std::string("changed"))
                text = to_q(texts.get(shot.text, {server, now, before}) + "\n\n" +
                            texts.get("FTP\\Trust.Forget"));
            RequestDialog box(to_q(texts.Lang_Get(shot.title)), text, shot.buttons, texts, nullptr);
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
