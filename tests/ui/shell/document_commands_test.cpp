#include "core/command_ids.h"
#include "core/file_io.h"
#include "core/ini_file.h"
#include "ui/support/shell_fixture.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <thread>

#include <filesystem>
#include <sys/stat.h>

namespace qp::ui::testing {
namespace {

namespace fs = std::filesystem;

class DocumentCommandsTest : public ShellTest {};

TEST_F(DocumentCommandsTest, TheSixthDocumentIsRefusedBeforeTheFileDialog) {
    const std::string path = project("open");
    docs().Document_Open(path);
    for (int i = 0; i < 4; ++i)
        docs().Document_New();
    docs().Document_Open({});
    docs().Document_Open(path); // already open, and still refused
    docs().Document_New();
    EXPECT_TRUE(files_.asked.empty());
    ASSERT_EQ(requester_.asked.size(), 3U);
    EXPECT_EQ(requester_.asked[0].title, "Error");
    EXPECT_EQ(requester_.asked[0].text.toStdString(), ctx_.lang.get("Doc\\Error.MaxOpened"));
    EXPECT_EQ(ctx_.docs.count(), 5);
    EXPECT_EQ(ctx_.docs.current_index(), 4);
}

TEST_F(DocumentCommandsTest, OpeningAnOpenFileSelectsIt) {
    const std::string path = project("twice");
    docs().Document_Open(path);
    docs().Document_New();
    docs().Document_Open(tmp_.path() + "./twice.qprj");
    EXPECT_EQ(ctx_.docs.count(), 2);
    EXPECT_EQ(ctx_.docs.current_index(), 0);
    // A new document writes dates every reader takes; the opened one keeps its mask.
    EXPECT_EQ(ctx_.docs.at(1).FormatDate, "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz");
    EXPECT_EQ(ctx_.docs.at(0).FormatDate, "");
}

TEST_F(DocumentCommandsTest, ARelativePathKeepsNamingItsFileWhenAnotherFolderBecomesCurrent) {
    const std::string first = project("relative");
    fs::create_directory(tmp_.path() + "other");
    const std::string second = project("other/second");
    fs::current_path(tmp_.path());
    docs().Document_Open("relative.qprj");
    docs().Document_Open(second); // makes "other" current
    EXPECT_EQ(ctx_.docs.at(0).FileName, first);
    EXPECT_EQ(ctx_.prefs.recent().back(), first);
}

TEST_F(DocumentCommandsTest, ANewerBackupIsOfferedAndNoKeepsTheProjectFile) {
    const std::string path = project("backed", {"Saved"});
    fs::copy_file(project("backup", {"Unsaved"}), path + ".Bak");
    fs::last_write_time(path + ".Bak", fs::last_write_time(path) + std::chrono::seconds(5));

    requester_.answers = {RequestAnswer::No, RequestAnswer::Yes};
    docs().Document_Open(path);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].buttons, RequestButtons::YesNo);
    EXPECT_EQ(ctx_.docs.current()->Feeds[0].FeedTitle, "Saved");
    EXPECT_FALSE(ctx_.docs.current()->State & kModified);

    docs().Document_Close();
    docs().Document_Open(path);
    const Doc& doc = *ctx_.docs.current();
    EXPECT_EQ(doc.Feeds[0].FeedTitle, "Unsaved");
    EXPECT_EQ(doc.FileName, path); // saving goes to the project, not to the backup
    EXPECT_EQ(ctx_.prefs.recent().front(), path);
    EXPECT_TRUE(doc.State & kModified);
}

TEST_F(DocumentCommandsTest, SaveAsAppendsTheExtensionOnlyWhenItIsMissing) {
    docs().Document_New();
    files_.paths = {QString::fromStdString(tmp_.path() + "plain"),
                    QString::fromStdString(tmp_.path() + "Upper.QpRj")};
    docs().Document_Save(true);
    EXPECT_EQ(ctx_.docs.current()->FileName, tmp_.path() + "plain.QPRJ");
    EXPECT_TRUE(file_exists(tmp_.path() + "plain.QPRJ"));
    EXPECT_EQ(files_.asked[0].title, "Save the project");
    EXPECT_EQ(files_.asked[0].filter, "Project files (*.QPRJ *.qprj);;All files (*)");
    docs().Document_Save(true);
    EXPECT_EQ(ctx_.docs.current()->FileName, tmp_.path() + "Upper.QpRj");
    EXPECT_FALSE(file_exists(tmp_.path() + "Upper.QpRj.Bak"));
    EXPECT_EQ(ctx_.prefs.recent().front(), tmp_.path() + "Upper.QpRj");
    EXPECT_EQ(window_->windowTitle(), "Upper - Quillpost");

    // A cancelled dialog saves nothing and keeps the name.
    docs().Document_Save(true);
    EXPECT_EQ(ctx_.docs.current()->FileName, tmp_.path() + "Upper.QpRj");
}

