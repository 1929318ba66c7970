#include "ui/dialogs/update_check.h"

#include "core/language.h"
#include "core/log.h"
#include "ui/context/seams.h"
#include "ui/dialogs/modal.h"

#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

using namespace qp::ui;

TEST(VersionPage, MarkerAndNumberRules) {
    EXPECT_EQ(version_from_page("<p>VERSION : 0.29.1306.1200<br>\n"), "0,29,1306,1200");
    EXPECT_EQ(version_from_page("x Version :\r\n 0,28,9999,9999 : later"), "0,28,9999,9999");
    EXPECT_EQ(version_from_page("Version 0,29"), "");
    EXPECT_FLOAT_EQ(version_number("0,29,1306,1200"), 0.29f);
    EXPECT_GT(version_number("0,3"), version_number("0,28,1305,1700"));
    EXPECT_LT(version_number("0,100"), version_number("0,28"));
    EXPECT_EQ(version_number(""), 0.0f);
    EXPECT_FLOAT_EQ(version_number(" 1 ,x"), 1.0f);
}

namespace {

struct ScriptedRequester : Requester {
    RequestAnswer RequestMessage(const QString& title, const QString& text, RequestButtons buttons,
                                 QWidget*) override {
        shown << title + "|" + text + "|" +
                     (buttons == RequestButtons::Ok      ? "Ok"
                      : buttons == RequestButtons::YesNo ? "YesNo"
                                                         : "other");
        return RequestAnswer::Yes;
    }
    QStringList shown;
};

// A web server on loopback that answers every request with one page, or never (slow).
class PageServer : public QObject {
public:
    explicit PageServer(QByteArray page, bool answer = true) : page_(std::move(page)) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this, answer] {
            QTcpSocket* socket = server_.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, answer] {
                request_ += socket->readAll();
                if (answer && request_.contains("\r\n\r\n")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                  QByteArray::number(page_.size()) +
                                  "\r\nConnection: close\r\n\r\n" + page_);
                    socket->disconnectFromHost();
                }
            });
        });
    }
    QString url() const {
        return QString("http://127.0.0.1:%1/Quillpost/index.php").arg(server_.serverPort());
    }
    const QByteArray& request() const { return request_; }
    void stop() { server_.close(); }

private:
    QTcpServer server_;
    QByteArray page_;
    QByteArray request_;
};

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(lang_.Lang_Select("english"), "english"); }
    UpdateCheckOutcome check(const QString& url, int timeout_ms = 15000) {
        UpdateCheckSetup setup{url, timeout_ms, [this](const QUrl& u) {
                                   opened_ << u;
                                   return true;
                               }};
        return CheckNewVersion(nullptr, lang_, log_, requester_, setup);
    }

    qp::LangTable lang_{{std::string(QP_SOURCE_DIR) + "/data/Lang/"}};
    qp::Log log_;
    ScriptedRequester requester_;
    QList<QUrl> opened_;
};

} // namespace

TEST_F(UpdateCheck, NewerVersionIsOfferedAndItsPageOpened) {
    PageServer server("<html><body>Version : 0.29.1306.1200<br></body></html>");
    EXPECT_EQ(check(server.url()), UpdateCheckOutcome::NewVersion);
    EXPECT_TRUE(server.request().startsWith("GET /Quillpost/index.php HTTP/1.1\r\n"));
    ASSERT_EQ(requester_.shown.size(), 1);
    EXPECT_TRUE(requester_.shown[0].startsWith("Information|A new version of Quillpost is "
                                               "available: 0,29,1306,1200."));
    EXPECT_TRUE(requester_.shown[0].endsWith("|YesNo"));
    EXPECT_EQ(opened_, QList<QUrl>{QUrl(server.url())});

    const std::string text = log_.text();
    EXPECT_NE(text.find("* Check for new version\r\n Current Version : 0,28,1305,1700\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(" New version : 0,29,1306,1200 Distan=0.29 Local=0.28\r\n"),
              std::string::npos);
    const std::size_t at = text.find(" Temporary Html File : ");
    ASSERT_NE(at, std::string::npos);
    const std::size_t from = at + std::string(" Temporary Html File : ").size();
    const QString temp = QString::fromStdString(text.substr(from, text.find('\r', from) - from));
    EXPECT_FALSE(temp.isEmpty());
    EXPECT_FALSE(QFile::exists(temp)) << "the downloaded page is deleted";
}

TEST_F(UpdateCheck, SameVersionOrNoMarkerMeansNoNewVersion) {
    PageServer same("version : 0,28,9999,9999<br>");
    EXPECT_EQ(check(same.url()), UpdateCheckOutcome::NoNewVersion);
    PageServer none("<html>nothing here</html>");
    EXPECT_EQ(check(none.url()), UpdateCheckOutcome::NoNewVersion);
    EXPECT_EQ(requester_.shown, QStringList(2, "Information|You are using the latest version of "
                                               "Quillpost.|Ok"));
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(UpdateCheck, ServerDownOrTooSlowIsADownloadError) {
    PageServer down("");
    const QString url = down.url();
    down.stop();
    EXPECT_EQ(check(url), UpdateCheckOutcome::Failed);
    PageServer slow("", false);
    EXPECT_EQ(check(slow.url(), 300), UpdateCheckOutcome::Failed);
    EXPECT_EQ(requester_.shown,
              QStringList(2, "Error|The version page could not be downloaded.|Ok"));
    EXPECT_NE(log_.text().find("! The version page could not be downloaded.\r\n"),
              std::string::npos);
}

TEST_F(UpdateCheck, CancelInTheWaitWindowStopsQuietly) {
    PageServer slow("", false);
    qp::test::when_modal([](QWidget* w) {
        auto* wait = qobject_cast<QProgressDialog*>(w);
        ASSERT_NE(wait, nullptr);
        EXPECT_EQ(wait->labelText(), "Looking for a new version of Quillpost...");
        QPushButton* cancel = wait->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_EQ(check(slow.url()), UpdateCheckOutcome::Cancelled);
    EXPECT_TRUE(requester_.shown.isEmpty());
}
