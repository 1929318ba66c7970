#include "ui/app/screenshots.h"

#include "ui/shell/main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace qp::ui {

namespace {

void save(QWidget* widget, const QDir& folder, const QString& name) {
    widget->ensurePolished();
    widget->adjustSize();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path))
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
}

} // namespace

bool Screenshots_Schedule(MainWindow& window) {
    const QString folder = qEnvironmentVariable("QP_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return false;
    QTimer::singleShot(300, &window, [&window, folder] {
        const QDir dir(folder);
        const QPixmap main = window.grab();
        main.save(dir.filePath(QStringLiteral("main-window.png")));
        int n = 0;
        for (QAction* title : window.menuBar()->actions()) {
            if (QMenu* menu = title->menu())
                save(menu, dir, QStringLiteral("menu-%1").arg(++n));
            for (QAction* entry : title->menu()->actions())
                if (entry->menu())
                    save(entry->menu(), dir, QStringLiteral("menu-%1-sub").arg(n));
        }
        window.Actu_PopUpMenuEdit();
        save(window.editorPopup(), dir, QStringLiteral("popup-editor"));
        window.Actu_PopUpMenuFeed();
        save(window.feedPopup(), dir, QStringLiteral("popup-feed"));
        QCoreApplication::exit(0);
    });
    return true;
}

} // namespace qp::ui
