#include "ui/dialogs/about_window.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/help_windows.h"
#include "ui/dialogs/text_window.h"

#include "core/language.h"
#include "core/log.h"
#include "support/temp_dir.h"
#include "ui/context/seams.h"
#include "ui/dialogs/modal.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using qp::test::when_modal;
using namespace qp::ui;

namespace {

struct RecordingRequester : Requester {
    RequestAnswer RequestMessage(const QString& title, const QString& text, RequestButtons,
                                 QWidget*) override {
        shown << title + "|" + text;
        return RequestAnswer::Yes;
    }
    QStringList shown;
};

class HelpWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(english_.Lang_Select("english"), "english");
        ASSERT_EQ(french_.Lang_Select(""), "français");
    }
    QString folder() const { return QString::fromStdString(dir_.path()); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(folder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Runs show(), records the modal text window's title and text, and closes it with Escape.
    QString shown_text(const std::function<void()>& show) {
        QString seen;
        when_modal([&](QWidget* w) {
            auto* window = qobject_cast<TextWindow*>(w);
            if (!window) {
                w->close();
                return;
            }
            EXPECT_EQ(window->focusWidget(), window->editor());
            seen = window->windowTitle() + "|" + window->editor()->toPlainText();
            QTest::keyClick(window, Qt::Key_Escape);
        });
        show();
        return seen;
    }

    qp::test::TempDir dir_;
    const std::vector<std::string> lang_folders_{std::string(QP_SOURCE_DIR) + "/data/Lang/"};
    qp::LangTable english_{lang_folders_};
    qp::LangTable french_{lang_folders_};
    RecordingRequester requester_;
};

} // namespace

