// Writes a PNG of the import window with two feeds imported before, and of the Project menu that
// opens it, in French and in English: import_shots OUTPUT_FOLDER SOURCE_DIR.
#include "ui/context/app_context.h"
#include "ui/dialogs/import_window.h"
#include "ui/dialogs/shot_save.h"
#include "ui/shell/main_window.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

using namespace qp::ui;

using qp::test::save_shot;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string source = argv[2];
    QTemporaryDir work;
    const std::string folder = work.path().toStdString() + "/";

    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        AppContext ctx(qp::Paths(folder, folder, "/opt/", ""));
        ctx.lang.set_folders({source + "/data/Lang/"});
        ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select(language);
        qp::pref_register_all(ctx.prefs);
        ctx.prefs.import_source_add("/home/anne/podcasts/old-host/feed.xml");
        ctx.prefs.import_source_add("https://feeds.example.org/night-and-day.rss");

        MainWindow main(ctx);
        main.resize(700, 420);
        main.show();
        QMenu* project = main.menuBar()->actions().first()->menu();
        project->popup(main.mapToGlobal(QPoint(0, main.menuBar()->height())));
        QApplication::processEvents();
        save_shot(project, out + "/import_menu_" + tag + ".png");
        project->hide();

        ImportWindow window(ctx, &main);
        window.show();
        QApplication::processEvents();
        save_shot(&window, out + "/import_" + tag + ".png");
    }
    return 0;
}