TEST_F(DocumentCommandsTest, ASaveThatWouldReplaceAnotherFileAsksAndAFailedSaveSaysWhy) {
    const std::string other = tmp_.path() + "show.QPRJ";
    ASSERT_TRUE(write_file(other, "someone else's file"));
    docs().Document_New();
    // No: the save-as dialog comes again, and its Cancel saves nothing.
    files_.paths = {QString::fromStdString(tmp_.path() + "show")};
    requester_.answers = {RequestAnswer::No};
    docs().Document_Save(true);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              ctx_.lang.Lang_Get("Doc\\Error.SaveExists", other));
    EXPECT_EQ(files_.asked.size(), 2U);
    std::string bytes;
    ASSERT_TRUE(read_file(other, bytes));
    EXPECT_EQ(bytes, "someone else's file");

    // A read-only file is refused with the reason, and the document keeps its old name.
    ASSERT_EQ(::chmod(other.c_str(), 0444), 0);
    files_.paths = {QString::fromStdString(tmp_.path() + "show")};
    requester_.answers = {RequestAnswer::Yes};
    docs().Document_Save(true);
    ASSERT_EQ(requester_.asked.size(), 3U);
    EXPECT_EQ(requester_.asked[2].text.toStdString(),
              ctx_.lang.Lang_Get("Doc\\Error.Save", other, "read-only file"));
    EXPECT_EQ(ctx_.docs.current()->FileName, "");
}

TEST_F(DocumentCommandsTest, CancelAtTheQuitQuestionKeepsRunningButStoresTheLastDocuments) {
    const std::string kept = project("kept");
    docs().Document_Open(kept);
    docs().Document_New();
    SetModified(*ctx_.docs.current(), true);

    QSignalSpy quit(window_.get(), &MainWindow::quit_confirmed);
    requester_.answers = {RequestAnswer::Cancel};
    window_->close();
    EXPECT_EQ(quit.count(), 0);
    EXPECT_EQ(ctx_.docs.count(), 1); // the saved one closed without a question
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].buttons, RequestButtons::YesNoCancel);
    IniReader last;
    ASSERT_EQ(last.load(ctx_.prefs.last_docs_path()), "");
    EXPECT_EQ(ctx_.paths.Path_Expand(last.read_string("LastDoc0", "")), kept);
    EXPECT_EQ(last.read_string("LastDoc1", "none"), "none");

    // Yes whose save is cancelled keeps the document too; No lets it go.
    requester_.answers = {RequestAnswer::Yes, RequestAnswer::No};
    window_->close();
    EXPECT_EQ(quit.count(), 0);
    window_->close();
    EXPECT_EQ(quit.count(), 1);
    EXPECT_TRUE(ctx_.docs.empty());
}

// Every way out runs inside the event loop, as in the program: ending the loop closes the
// windows once more, and that second close must not store an empty list over the session.
TEST_F(DocumentCommandsTest, EveryWayOutStoresTheSameSessionList) {
    const std::string first = project("first");
    const std::string second = project("second");
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"menu",
         [this] {
             // Chosen in the open menu, as the user does: the menu is a window of its own then.
             QMenu* project =
                 window_->action(kCmdQuit)->associatedObjects().isEmpty()
                     ? nullptr
                     : qobject_cast<QMenu*>(window_->action(kCmdQuit)->associatedObjects().first());
             ASSERT_NE(project, nullptr);
             project->popup(window_->geometry().center());
             ASSERT_TRUE(QTest::qWaitForWindowExposed(project));
             QTest::keyClick(project, Qt::Key_Q);
         }},
        {"Ctrl+Q", [this] { QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier); }},
        {"close box", [this] { window_->close(); }},
        {"log-out", [this] { window_->session_end(); }},
    };
    for (const auto& [name, leave] : ways) {
        window_ = std::make_unique<MainWindow>(ctx_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        docs().Document_Open(first);
        docs().Document_Open(second);
        QObject::connect(window_.get(), &MainWindow::quit_confirmed, qApp, &QCoreApplication::quit);
        QTimer::singleShot(0, window_.get(), leave);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        EXPECT_EQ(QCoreApplication::exec(), 0) << name;
        IniReader last;
        ASSERT_EQ(last.load(ctx_.prefs.last_docs_path()), "") << name;
        EXPECT_EQ(ctx_.paths.Path_Expand(last.read_string("LastDoc0", "")), first) << name;
        EXPECT_EQ(ctx_.paths.Path_Expand(last.read_string("LastDoc1", "")), second) << name;
        EXPECT_TRUE(fs::remove(ctx_.prefs.last_docs_path())) << name;
        window_.reset();
        while (!ctx_.docs.empty())
            (void)ctx_.docs.remove(0);
    }
}

