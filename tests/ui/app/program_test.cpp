// The built program as a real process: start-up on a project, the main window, a clean end.
#include "core/ini_file.h"
#include "core/language.h"
#include "support/temp_dir.h"
#include "ui/support/x11_display.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QThread>
#include <unistd.h>

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Program, StartsOnAProjectShowsItsWindowAndEndsCleanly) {
    qp::test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    std::filesystem::copy_file(std::string(QP_SOURCE_DIR) + "/examples/podcast.qprj",
                               tmp.path() + "podcast.qprj");
    std::ofstream(tmp.path() + "Quillpost.ini", std::ios::binary) << "MainLang=english\r\n";

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QP_SCREENSHOT_DIR", QString::fromStdString(tmp.path()));
    env.insert("QUILLPOST_HOME", QString::fromStdString(tmp.path()));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(tmp.path()));
    program.start(QP_PROGRAM_PATH, {"-MINIMIZE", "podcast.qprj"});
    ASSERT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    EXPECT_TRUE(std::filesystem::file_size(tmp.path() + "main-window.png") > 0);
    const std::string log = read_file(tmp.path() + "Quillpost.Log");
    EXPECT_EQ(log.rfind("Quillpost 0,28,1305,1700\r\n", 0), 0U);
    EXPECT_NE(log.find("- Opened !"), std::string::npos);
    // The preferences of the run are kept, the language among them.
    EXPECT_NE(read_file(tmp.path() + "Quillpost.ini").find("MainLang = english"),
              std::string::npos);
}

// Without any display: the usage and the version, on standard output, exit status 0.
TEST(Program, AnswersVersionAndHelpWithoutADisplay) {
    for (const char* option : {"--version", "--help"}) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        program.setProcessEnvironment(env);
        program.start(QP_PROGRAM_PATH, {option});
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(program.exitCode(), 0) << option;
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(option == std::string("--version") ? "quillpost 0,28,1305,1700\n"
                                                                      : "usage: quillpost "))
            << out.toStdString();
    }
}

#ifdef QP_HAVE_XCB
// The program on a real X11 display, in a main folder of its own, without a runtime folder.
class ProgramOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qp::test::XvfbDisplay::available())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(tmp_.ok());
        for (const char* name : {"podcast.qprj", "second.qprj"})
            std::filesystem::copy_file(std::string(QP_SOURCE_DIR) + "/examples/podcast.qprj",
                                       tmp_.path() + name);
        std::ofstream(tmp_.path() + "Quillpost.ini", std::ios::binary) << "MainLang=english\r\n";
    }
    std::unique_ptr<QProcess> start(const qp::test::XvfbDisplay& display, QStringList args) {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display.name());
        env.insert("QUILLPOST_HOME", QString::fromStdString(tmp_.path()));
        env.remove("XDG_RUNTIME_DIR");
        env.remove("WAYLAND_DISPLAY");
        env.insert("LSAN_OPTIONS", "suppressions=" QP_SOURCE_DIR "/tests/ui/app/x11_leaks.supp");
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(QString::fromStdString(tmp_.path()));
        program->start(QP_PROGRAM_PATH, args);
        EXPECT_TRUE(program->waitForStarted(10000));
        return program;
    }
    std::vector<std::string> last_documents() {
        qp::IniReader last;
        EXPECT_EQ(last.load(tmp_.path() + "Quillpost-Last.ini"), "");
        return {last.read_string("LastDoc0", ""), last.read_string("LastDoc1", "")};
    }
    static void ends(QProcess& program) {
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    }

    qp::test::TempDir tmp_;
};

// Alt + keypad "+" is a real key event to the main window; Ctrl+Q then quits, and the session
// list names both documents at the next start.
TEST_F(ProgramOnX11, KeypadShortcutFiresAndQuitKeepsTheSession) {
    qp::test::XvfbDisplay display(90 + static_cast<int>(::getpid() % 100));
    ASSERT_TRUE(display.ok());
    qp::test::X11Client x(display.name());
    ASSERT_TRUE(x.ok());
    std::ofstream(tmp_.path() + "Quillpost-Last.ini", std::ios::binary)
        << "LastDoc0=%MainApp%second.qprj\r\n";
    auto program = start(display, {"podcast.qprj"});
    const std::uint32_t main = x.wait_for_window("podcast - Quillpost", 60000);
    ASSERT_NE(main, 0U);
    x.focus(main);
    QThread::msleep(300);

    qp::LangTable english({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    (void)english.Lang_Select("english");
    const std::string new_episode = english.get("Feed\\Title.New");
    constexpr std::uint32_t kKeypadPlus = 0xffab, kEscape = 0xff1b;
    ASSERT_TRUE(x.send_key(main, kKeypadPlus, 8 /* Alt */));
    const std::uint32_t feed_window = x.wait_for_window(new_episode, 20000);
    ASSERT_NE(feed_window, 0U) << "Alt + keypad + opens the new episode's window";
    x.focus(feed_window);
    ASSERT_TRUE(x.send_key(feed_window, kEscape, 0));
    QElapsedTimer clock;
    clock.start();
    while (x.wait_for_window(new_episode, 0) != 0 && clock.elapsed() < 20000)
        QThread::msleep(50);
    x.focus(main);
    QThread::msleep(300);
    ASSERT_TRUE(x.send_key(main, 'q', 4 /* Control */));
    ends(*program);
    EXPECT_EQ(last_documents(),
              (std::vector<std::string>{"%MainApp%podcast.qprj", "%MainApp%second.qprj"}));
}

// Two displays of one user: each runs its own instance; a start on the first display hands its
// file to the first. Logging out (SIGTERM) still writes the session list.
TEST_F(ProgramOnX11, OneInstancePerDisplayAndLogOutKeepsTheSession) {
    const int base = 120 + static_cast<int>(::getpid() % 100);
    qp::test::XvfbDisplay one(base);
    qp::test::XvfbDisplay two(base + 60);
    ASSERT_TRUE(one.ok() && two.ok());
    qp::test::X11Client x1(one.name());
    qp::test::X11Client x2(two.name());
    ASSERT_TRUE(x1.ok() && x2.ok());
    auto first = start(one, {"podcast.qprj"});
    ASSERT_NE(x1.wait_for_window("podcast - Quillpost", 60000), 0U);
    auto other = start(two, {});
    ASSERT_NE(x2.wait_for_window("Quillpost", 60000), 0U) << "the second display runs its own";
    EXPECT_EQ(other->state(), QProcess::Running);

    auto handing = start(one, {"second.qprj"});
    ends(*handing);
    EXPECT_NE(x1.wait_for_window("second - Quillpost", 30000), 0U);
    // No runtime folder: the locks live in a private folder of the main folder.
    for (const auto& display : {one.name(), two.name()})
        EXPECT_TRUE(std::filesystem::exists(tmp_.path() + "runtime/Quillpost-OnlyOneInstance-" +
                                            display.toStdString() + ".lock"));

    first->terminate();
    ends(*first);
    EXPECT_EQ(last_documents(),
              (std::vector<std::string>{"%MainApp%podcast.qprj", "%MainApp%second.qprj"}));
    other->terminate();
    ends(*other);
}
#endif

} // namespace
