// Writes a PNG of each page of the document window, in French and in English, with the example
// project's channel loaded: docwin_shots OUTPUT_FOLDER SOURCE_DIR.
#include "core/language.h"
#include "core/project_file.h"
#include "ui/dialogs/doc_window.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include <cstdio>

using namespace qp::ui;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string source = argv[2];

    qp::Doc doc;
    qp::DocDefaults(doc);
    if (!qp::ReadProject(doc, source + "/examples/podcast.qprj").error.empty())
        return 1;

    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        qp::LangTable lang({source + "/data/Lang/"});
        lang.Lang_Select(language);
        DocWindow window(nullptr, lang, doc);
        window.show();
        for (int page = 0; page < window.panel()->count(); ++page) {
            window.panel()->setCurrentIndex(page);
            QApplication::processEvents();
            const QString path = QString("%1/docwin-%2-%3.png").arg(out, tag).arg(page);
            window.grab().save(path);
            std::printf("%s\n", path.toLocal8Bit().constData());
        }
        window.close();
    }
    return 0;
}