TEST_F(HelpWindows, DataFilesAreFoundInOrderAndDecodedByTheReadingRule) {
    qp::test::TempDir second;
    const QStringList folders{folder(), QString::fromStdString(second.path())};
    write("License.Txt", "");
    QFile other(QString::fromStdString(second.path()) + "License.Txt");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("caf\xE9 \x80"); // Windows-1252: not valid UTF-8
    other.close();
    EXPECT_EQ(data_file_find(folders, "License.Txt"), other.fileName())
        << "an empty file is skipped";
    bool ok = false;
    EXPECT_EQ(FileToString(other.fileName(), &ok), QString::fromUtf8("café €"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(FileToString(folder() + "missing", &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(data_folders("/main/", "/opt/qp/bin"),
              (QStringList{"/main/", "/opt/qp/bin/", "/opt/qp/bin/../share/quillpost/"}));
}

TEST_F(HelpWindows, HelpOpensTheLanguagesFileOrSaysThereIsNone) {
    const QStringList folders{folder()};
    QList<QUrl> opened;
    bool viewer_works = true;
    const UrlOpener open = [&](const QUrl& url) {
        opened << url;
        return viewer_works;
    };

    write("Quillpost-Help-English.Chm", "");
    write("Quillpost-Help-English.Txt", "Line 1\r\nLine 2");
    EXPECT_EQ(shown_text([&] { Help_Show(nullptr, folders, english_, requester_, open); }),
              "Quillpost help|Line 1\nLine 2");
    EXPECT_TRUE(opened.isEmpty()) << "the empty viewer file is skipped";

    write("Quillpost-Help.Html", "<html>aide</html>");
    Help_Show(nullptr, folders, french_, requester_, open);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(folder() + "Quillpost-Help.Html"));

    // A system that cannot open the page: the program's own viewer shows it.
    viewer_works = false;
    write("Quillpost-Help.Html",
          "<html><body><a href='more.html#end'>more</a> <a href='https://example.org/'>web</a>"
          "</body></html>");
    write("more.html", "<html><body><p>More help</p><a name='end'></a></body></html>");
    std::unique_ptr<HelpViewer> viewer(Help_Show(nullptr, folders, french_, requester_, open));
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "Aide de Quillpost");
    EXPECT_TRUE(viewer->browser()->toPlainText().contains("more"));
    viewer->link_follow(QUrl("more.html#end"));
    EXPECT_EQ(viewer->browser()->source().toLocalFile(), folder() + "more.html");
    EXPECT_TRUE(viewer->browser()->toPlainText().contains("More help"));
    viewer->link_follow(QUrl("https://example.org/"));
    EXPECT_EQ(opened.back(), QUrl("https://example.org/")) << "the web goes to the system";
    EXPECT_TRUE(viewer->browser()->toPlainText().contains("More help"));
    EXPECT_TRUE(requester_.shown.isEmpty());

    // Nothing at all: the requester says so.
    qp::test::TempDir empty;
    Help_Show(nullptr, {QString::fromStdString(empty.path())}, french_, requester_, open);
    EXPECT_EQ(requester_.shown, QStringList{"Aide de Quillpost|Pas d'aide !"});
}

TEST_F(HelpWindows, HistoryAndLogUseTheTextWindow) {
    const QStringList folders{folder()};
    EXPECT_TRUE(whats_new_file(folders, english_).isEmpty());
    EXPECT_EQ(shown_text([&] { WhatsNew_Show(nullptr, folders, english_); }),
              "What's new in Quillpost|");
    write("History.txt", "0.28\r\n");
    write("Historique.txt", "0,28\r\n");
    EXPECT_EQ(shown_text([&] { WhatsNew_Show(nullptr, folders, english_); }),
              "What's new in Quillpost|0.28\n");

    qp::Log log(dir_.path() + "Quillpost.Log");
    log.add_header("Quillpost 0,28,1305,1700");
    log.add("* Written");
    ASSERT_EQ(log.flush(), "");
    log.add("* Pending");
    EXPECT_EQ(shown_text([&] { Log_Show(nullptr, log, "Quillpost-Portable"); }),
              "Log - Quillpost-Portable|Quillpost 0,28,1305,1700\n* Pending\n");
}

TEST_F(HelpWindows, TextWindowTakesTheMainWindowsWidth) {
    QWidget main;
    main.resize(700, 500);
    main.show();
    QRect window_rect, editor_rect;
    when_modal([&](QWidget* w) {
        auto* window = qobject_cast<TextWindow*>(w);
        ASSERT_NE(window, nullptr);
        window_rect = window->rect();
        editor_rect = window->editor()->geometry();
        EXPECT_TRUE(window->editor()->isReadOnly());
        window->close(); // the close box
    });
    TextWindow_Show(&main, "t", "x");
    EXPECT_EQ(window_rect.size(), QSize(700, 297));
    EXPECT_EQ(editor_rect, QRect(5, 27, 690, 265));
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(HelpWindows, AboutShowsVersionMakerAndLicenceAndOpensTheSite) {
    write("License.Txt", "MIT License %1 by %2");
    QList<QUrl> opened;
    AboutWindow about(nullptr, english_, {folder()}, [&](const QUrl& url) {
        opened << url;
        return true;
    });
    about.show();
    EXPECT_EQ(about.windowTitle(), "About Quillpost");
    EXPECT_EQ(about.size(), QSize(400, 108));
    EXPECT_EQ(about.editor()->toPlainText(),
              "Quillpost 0,28,1305,1700\nRSS feed and podcast editor, made by the Quillpost "
              "developers.\n\nMIT License Quillpost by the Quillpost developers");
    EXPECT_EQ(about.ok_button()->text(), "OK");
    EXPECT_EQ(about.ok_button()->geometry().top(), about.web_button()->geometry().top());
    QTest::mouseClick(about.web_button(), Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(kMakerWebSite)});
    EXPECT_TRUE(about.isVisible()) << "the web button leaves the window open";
    QTest::mouseClick(about.ok_button(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// The shipped help names every menu command by its caption in the same language.
TEST_F(HelpWindows, ShippedHelpNamesEveryMenuCommand) {
    const QStringList folders{QString(QP_SOURCE_DIR) + "/data/"};
    for (qp::LangTable* lang : {&english_, &french_}) {
        const QString page = FileToString(data_file_find(
            folders, QString::fromStdString(lang->Lang_Get("Help.FileName")) + ".Html"));
        ASSERT_FALSE(page.isEmpty());
        for (const qp::LangEntry& entry : lang->entries()) {
            if (!entry.Key.starts_with("Menu\\"))
                continue;
            const QString caption = QString::fromStdString(entry.Text).remove('&');
            EXPECT_TRUE(page.contains(caption)) << entry.Key << ": " << caption.toStdString();
        }
    }
}
