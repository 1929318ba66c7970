// The FTP window against a real server on loopback, and against a scripted one for a transfer
// that never ends.
#include "ui/dialogs/ftp_window.h"

#include "core/file_io.h"
#include "core/texts.h"
#include "net/pyftpd.h"
#include "net/scripted_ftp_server.h"
#include "support/temp_dir.h"
#include "ui/dialogs/modal.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace qp::ui {
namespace {

using net::FTPFile;
using net::FTPJob;

constexpr int kWaitMs = 30000;

void add(FTPJob& job, const std::string& local, const std::string& remote) {
    FTPFile f;
    f.local_file = local;
    f.remote_path = remote;
    job.files.push_back(f);
}

QStringList lines(const FtpWindow& w) {
    QStringList out;
    const auto* list = w.control<QListWidget>(kFtpMessages);
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

qsizetype count(const QStringList& l, const QString& prefix) {
    return std::count_if(l.begin(), l.end(),
                         [&](const QString& s) { return s.startsWith(prefix); });
}

// Types the password and presses Send as the user does.
void send(FtpWindow& w, const QString& password) {
    QTest::keyClicks(w.control<QLineEdit>(kFtpPass), password);
    QTest::mouseClick(w.control<QPushButton>(kFtpSend), Qt::LeftButton);
}

class FtpWindowTest : public ::testing::Test {
protected:
    FtpWindowTest() {
        job_.server = "127.0.0.1";
        job_.port = server_.login().port;
        job_.user = test::PyFtpd::kUser;
    }
    std::string local(const std::string& name, const std::string& bytes) {
        EXPECT_TRUE(write_file(dir_.path() + name, bytes));
        return dir_.path() + name;
    }
    std::string on_server(const std::string& remote) {
        std::string bytes;
        return read_file(server_.root() + "/" + remote, bytes) ? bytes : "(missing)";
    }

    test::PyFtpd server_;
    test::TempDir dir_;
    KeyTexts texts_;
    FTPJob job_;
};

TEST_F(FtpWindowTest, SendsIntoNewFoldersThenSkipsWhatTheServerHolds) {
    ASSERT_TRUE(server_.running());
    add(job_, local("show.qprj", "project"), "site/feeds/show.qprj");
    add(job_, local("ep1.mp3", std::string(300000, 'e')), "media/2024/ep1.mp3");
    add(job_, local("show.Xml", "<rss/>"), "site/feeds/show.Xml");
    {
        FtpWindow w(nullptr, job_, texts_, net::ftp_client_seams());
        w.show();
        EXPECT_TRUE(w.control<QCheckBox>(kFtpCheckDate)->isChecked());
        send(w, test::PyFtpd::kPassword);
        // The field shows a mask and holds no copy of what was typed.
        EXPECT_EQ(w.control<QLineEdit>(kFtpPass)->text(), QString(11, u'*'));
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.sender().finished(); }, kWaitMs));
        EXPECT_TRUE(w.succeeded());
        EXPECT_EQ(w.control<QPushButton>(kFtpCancel)->text(), "FTP\\Win.Quit");
        EXPECT_FALSE(w.control<QPushButton>(kFtpSend)->isEnabled());
        EXPECT_EQ(w.windowTitle(), "FTP\\Title.Send");
        EXPECT_EQ(w.control<QProgressBar>(kFtpProgress)->value(), 100); // full beside the report
        const QStringList l = lines(w);
        EXPECT_EQ(l.front(), "FTP\\NetWork.Found");
        EXPECT_EQ(l.at(1), "FTP\\Client.Connected[127.0.0.1]");
        EXPECT_EQ(count(l, "FTP\\Send.Ok "), 3);
        EXPECT_EQ(l.back(), "FTP\\Send.Finished[3]");
        w.close();
        EXPECT_EQ(w.control<QLineEdit>(kFtpPass)->text(), "");
        EXPECT_TRUE(job_.password.empty());
        EXPECT_FALSE(job_.connection);
    }
    EXPECT_EQ(on_server("media/2024/ep1.mp3"), std::string(300000, 'e'));
    EXPECT_EQ(on_server("site/feeds/show.qprj"), "project");
    EXPECT_EQ(on_server("site/feeds/show.Xml"), "<rss/>");

    // Again: the server's copies are newer, so the date check skips every file.
    FtpWindow again(nullptr, job_, texts_, net::ftp_client_seams());
    again.show();
    send(again, test::PyFtpd::kPassword);
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.sender().finished(); }, kWaitMs));
    EXPECT_EQ(count(lines(again), "FTP\\Send.TooOldFile"), 3);
    EXPECT_EQ(count(lines(again), "FTP\\Send.Ok "), 0);
    for (const FTPFile& f : job_.files)
        EXPECT_EQ(f.status, net::kFileSkipped) << f.remote_path;
    EXPECT_TRUE(again.succeeded());
}