// "*" marks a modified document in the title and the window list, from the first keystroke;
// a later start reads the title without it, and the save question names the document.
TEST_F(DocumentCommandsTest, AModifiedDocumentIsMarkedAndNamed) {
    docs().Document_Open(project("show"));
    EXPECT_EQ(window_->windowTitle(), "show - Quillpost");
    QPlainTextEdit* editor = window_->workspace(ctx_.docs.current())->editor;
    editor->insertPlainText("x");
    EXPECT_EQ(window_->windowTitle(), "*show - Quillpost");
    EXPECT_EQ(window_->hand_over_title(), "show - Quillpost");
    EXPECT_EQ(window_->action(kCmdDocumentFirst)->text(), "1- *show.qprj");

    requester_.answers = {RequestAnswer::Cancel};
    docs().Document_Close();
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_TRUE(requester_.asked[0].text.startsWith(QString::fromUtf8("“show”")))
        << requester_.asked[0].text.toStdString();
    docs().Document_Save(false);
    EXPECT_EQ(window_->windowTitle(), "show - Quillpost") << "saved: the mark goes";
}

TEST_F(DocumentCommandsTest, RecentEntriesOpenTheirFileAndEntriesBeyondTheListDoNothing) {
    for (int i = 0; i < 7; ++i)
        ctx_.prefs.recent_add(project("r" + std::to_string(i)));
    window_->Main_MenuEvent(kCmdRecentFirst + 6);
    EXPECT_EQ(ctx_.docs.current()->FileName, tmp_.path() + "r0.qprj");
    window_->Main_MenuEvent(kCmdRecentFirst + 7);
    EXPECT_EQ(ctx_.docs.count(), 1);
}

TEST_F(DocumentCommandsTest, AnUnreadableFileIsReportedAndChangesNothing) {
    fs::create_directory(tmp_.path() + "folder.qprj");
    docs().Document_New();
    docs().Document_Open(tmp_.path() + "folder.qprj");
    docs().Document_Open(tmp_.path() + "missing.qprj");
    EXPECT_EQ(ctx_.docs.count(), 1);
    ASSERT_EQ(requester_.asked.size(), 2U);
    EXPECT_EQ(requester_.asked[1].text.toStdString(),
              ctx_.lang.get("Doc\\Error.OpenXML") + "\r\n\r\n" + tmp_.path() +
                  "missing.qprj: No such file or directory");
    EXPECT_NE(ctx_.log.text().find("! Can't open file\r\n! Doc\\Error.OpenXML"), std::string::npos);
}

TEST_F(DocumentCommandsTest, ASlowSaveLeavesTheWindowAnsweringButClosedToCommands) {
    docs().Document_Open(project("slow", {"A"}));
    Doc& doc = *ctx_.docs.current();
    window_->show();
    int ticks = 0;
    bool disabled = true;
    bool progress = false;
    QTimer ping;
    QObject::connect(&ping, &QTimer::timeout, [&] {
        ++ticks;
        disabled = disabled && !window_->isEnabled();
        for (auto* p : window_->findChildren<QProgressDialog*>())
            progress = progress || p->isVisible();
    });
    ping.start(10);
    const SaveOutcome saved = docs().SaveDoc(doc, false, [this](Doc& d, const std::string& file) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return qp::SaveDoc(d, file, ctx_.log);
    });
    ping.stop();
    EXPECT_EQ(saved, SaveOutcome::Saved);
    EXPECT_GT(ticks, 10); // the window thread ran its timer all along
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(progress); // past 200 ms the progress shows
    EXPECT_TRUE(window_->isEnabled());
}

} // namespace
} // namespace qp::ui::testing
