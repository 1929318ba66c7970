// The window's questions about a server it cannot verify, through the FTP window against a real
// FTPS server on loopback with a self-signed certificate.
#include "ui/dialogs/trust_prompt.h"

#include "core/file_io.h"
#include "core/texts.h"
#include "net/pyftpd.h"
#include "net/test_certs.h"
#include "support/temp_dir.h"
#include "ui/dialogs/ftp_window.h"
#include "ui/support/queued_seams.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

constexpr int kWaitMs = 30000;

// Answers as queued, and notes whether each question came on the window thread.
class ThreadCheckedRequester final : public Requester {
public:
    testing::QueuedRequester queued;
    bool off_thread = false;

    RequestAnswer RequestMessage(const QString& title, const QString& text, RequestButtons buttons,
                                 QWidget* parent) override {
        off_thread |= QThread::currentThread() != qApp->thread();
        return queued.RequestMessage(title, text, buttons, parent);
    }
};

class TrustPromptTest : public ::testing::Test {
protected:
    TrustPromptTest() {
        job_.server = "127.0.0.1";
        job_.port = server_.login().port;
        job_.user = test::PyFtpd::kUser;
        job_.protocol = net::Protocol::Ftps;
        EXPECT_TRUE(write_file(dir_.path() + "feed.Xml", "<rss/>"));
        net::FTPFile file;
        file.local_file = dir_.path() + "feed.Xml";
        file.remote_path = "feed.Xml";
        job_.files.push_back(file);
    }
    // Sends from a fresh window as the user does, and waits until the connection succeeded or
    // failed. True when it succeeded; the files are then sent.
    bool send() {
        FtpWindow w(nullptr, job_, texts_,
                    net::ftp_client_seams(trust_window_settings(requester_, texts_, prefs_)));
        w.show();
        QTest::keyClicks(w.control<QLineEdit>(kFtpPass), test::PyFtpd::kPassword);
        QTest::mouseClick(w.control<QPushButton>(kFtpSend), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.sender().connecting(); }, kWaitMs));
        if (!w.sender().connected())
            return false;
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.sender().finished(); }, kWaitMs));
        return w.succeeded();
    }
    const std::vector<testing::Question>& asked() const { return requester_.queued.asked; }

    test::TestCerts certs_;
    test::PyFtpd server_{0, {}, certs_.server_file("self")};
    test::TempDir dir_;
    Paths paths_{dir_.path(), dir_.path(), "/opt/", ""};
    Log log_;
    Preferences prefs_{paths_, log_};
    KeyTexts texts_;
    ThreadCheckedRequester requester_;
    net::FTPJob job_;
    const std::string server_key_ = net::trust_server_key("127.0.0.1", server_.login().port);
};

TEST_F(TrustPromptTest, TheUserDecidesOnceAndTheAnswerIsRemembered) {
    ASSERT_TRUE(certs_.ok());
    ASSERT_TRUE(server_.running());
    const std::string fingerprint = certs_.fingerprint("self");

    requester_.queued.answers = {RequestAnswer::No};
    EXPECT_FALSE(send());
    ASSERT_EQ(asked().size(), 1U);
    EXPECT_EQ(asked()[0].buttons, RequestButtons::YesNoDefaultNo);
    const std::string text = asked()[0].text.toStdString();
    EXPECT_TRUE(text.starts_with("FTP\\Trust.Question[" + server_key_ + "]")) << text;
    EXPECT_NE(text.find(trust_fingerprint_lines(fingerprint)), std::string::npos) << text;
    EXPECT_TRUE(prefs_.trusted().empty());
    EXPECT_FALSE(file_exists(server_.root() + "/feed.Xml"));

    requester_.queued.answers = {RequestAnswer::Yes};
    EXPECT_TRUE(send());
    EXPECT_TRUE(file_exists(server_.root() + "/feed.Xml"));
    EXPECT_EQ(prefs_.trusted().at(server_key_), fingerprint);
    std::string settings;
    ASSERT_TRUE(read_file(prefs_.settings_path(), settings));
    EXPECT_NE(settings.find("Trust." + server_key_ + " = " + fingerprint), std::string::npos);

    // Known now: nobody is asked.
    EXPECT_TRUE(send());
    EXPECT_EQ(asked().size(), 2U);
    EXPECT_FALSE(requester_.off_thread);
}

TEST_F(TrustPromptTest, AChangedIdentityIsRefusedUntilTheOldOneIsForgotten) {
    ASSERT_TRUE(certs_.ok());
    ASSERT_TRUE(server_.running());
    prefs_.trust_remember(server_key_, certs_.fingerprint("self2"));

    requester_.queued.answers = {RequestAnswer::No}; // keep the old identity
    EXPECT_FALSE(send());
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked().size() == 1; }, kWaitMs));
    EXPECT_TRUE(asked()[0].text.startsWith("FTP\\Trust.Changed[")) << asked()[0].text.toStdString();
    EXPECT_TRUE(asked()[0].text.endsWith("FTP\\Trust.Forget"));
    EXPECT_EQ(prefs_.trusted().at(server_key_), certs_.fingerprint("self2"));

    requester_.queued.answers = {RequestAnswer::Yes};
    EXPECT_FALSE(send());
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked().size() == 2; }, kWaitMs));
    EXPECT_TRUE(prefs_.trusted().empty());
    EXPECT_FALSE(file_exists(server_.root() + "/feed.Xml"));

    // The next send asks about the new identity like any unknown one.
    requester_.queued.answers = {RequestAnswer::Yes};
    EXPECT_TRUE(send());
    EXPECT_EQ(asked().size(), 3U);
    EXPECT_EQ(prefs_.trusted().at(server_key_), certs_.fingerprint("self"));
}

TEST(TrustFingerprintLines, CutsBothFormsForTheMessageBox) {
    const std::string hex = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:00";
    EXPECT_EQ(trust_fingerprint_lines(hex),
              "AB:CD:EF:01:23:45:67:89:\nAB:CD:EF:01:23:45:67:89:\n00");
    EXPECT_EQ(trust_fingerprint_lines("SHA256:" + std::string(30, 'x')),
              "SHA256:" + std::string(19, 'x') + "\n" + std::string(11, 'x'));
}

} // namespace
} // namespace qp::ui