TEST_F(FtpWindowTest, GrowsWithTheWindowAndShowsWholeLines) {
    FtpWindow w(nullptr, job_, texts_, net::ftp_client_seams());
    w.show();
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    auto* list = w.control<QListWidget>(kFtpMessages);
    const QRect list0 = list->geometry();
    const QRect bar0 = w.control<QProgressBar>(kFtpProgress)->geometry();
    const QRect send0 = w.control<QPushButton>(kFtpSend)->geometry();
    const QRect cancel0 = w.control<QPushButton>(kFtpCancel)->geometry();
    const QRect pass0 = w.control<QLineEdit>(kFtpPass)->geometry();
    w.resize(w.width() + 300, w.height() + 200);
    EXPECT_EQ(list->geometry(), list0.adjusted(0, 0, 300, 200));
    EXPECT_EQ(w.control<QProgressBar>(kFtpProgress)->geometry(), bar0.adjusted(0, 200, 300, 200));
    EXPECT_EQ(w.control<QPushButton>(kFtpSend)->geometry(), send0.translated(300, 0));
    EXPECT_EQ(w.control<QPushButton>(kFtpCancel)->geometry(), cancel0);
    EXPECT_EQ(w.control<QLineEdit>(kFtpPass)->geometry(), pass0.adjusted(0, 0, 300, 0));
    EXPECT_TRUE(list->wordWrap());
    EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
}

TEST_F(FtpWindowTest, AWrongPasswordMayBeCorrectedAndSentAgain) {
    ASSERT_TRUE(server_.running());
    add(job_, local("feed.Xml", "<rss/>"), "feed.Xml");
    FtpWindow w(nullptr, job_, texts_, net::ftp_client_seams());
    w.show();
    send(w, "wrong");
    auto* pass = w.control<QLineEdit>(kFtpPass);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pass->isEnabled(); }, kWaitMs));
    EXPECT_FALSE(w.sender().connected());
    EXPECT_TRUE(
        lines(w).back().startsWith("FTP\\Client.NotConnected[127.0.0.1] (PASS refused: 530"))
        << lines(w).back().toStdString();
    EXPECT_EQ(w.control<QPushButton>(kFtpCancel)->text(), "FTP\\Win.Cancel");
    EXPECT_TRUE(w.control<QPushButton>(kFtpSend)->isEnabled());
    EXPECT_TRUE(job_.password.empty());

    // The failed text is selected: typing replaces it, and editing keys edit the secret too.
    pass->setFocus();
    QTest::keyClicks(pass, QString(test::PyFtpd::kPassword) + "xy");
    QTest::keyClick(pass, Qt::Key_Left);
    QTest::keyClick(pass, Qt::Key_Backspace);
    QTest::keyClick(pass, Qt::Key_End);
    QTest::keyClick(pass, Qt::Key_Backspace);
    QTest::mouseClick(w.control<QPushButton>(kFtpSend), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.sender().finished(); }, kWaitMs));
    EXPECT_TRUE(w.succeeded());
    EXPECT_EQ(on_server("feed.Xml"), "<rss/>");
}

