#include "ui/app/screenshots.h"

#include "core/command_ids.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/help_windows.h"
#include "ui/shell/main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
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

// The window's title drawn above its picture, as the title bar shows it: an offscreen window
// has no frame of its own.
QPixmap with_title(QWidget& window) {
    const QPixmap inner = window.grab();
    const int bar = window.fontMetrics().height() + 10;
    QPixmap out(inner.width(), inner.height() + bar);
    out.fill(window.palette().color(QPalette::Dark));
    QPainter painter(&out);
    painter.setPen(window.palette().color(QPalette::BrightText));
    painter.drawText(QRect(0, 0, inner.width(), bar), Qt::AlignCenter, window.windowTitle());
    painter.drawPixmap(0, bar, inner);
    return out;
}

// A document with an edit not yet saved: "*" in the title and in the window list.
void save_modified(MainWindow& window, const QDir& dir) {
    if (Workspace* w = window.workspace(window.context().docs.current()); w != nullptr)
        w->editor->insertPlainText(QStringLiteral(" "));
    window.update_modified_marks();
    with_title(window).save(dir.filePath(QStringLiteral("main-window-modified.png")));
    for (QAction* title : window.menuBar()->actions())
        if (title->menu() != nullptr &&
            title->menu()->actions().contains(window.action(kCmdDocumentFirst)))
            save(title->menu(), dir, QStringLiteral("menu-window-modified"));
}

// The program's own help viewer, as shown where the system cannot open the page.
void save_help_viewer(MainWindow& window, const QDir& dir) {
    AppContext& ctx = window.context();
    const QStringList folders =
        data_folders(ctx.paths.main_folder(), QCoreApplication::applicationDirPath());
    const QString page =
        data_file_find(folders, to_q(ctx.lang.Lang_Get("Help.FileName")) + QStringLiteral(".Html"));
    if (page.isEmpty())
        return;
    HelpViewer viewer(&window, to_q(ctx.lang.Lang_Get("Help.Title")), QUrl::fromLocalFile(page),
                      [](const QUrl&) { return false; });
    viewer.setAttribute(Qt::WA_DeleteOnClose, false);
    viewer.resize(760, 520);
    with_title(viewer).save(dir.filePath(QStringLiteral("help-viewer.png")));
}

} // namespace

bool screenshots_schedule(MainWindow& window) {
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
        window.update_editor_popup_menu();
        save(window.editor_popup(), dir, QStringLiteral("popup-editor"));
        window.update_feed_popup_menu();
        save(window.feed_popup(), dir, QStringLiteral("popup-feed"));
        save_modified(window, dir);
        save_help_viewer(window, dir);
        QCoreApplication::exit(0);
    });
    return true;
}

} // namespace qp::ui
