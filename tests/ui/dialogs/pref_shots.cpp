// Writes a PNG of each page of the preferences window, in French and in English:
// pref_shots OUTPUT_FOLDER SOURCE_DIR. Runs on any Qt platform (offscreen or Xvfb);
// scripts/screenshots.sh calls it.
#include "ui/context/app_context.h"
#include "ui/dialogs/modal.h"
#include "ui/dialogs/pref_window.h"
#include "ui/shell/main_window.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace qp::ui;

namespace {

struct SilentRequester : Requester {
    RequestAnswer RequestMessage(const QString&, const QString&, RequestButtons,
                                 QWidget*) override {
        return RequestAnswer::No;
    }
};

} // namespace

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
        SilentRequester requester;
        ctx.requester = &requester;
        ctx.lang.set_folders({source + "/data/Lang/"});
        ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select(language);
        qp::pref_register_all(ctx.prefs);
        MainWindow main(ctx);
        main.resize(900, 600);
        main.show();

        qp::test::when_modal([&](QWidget* w) {
            auto* window = dynamic_cast<PrefWindow*>(w);
            if (window == nullptr) {
                w->close();
                return;
            }
            for (int page = 0; page < window->panel()->count(); ++page) {
                window->panel()->setCurrentIndex(page);
                if (page == 2) // a command without a key shows the widest key text
                    window->control<QListWidget>(kPrefShortcutList)->setCurrentRow(6);
                QApplication::processEvents();
                const QString path = out + QString("/prefs-%1-%2.png").arg(page + 1).arg(tag);
                window->grab().save(path);
                std::printf("%s\n", path.toLocal8Bit().constData());
            }
            window->reject();
        });
        PrefWindow_Run(main);
    }
    return 0;
}