TEST_F(FtpWindowTest, TheKeyringFillsThePasswordAndKeepsOnlyOneThatLoggedIn) {
    ASSERT_TRUE(server_.running());
    add(job_, local("feed.Xml", "<rss/>"), "feed.Xml");
    std::map<std::string, std::string> kept;
    const auto name = [](const net::KeyringKey& k) {
        return k.user + "@" + k.host + ":" + std::to_string(k.port);
    };
    KeyringSeams keyring;
    keyring.available = [] { return Status{}; };
    keyring.read = [&](const net::KeyringKey& k) -> Result<std::string> {
        const auto it = kept.find(name(k));
        if (it == kept.end())
            return make_error(ErrorKind::NotFound, "none");
        return it->second;
    };
    keyring.store = [&](const net::KeyringKey& k, const std::string& secret) {
        kept[name(k)] = secret;
        return Status{};
    };
    keyring.forget = [&](const net::KeyringKey& k) {
        kept.erase(name(k));
        return Status{};
    };
    {
        FtpWindow w(nullptr, job_, texts_, net::ftp_client_seams(), keyring);
        w.show();
        auto* remember = w.control<QCheckBox>(kFtpRemember);
        EXPECT_TRUE(remember->isEnabled());
        EXPECT_FALSE(remember->isChecked());
        remember->setChecked(true);
        send(w, "wrong");
        auto* pass = w.control<QLineEdit>(kFtpPass);
        ASSERT_TRUE(QTest::qWaitFor([&] { return pass->isEnabled(); }, kWaitMs));
        EXPECT_TRUE(kept.empty()); // a refused password is not kept
        QTest::keyClicks(pass, test::PyFtpd::kPassword);
        QTest::mouseClick(w.control<QPushButton>(kFtpSend), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.sender().finished(); }, kWaitMs));
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept.begin()->second, test::PyFtpd::kPassword);
    }
    // The next publish finds it; unticking the box forgets it once logged in.
    FTPJob again;
    again.server = job_.server;
    again.port = job_.port;
    again.user = job_.user;
    add(again, local("feed.Xml", "<rss>2</rss>"), "feed.Xml");
    FtpWindow w(nullptr, again, texts_, net::ftp_client_seams(), keyring);
    w.show();
    auto* remember = w.control<QCheckBox>(kFtpRemember);
    EXPECT_TRUE(remember->isChecked());
    EXPECT_EQ(w.control<QLineEdit>(kFtpPass)->text().size(),
              qsizetype(std::string(test::PyFtpd::kPassword).size()));
    remember->setChecked(false);
    QTest::mouseClick(w.control<QPushButton>(kFtpSend), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.sender().finished(); }, kWaitMs));
    EXPECT_TRUE(w.succeeded());
    EXPECT_TRUE(kept.empty());

    // Without a keyring service the box is off and says why.
    keyring.available = [] { return Status(make_error(ErrorKind::Unreachable, "no session bus")); };
    FtpWindow none(nullptr, job_, texts_, net::ftp_client_seams(), keyring);
    EXPECT_FALSE(none.control<QCheckBox>(kFtpRemember)->isEnabled());
    EXPECT_TRUE(none.control<QCheckBox>(kFtpRemember)->toolTip().contains("no session bus"));
}

