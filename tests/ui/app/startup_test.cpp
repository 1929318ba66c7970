#include "core/project_file.h"
#include "support/temp_dir.h"
#include "ui/app/startup.h"
#include "ui/context/app_context.h"
#include "ui/shell/main_window.h"
#include "ui/support/queued_seams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qp::ui::testing {
namespace {

TEST(CommandLineTest, SwitchesInAnyCaseAndTheLastProjectFileWin) {
    CommandLine line =
        ParseCommandLine("/usr/bin/quillpost", {"-MINIMIZE", "a.QPRJ", "notes.txt", "Dir/B.qprj"});
    EXPECT_FALSE(line.Portable);
    EXPECT_EQ(line.StartFile, "Dir/B.qprj");
    EXPECT_EQ(line.AppTitle, "Quillpost");
    EXPECT_EQ(ParseCommandLine("/usr/bin/quillpost", {"-Portable"}).AppTitle, "Quillpost-Portable");
    line = ParseCommandLine("/opt/Quillpost-PORTABLE", {});
    EXPECT_TRUE(line.Portable);
    EXPECT_TRUE(line.StartFile.empty());
}

class StartupTest : public ::testing::Test {
protected:
    StartupTest()
        : cwd_(std::filesystem::current_path()),
          ctx_(Paths(tmp_.path(), tmp_.path(), "/opt/", "")) {
        ctx_.requester = &requester_;
        ctx_.files = &files_;
    }
    ~StartupTest() override { std::filesystem::current_path(cwd_); }

    std::string project(const std::string& name) {
        Doc doc;
        doc.Title = name;
        const std::string path = tmp_.path() + name + ".qprj";
        EXPECT_EQ(WriteProject(doc, path).error_text(), "");
        return path;
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(tmp_.path() + name, std::ios::binary) << text;
    }
    // The start-up steps after the single-instance check, up to the main loop.
    std::unique_ptr<MainWindow> start() {
        startup_prepare(ctx_, std::string(QP_SOURCE_DIR) + "/data");
        auto window = std::make_unique<MainWindow>(ctx_);
        startup_open_documents(ctx_, *window);
        return window;
    }

    qp::test::TempDir tmp_;
    std::filesystem::path cwd_;
    AppContext ctx_;
    QueuedRequester requester_;
    QueuedFilePicker files_;
};

TEST_F(StartupTest, ReadsThePreferencesThenTheLanguageThenReopensTheLastDocuments) {
    project("first");
    project("second");
    write("Quillpost.ini", "MainLang=English\r\nMainWindowW=812\r\nPref.StatusEdit=%DC\r\n");
    write("Quillpost-Last.ini", "LastDoc0=%MainApp%first.qprj\r\nLastDoc1=%MainApp%gone.qprj\r\n"
                                "LastDoc3=%MainApp%second.qprj\r\n");
    ctx_.StartFile = tmp_.path() + "second.qprj";
    auto window = start();

    const std::string log = ctx_.log.text();
    EXPECT_EQ(log.rfind("Quillpost 0,28,1305,1700\r\nStarted the ", 0), 0U);
    const auto charge = log.find("* PrefCharge() IDP=1");
    const auto first = log.find("* Document_Open( " + tmp_.path() + "second.qprj )");
    ASSERT_NE(charge, std::string::npos);
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(charge, first);
    EXPECT_EQ(ctx_.prefs.fixed().MainLang, "english");
    EXPECT_EQ(ctx_.prefs.fixed().MainWindowW, 812);
    EXPECT_EQ(ctx_.prefs.preference_value(kPrefStatusEdit), "%DC");

    // The start file, then the last documents (the missing one skipped, the open one selected).
    ASSERT_EQ(ctx_.docs.count(), 2);
    EXPECT_EQ(ctx_.docs.at(0).Title, "second");
    EXPECT_EQ(ctx_.docs.at(1).Title, "first");
    EXPECT_EQ(ctx_.docs.current_index(), 0);
    EXPECT_EQ(window->windowTitle(), "second - Quillpost");
    EXPECT_EQ(window->action(kCmdProjectNew)->text(), "&New\tCtrl+N");
    EXPECT_TRUE(requester_.asked.empty());
    EXPECT_EQ(ctx_.StartFolder, tmp_.path());
}

TEST_F(StartupTest, WithoutLastDocumentsStartsWithOneNewFrenchDocument) {
    ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
    project("first");
    write("Quillpost.ini", "Pref.OnStartOpenLast=0\r\n");
    write("Quillpost-Last.ini", "LastDoc0=%MainApp%first.qprj\r\n");
    auto window = start();
    ASSERT_EQ(ctx_.docs.count(), 1);
    EXPECT_TRUE(ctx_.docs.at(0).FileName.empty());
    EXPECT_EQ(ctx_.docs.at(0).Lang, "fr");
    EXPECT_EQ(window->action(kCmdProjectNew)->text(), "&Nouveau\tCtrl+N");
    ::unsetenv("LC_ALL");
}

// Without a chosen language the desktop's locale decides; a chosen one stays.
TEST_F(StartupTest, TheFirstStartSpeaksTheDesktopsLanguage) {
    EXPECT_EQ(lang_for_locale("fr_CA.UTF-8"), "français");
    EXPECT_EQ(lang_for_locale("C"), "english");
    EXPECT_EQ(lang_for_locale(""), "english");
    ::unsetenv("LC_ALL");
    ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(locale_of_messages(), "de_DE.UTF-8");
    auto window = start();
    EXPECT_EQ(ctx_.prefs.fixed().MainLang, "english");
    EXPECT_EQ(window->action(kCmdProjectNew)->text(), "&New\tCtrl+N");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANG");
}

// Settings that cannot be written (a read-only file) are not lost without a word at the end.
TEST_F(StartupTest, ASettingsFileThatCannotBeWrittenIsToldAtTheEnd) {
    write("Quillpost.ini", "MainLang=English\r\n");
    auto window = start();
    std::filesystem::permissions(tmp_.path() + "Quillpost.ini", std::filesystem::perms::owner_read);
    ctx_.prefs.trust_remember("127.0.0.1:990", "AB:CD");
    requester_.answers = {RequestAnswer::Yes};
    shutdown(ctx_);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_TRUE(requester_.asked[0].text.contains(QString::fromStdString(tmp_.path())))
        << requester_.asked[0].text.toStdString();
    EXPECT_TRUE(requester_.asked[0].text.contains("read-only"))
        << requester_.asked[0].text.toStdString();
}

} // namespace
} // namespace qp::ui::testing
