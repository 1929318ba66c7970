// The built program as a real process: start-up on a project, the main window, a clean end.
#include "support/temp_dir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

} // namespace