TEST_F(FtpWindowTest, ClosingMidTransferAbortsItAndClosesTheConnection) {
    // A server that takes 64 KB a second, so the transfer is still running when the user quits.
    test::PyFtpd slow(64 * 1024);
    ASSERT_TRUE(slow.running());
    job_.port = slow.login().port;
    add(job_, local("ep.mp3", std::string(4 << 20, 'e')), "ep.mp3");
    add(job_, local("feed.Xml", "<rss/>"), "feed.Xml");
    QWidget main;
    main.show();
    bool disabled = false;
    test::when_modal([&](QWidget* modal) {
        auto* w = qobject_cast<FtpWindow*>(modal);
        ASSERT_NE(w, nullptr);
        disabled = !main.isEnabled();
        send(*w, test::PyFtpd::kPassword);
        const auto* bar = w->control<QProgressBar>(kFtpProgress);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() > 0; }, kWaitMs));
        EXPECT_EQ(w->windowTitle(), "FTP\\Title.Sending[1/2][ep.mp3]");
        w->close(); // the close box
    });
    EXPECT_EQ(FTP_SendFiles(job_, &main, texts_), 0);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(main.isEnabled());
    EXPECT_FALSE(job_.connection);
    EXPECT_EQ(job_.files[0].status, net::kFileNotSent);
    EXPECT_EQ(job_.files[1].status, net::kFileNotSent);
    EXPECT_EQ(on_server("ep.mp3"), "(missing)");
}

// The typed password reaches the server in UTF-8, a character outside the basic plane whole and
// a lone half of a pair as U+FFFD, never as bytes no server can read.
TEST(FtpWindowPassword, GoesOutInUtf8) {
    test::ScriptedFtpServer server("220 Ready\r\n", {{"USER u", "331 Password please\r\n"},
                                                     {"PASS p\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                                      "\xEF\xBF\xBD",
                                                      "530 No\r\n"}});
    FTPJob job;
    job.server = "127.0.0.1";
    job.port = server.port();
    job.user = "u";
    KeyTexts texts;
    FtpWindow w(nullptr, job, texts, net::ftp_client_seams());
    w.show();
    // As an input method commits it: the keyboard's own events carry only what a key types.
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromUtf8("p\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") +
                          QChar(0xD800));
    QApplication::sendEvent(w.control<QLineEdit>(kFtpPass), &typed);
    QTest::mouseClick(w.control<QPushButton>(kFtpSend), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.sender().connecting(); }, kWaitMs));
    const std::vector<std::string> commands = server.commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[1], "PASS p\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(FtpWindowCancel, CancelDuringATransferThatNeverEndsAnswersAtOnce) {
    using test::Step;
    // The data goes through, then the server holds its final reply back for a long time.
    constexpr int kHoldMs = 6000;
    test::ScriptedFtpServer server(
        "220 Ready\r\n",
        {{"USER u", "331 Password please\r\n"},
         {"PASS p", "230 Logged in\r\n"},
         {"PWD", "257 \"/\"\r\n"},
         {"TYPE I", "200 Ok\r\n"},
         {"PASV", "227 Passive (127,0,0,1,{p1},{p2})\r\n"},
         {"STOR .ep.mp3.part", "150 Go\r\n", Step::Data::Receive, "", "226 Stored\r\n", kHoldMs}});
    test::TempDir dir;
    ASSERT_TRUE(write_file(dir.path() + "ep.mp3", "episode"));
    FTPJob job;
    job.server = "127.0.0.1";
    job.port = server.port();
    job.user = "u";
    add(job, dir.path() + "ep.mp3", "ep.mp3");
    KeyTexts texts;
    FtpWindow w(nullptr, job, texts, net::ftp_client_seams());
    w.show();
    QTest::keyClick(w.control<QCheckBox>(kFtpCheckDate), Qt::Key_Space);
    send(w, "p");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.sender().transferring() || w.sender().finished(); },
                                kWaitMs));
    ASSERT_TRUE(w.sender().transferring()) << lines(w).join("\n").toStdString();
    EXPECT_TRUE(w.isVisible());
    QElapsedTimer took;
    took.start();
    QTest::mouseClick(w.control<QPushButton>(kFtpCancel), Qt::LeftButton);
    // Before the server's reply would have come, with room for a busy machine.
    EXPECT_LT(took.elapsed(), kHoldMs - 1000);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(job.files[0].status, net::kFileNotSent);
    EXPECT_FALSE(w.succeeded());
    EXPECT_FALSE(job.connection);
    EXPECT_EQ(count(lines(w), "FTP\\Send.Ok"), 0);
}

} // namespace
} // namespace qp::ui
