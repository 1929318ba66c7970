// The RSS command of the main window: its save questions, its errors, the publish question that
// opens the FTP window on the job, and the feed check before publishing and on demand.
#include "ui/shell/rss_command.h"

#include "core/command_ids.h"
#include "core/file_io.h"
#include "core/preferences.h"
#include "net/pyftpd.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/check_window.h"
#include "ui/dialogs/ftp_window.h"
#include "ui/dialogs/modal.h"
#include "ui/support/shell_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

namespace qp::ui::testing {
namespace {

namespace fs = std::filesystem;

// Answers each modal window as it comes up, until the command returns: the check window through
// act, the FTP window by closing it; and names them in order.
class ModalWatch {
public:
    explicit ModalWatch(std::function<void(CheckWindow&)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    std::vector<std::string> seen;
    std::size_t ftp_files = 0;

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* check = qobject_cast<CheckWindow*>(modal)) {
            seen.emplace_back("check");
            act_(*check);
        } else if (auto* ftp = qobject_cast<FtpWindow*>(modal)) {
            seen.emplace_back("ftp");
            ftp_files = ftp->job().files.size();
            ftp->close();
        } else if (modal != nullptr) {
            seen.emplace_back(modal->metaObject()->className());
            modal->close();
        }
    }

    std::function<void(CheckWindow&)> act_;
    QTimer timer_;
};

void click(CheckWindow& w, int button) {
    QTest::mouseClick(qobject_cast<QPushButton*>(w.control(button)), Qt::LeftButton);
}

// Everything the directories require, so the check finds nothing.
void directory_ready(Doc& doc) {
    doc.Flag |= kITunesInclude;
    doc.iTunesCategory = "Technology";
    doc.iTunesExplicit = "false";
    doc.Title = "Show";
    doc.Desc = "About the show";
    doc.Lang = "en";
    doc.Link = "https://example.org/";
    doc.ImageUrl = "https://example.org/art.jpg";
    doc.FormatDate = "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz";
    doc.ProjectPrivate = 1;
    for (std::size_t i = 0; i < doc.Feeds.size(); ++i) {
        Feed& feed = doc.Feeds[i];
        if (feed.FeedFile.empty() && feed.FeedFileOnFTP.empty())
            feed.FeedFileOnFTP = "media/ep" + std::to_string(i) + ".mp3";
        feed.FeedFileType = "audio/mpeg";
        std::error_code error;
        const auto size = fs::file_size(feed.FeedFile, error);
        feed.FeedFileLength = error ? 1000 : static_cast<std::int64_t>(size);
        feed.FeedDuration = "00:01:00";
        feed.FeedGUID = "guid-" + std::to_string(i);
    }
}

class RssCommandTest : public ShellTest {
protected:
    std::vector<std::string> files_in_folder() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(tmp_.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(RssCommandTest, ACancelledSaveQuestionWritesNothing) {
    fs::current_path(tmp_.path());
    const std::string other = tmp_.path() + "other.QPRJ";
    fs::rename(project("other"), other);
    std::string before;
    ASSERT_TRUE(read_file(other, before));
    docs().Document_New();

    // No file name: the save dialog; a cancel stops quietly.
    window_->Main_MenuEvent(kCmdRssCreate);
    ASSERT_EQ(files_.asked.size(), 1U);
    EXPECT_FALSE(files_.asked[0].for_open);
    EXPECT_TRUE(requester_.asked.empty());

    // A name whose project file would replace another one: asked first; No gives the dialog
    // again, and a cancel there leaves the other file and the document as they were.
    files_.paths = {to_q(tmp_.path() + "other")};
    requester_.answers = {RequestAnswer::No};
    window_->Main_MenuEvent(kCmdRssCreate);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              ctx_.lang.Lang_Get("Doc\\Error.SaveExists", other));
    EXPECT_EQ(files_.asked.size(), 3U);
    EXPECT_EQ(ctx_.docs.current()->FileName, "");
    EXPECT_EQ(files_in_folder(), std::vector<std::string>{"other.QPRJ"});
    std::string after;
    ASSERT_TRUE(read_file(other, after));
    EXPECT_EQ(after, before);
}

TEST_F(RssCommandTest, AnRssFileThatCannotBeWrittenIsShownAsItStands) {
    docs().Document_Open(project("show"));
    fs::create_directories(tmp_.path() + "show.Xml/taken"); // a folder where the file goes
    window_->Main_MenuEvent(kCmdRssCreate);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].title, "Error");
    EXPECT_TRUE(requester_.asked[0].text.startsWith("Can't save Xml File"))
        << requester_.asked[0].text.toStdString();
}

