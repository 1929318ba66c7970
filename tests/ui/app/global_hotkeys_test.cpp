#include "ui/app/global_hotkeys.h"
#include "ui/context/app_context.h"
#include "ui/shell/shortcuts.h"

#include "core/language.h"
#include "core/log.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

using qp::ui::GlobalHotkeys;

TEST(GlobalHotkeys, RefusedAndLoggedWithoutX11) {
    qp::LangTable english({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    ASSERT_EQ(english.Lang_Select("english"), "english");
    qp::Log log;
    GlobalHotkeys hotkeys;
    EXPECT_FALSE(hotkeys.grab(0, qp::kModCtrl | qp::kModAlt | 'L', 58).empty());
    EXPECT_FALSE(hotkeys.release(0, 58).empty());
    qp::ui::SystemHooks hooks;
    hotkeys.install_hooks(hooks);
    qp::ui::AddGlobalShortcut(hooks, log, english, 0, qp::kModAlt, 58); // no key: nothing to do
    qp::ui::AddGlobalShortcut(hooks, log, english, 0, qp::kModCtrl | qp::kModAlt | 'L', 58);
    qp::ui::RemoveGlobalKeyboardShortcut(hooks, log, 0, 58);
    EXPECT_EQ(log.text(), "! Error AddGlobalShortcut,  WindowID=0 HotKey=Alt+Ctrl+L MenuID=58\r\n"
                          "! Error RemoveGlobalKeyboardShortcut, WindowID=0 MenuID=58\r\n");
}

TEST(GlobalHotkeys, GrabsOnARealX11Display) {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed: the real grab is not tested";
    const int display = 70 + static_cast<int>(::getpid() % 200);
    QProcess server;
    server.start(xvfb,
                 {QString(":%1").arg(display), "-nolisten", "tcp", "-screen", "0", "320x240x24"});
    ASSERT_TRUE(server.waitForStarted(5000));
    const QString socket = QString("/tmp/.X11-unix/X%1").arg(display);
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QThread::msleep(50);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString(":%1").arg(display));
    env.insert("QT_QPA_PLATFORM", "xcb");
    child.setProcessEnvironment(env);
    child.start(QP_HOTKEY_CHILD, {});
    const bool finished = child.waitForFinished(30000);
    server.terminate();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    EXPECT_EQ(child.readAllStandardOutput().toStdString(),
              "! Error AddGlobalShortcut,  WindowID=0 HotKey=Key.Alt+Key.Ctrl+K MenuID=70\r\n"
              "- AddGlobalShortcut,  WindowID=0 HotKey=Key.Alt+Key.Ctrl+L MenuID=72\r\n"
              "- RemoveGlobalKeyboardShortcut, WindowID=0 MenuID=72\r\n");
}