TEST_F(RssCommandTest, ThePublishQuestionOpensTheFtpWindowOnTheJob) {
    test::PyFtpd server;
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(write_file(tmp_.path() + "ep.mp3", "episode one"));
    docs().Document_Open(project("show", {"Episode"}));
    Doc& doc = *ctx_.docs.current();
    doc.Client = "127.0.0.1";
    doc.Port = server.login().port;
    doc.Protocol = Protocol::Ftp;
    doc.User = test::PyFtpd::kUser;
    doc.PathFTP = "site/";
    ctx_.prefs.set_preference_value(kPrefCheckAddresses, "Off"); // its link is no loopback address
    doc.Flag |= kAutoLastBuildDate;
    doc.LastBuildDate = 0;
    doc.Feeds[0].FeedFile = tmp_.path() + "ep.mp3";
    doc.Feeds[0].FeedFileOnFTP = "media/";
    doc.Feeds[0].FeedFlag |= kUploadFile;
    directory_ready(doc);
    // The editor's pending text goes into the saved project.
    QPlainTextEdit* editor = window_->workspace(&doc)->editor;
    editor->setPlainText("Edited text");
    editor->document()->setModified(true);

    requester_.answers = {RequestAnswer::No};
    window_->Main_MenuEvent(kCmdRssCreate);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].title, "Information");
    EXPECT_EQ(requester_.asked[0].text.toStdString(), ctx_.lang.get("CreateRss.Ok"));
    EXPECT_NE(doc.LastBuildDate, 0);
    EXPECT_EQ(doc.State & kModified, 0);
    std::string saved;
    ASSERT_TRUE(read_file(doc.FileName, saved));
    EXPECT_NE(saved.find("Edited text"), std::string::npos);
    EXPECT_TRUE(file_exists(tmp_.path() + "show.Xml"));

    requester_.answers = {RequestAnswer::Yes};
    std::vector<std::pair<std::string, int>> statuses;
    bool main_disabled = false;
    test::when_modal([&](QWidget* modal) {
        auto* w = qobject_cast<FtpWindow*>(modal);
        ASSERT_NE(w, nullptr);
        main_disabled = !window_->isEnabled();
        QTest::keyClicks(w->control<QLineEdit>(kFtpPass), test::PyFtpd::kPassword);
        QTest::mouseClick(w->control<QPushButton>(kFtpSend), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->sender().finished(); }, 30000));
        for (const net::FTPFile& f : w->job().files)
            statuses.emplace_back(f.remote_path, f.status);
        w->close();
    });
    window_->Main_MenuEvent(kCmdRssCreate);
    EXPECT_TRUE(main_disabled);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(statuses,
              (std::vector<std::pair<std::string, int>>{{"site/media/ep.mp3", net::kFileSent},
                                                        {"site/show.Xml", net::kFileSent}}));
    std::string on_server;
    ASSERT_TRUE(read_file(server.root() + "/site/media/ep.mp3", on_server));
    EXPECT_EQ(on_server, "episode one");
    ASSERT_TRUE(read_file(server.root() + "/site/show.Xml", on_server));
    EXPECT_NE(on_server.find("Edited text"), std::string::npos);
    EXPECT_FALSE(file_exists(server.root() + "/site/show.qprj")); // the project stays private
}

TEST_F(RssCommandTest, FindingsTakeThePlaceOfThePublishQuestion) {
    docs().Document_Open(project("show", {"Episode"}));
    const Doc& doc = *ctx_.docs.current();
    const QString off =
        to_q(check_text(doc, {CheckLevel::Error, -1, "Check.ITunesOff", {}}, ctx_.lang));
    QStringList lines;
    {
        ModalWatch watch([&](CheckWindow& w) {
            for (int row = 0; row < w.list()->count(); ++row)
                lines << w.list()->item(row)->text();
            click(w, kCheckBack);
        });
        window_->Main_MenuEvent(kCmdRssCreate);
        EXPECT_EQ(watch.seen, std::vector<std::string>{"check"});
    }
    EXPECT_TRUE(lines.contains(off)) << lines.join('|').toStdString();
    EXPECT_TRUE(requester_.asked.empty());
    EXPECT_TRUE(file_exists(tmp_.path() + "show.Xml"));

    // Publish anyway goes on as Yes to the question does.
    ModalWatch watch([](CheckWindow& w) { click(w, kCheckPublish); });
    window_->Main_MenuEvent(kCmdRssCreate);
    EXPECT_EQ(watch.seen, (std::vector<std::string>{"check", "ftp"}));
    EXPECT_EQ(watch.ftp_files, 1U); // the RSS file: a new project stays private
    EXPECT_TRUE(requester_.asked.empty());
    EXPECT_TRUE(window_->isEnabled());
}

TEST_F(RssCommandTest, TheMenuEntryChecksWithoutWritingAnything) {
    docs().Document_Open(project("show", {"One"}));
    Doc& doc = *ctx_.docs.current();
    ASSERT_NE(window_->action(kCmdRssCheck), nullptr);
    {
        bool only_close = false;
        ModalWatch watch([&](CheckWindow& w) {
            only_close = w.control(kCheckClose) != nullptr && w.control(kCheckPublish) == nullptr;
            click(w, kCheckClose);
        });
        window_->Main_MenuEvent(kCmdRssCheck);
        EXPECT_EQ(watch.seen, std::vector<std::string>{"check"});
        EXPECT_TRUE(only_close);
    }
    EXPECT_TRUE(requester_.asked.empty());

    directory_ready(doc);
    window_->Main_MenuEvent(kCmdRssCheck);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].title, "Information");
    EXPECT_EQ(requester_.asked[0].text.toStdString(), ctx_.lang.get("CheckWin.NoProblem"));
    EXPECT_EQ(requester_.asked[0].buttons, RequestButtons::Ok);
    EXPECT_FALSE(file_exists(tmp_.path() + "show.Xml"));
}

TEST_F(RssCommandTest, AnEpisodeChosenInTheCheckIsSelectedInTheFeedList) {
    docs().Document_Open(project("show", {"One", "Two", "Three"}));
    Doc& doc = *ctx_.docs.current();
    const Workspace& ws = *window_->workspace(&doc);
    ASSERT_EQ(feed_list_selected_row(ws.list), 0);
    ModalWatch watch([](CheckWindow& w) {
        const QPoint at = w.list()->visualItemRect(w.list()->item(1)).center();
        QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.list()->viewport(), Qt::LeftButton, {}, at);
    });
    const std::vector<CheckFinding> findings{{CheckLevel::Error, -1, "Check.NoCategory", {}},
                                             {CheckLevel::Warning, 2, "Check.NoExplicit", {}}};
    EXPECT_FALSE(check_show(*window_, doc, findings, CheckMode::BeforePublish));
    EXPECT_EQ(feed_list_selected_row(ws.list), 2);
    EXPECT_EQ(ws.editor->toPlainText(), "Text of Three");
    EXPECT_TRUE(window_->isEnabled());
}

} // namespace
} // namespace qp::ui::testing
