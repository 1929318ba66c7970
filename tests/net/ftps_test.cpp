// FTP secured with TLS against a real server on loopback that refuses anything in the clear.
#include "net/ftp_client.h"
#include "net/ftp_job.h"
#include "net/job_run.h"
#include "net/pyftpd.h"
#include "net/random_bytes.h"
#include "net/tcp_relay.h"
#include "net/test_certs.h"
#include "net/tls_peer.h"

#include "core/file_io.h"
#include "core/texts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace qp;
using namespace qp::net;
using qp::test::PyFtpd;

namespace {

class Ftps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certs = new test::TestCerts; }
    static void TearDownTestSuite() {
        delete certs;
        certs = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(certs->ok()) << "openssl could not make the certificates";
        ASSERT_TRUE(tmp_.ok());
    }

    static FtpLogin secure_login(const PyFtpd& server, int port = 0) {
        FtpLogin login = server.login();
        login.protocol = Protocol::Ftps;
        if (port > 0)
            login.port = port;
        return login;
    }
    // Options that trust the test authority and record every question asked.
    FtpOptions options(TrustDecision answer = TrustDecision::Refuse) {
        FtpOptions o;
        o.timeout_ms = 5000;
        o.trust.ca_file = certs->ca();
        o.trust.prompt = [this, answer](const TrustQuestion& q) {
            questions_.push_back(q);
            return answer;
        };
        o.trust.warn = [this](const TrustQuestion& w) { warnings_.push_back(w); };
        return o;
    }

    static test::TestCerts* certs;
    test::TempDir tmp_;
    std::vector<TrustQuestion> questions_;
    std::vector<TrustQuestion> warnings_;
};

test::TestCerts* Ftps::certs = nullptr;

std::string random_bytes(std::size_t size) {
    return test::random_bytes(size, 7);
}

} // namespace

TEST_F(Ftps, SecuresTheLoginAndEveryTransfer) {
    PyFtpd server(0, {}, certs->server_file("server"));
    ASSERT_TRUE(server.running());
    test::TcpRelay relay(server.login().port);
    const SessionOpened opened = open_session(secure_login(server, relay.port()), options());
    ASSERT_TRUE(opened.ok()) << opened.error_text();
    FtpSession& s = *opened.value();
    EXPECT_TRUE(questions_.empty());

    // The server refuses a data connection in the clear, so each of these proves TLS on it.
    ASSERT_EQ(s.create_directory("media").error_text(), "");
    ASSERT_EQ(s.set_directory("media").error_text(), "");
    const std::string content = random_bytes(3 * 1024 * 1024 + 17);
    ASSERT_TRUE(write_file(tmp_.path() + "big.bin", content));
    ASSERT_TRUE(write_file(tmp_.path() + "empty.bin", ""));
    EXPECT_EQ(s.send_file(tmp_.path() + "big.bin", "big.bin", SendMode::Wait).status.error_text(),
              "");
    EXPECT_EQ(
        s.send_file(tmp_.path() + "empty.bin", "empty.bin", SendMode::Wait).status.error_text(),
        "");
    ASSERT_EQ(
        s.send_file(tmp_.path() + "big.bin", "again.bin", SendMode::Background).status.error_text(),
        "");
    for (int i = 0; i < 3000 && s.progress().running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(s.progress().state, TransferState::Done) << s.transfer_error().text;
    ASSERT_EQ(s.list_directory().error_text(), "");
    EXPECT_EQ(s.entries().size(), 3U);

    std::string stored;
    ASSERT_TRUE(read_file(server.root() + "/media/big.bin", stored));
    EXPECT_TRUE(stored == content);
    ASSERT_TRUE(read_file(server.root() + "/media/again.bin", stored));
    EXPECT_TRUE(stored == content);
    ASSERT_TRUE(read_file(server.root() + "/media/empty.bin", stored));
    EXPECT_EQ(stored, "");

    // What an observer of the control connection sees: the request for TLS, then nothing legible.
    const std::string wire = relay.from_client();
    EXPECT_TRUE(wire.starts_with("AUTH TLS\r\n")) << wire.substr(0, 20);
    EXPECT_EQ(wire.find(PyFtpd::kPassword), std::string::npos);
    EXPECT_EQ(wire.find("USER"), std::string::npos);
}

TEST_F(Ftps, PublishesFoldersLevelByLevelUnderThePartName) {
    PyFtpd server(0, {}, certs->server_file("server"));
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(write_file(tmp_.path() + "ep.mp3", random_bytes(70000)));
    ASSERT_TRUE(write_file(server.root() + "/feed.xml", "old"));
    ASSERT_TRUE(write_file(tmp_.path() + "feed.xml", "<rss/>"));
    FTPJob job;
    test::fill_job(job, secure_login(server), tmp_.path(),
                   {{"ep.mp3", "a/b/c/ep.mp3"}, {"feed.xml", "feed.xml"}});
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams(options().trust));
    sender.set_date_check(false);
    ASSERT_EQ(sender.connect().error_text(), "");
    ASSERT_TRUE(test::poll_until(sender, [&] { return sender.finished(); }));
    EXPECT_EQ(sender.succeeded(), true);
    std::string stored;
    std::string local;
    ASSERT_TRUE(read_file(server.root() + "/a/b/c/ep.mp3", stored));
    ASSERT_TRUE(read_file(tmp_.path() + "ep.mp3", local));
    EXPECT_TRUE(stored == local);
    ASSERT_TRUE(read_file(server.root() + "/feed.xml", stored));
    EXPECT_EQ(stored, "<rss/>"); // the old copy is replaced
    EXPECT_FALSE(file_exists(server.root() + "/" + ftp_part_name("feed.xml")));
}

TEST_F(Ftps, ACertificateForAnotherNameIsRefusedWithoutAsking) {
    PyFtpd server(0, {}, certs->server_file("other"));
    ASSERT_TRUE(server.running());
    const SessionOpened opened =
        open_session(secure_login(server), options(TrustDecision::AcceptOnce));
    EXPECT_FALSE(opened.ok());
    EXPECT_EQ(opened.kind(), ErrorKind::NameMismatch) << opened.error_text();
    EXPECT_TRUE(questions_.empty());
}

TEST_F(Ftps, ASelfSignedCertificateNeedsTheUsersWord) {
    PyFtpd server(0, {}, certs->server_file("self"));
    ASSERT_TRUE(server.running());
    const std::string key = trust_server_key("127.0.0.1", server.login().port);
    const std::string fingerprint = certs->fingerprint("self");
    ASSERT_FALSE(fingerprint.empty());

    // Without anyone to ask, and when the user says no.
    FtpOptions none = options();
    none.trust.prompt = nullptr;
    EXPECT_FALSE(open_session(secure_login(server), none).ok());
    const SessionOpened refused = open_session(secure_login(server), options());
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.kind(), ErrorKind::Unverified) << refused.error_text();
    ASSERT_EQ(questions_.size(), 1U);
    EXPECT_EQ(questions_[0].server, key);
    EXPECT_EQ(questions_[0].fingerprint, fingerprint);

    // Accepted once through the prompt, then by the stored fingerprint without asking.
    questions_.clear();
    EXPECT_TRUE(open_session(secure_login(server), options(TrustDecision::AcceptOnce)).ok());
    EXPECT_EQ(questions_.size(), 1U);
    FtpOptions stored = options();
    stored.trust.accepted[key] = fingerprint;
    questions_.clear();
    const SessionOpened opened = open_session(secure_login(server), stored);
    ASSERT_TRUE(opened.ok()) << opened.error_text();
    EXPECT_TRUE(questions_.empty());
    EXPECT_EQ(opened.value()->list_directory().error_text(), "");
}

TEST_F(Ftps, AChangedCertificateIsRefusedWithoutAsking) {
    PyFtpd server(0, {}, certs->server_file("self2"));
    ASSERT_TRUE(server.running());
    FtpOptions o = options(TrustDecision::AcceptOnce);
    o.trust.accepted[trust_server_key("127.0.0.1", server.login().port)] =
        certs->fingerprint("self");
    const SessionOpened opened = open_session(secure_login(server), o);
    EXPECT_FALSE(opened.ok());
    EXPECT_EQ(opened.kind(), ErrorKind::IdentityChanged) << opened.error_text();
    EXPECT_TRUE(questions_.empty());
    ASSERT_EQ(warnings_.size(), 1U);
    EXPECT_EQ(warnings_[0].before, certs->fingerprint("self"));
    EXPECT_EQ(warnings_[0].fingerprint, certs->fingerprint("self2"));
}

// A fingerprint vouches only for who issued a certificate: one out of its dates, not for serving
// TLS or not for the name is refused without a question, stored or offered (as --trust does).
TEST_F(Ftps, AnAcceptableCertificateIsStillCheckedForDatesPurposeAndName) {
    const std::pair<std::string, std::string> ip = {"subjectAltName", "IP:127.0.0.1"};
    struct Case {
        const char* what;
        test::CertFields fields;
        std::string host = "127.0.0.1";
    };
    const std::vector<Case> cases = {
        {"sound", {}},
        {"expired", {-10, -1, {ip}}},
        {"not yet valid", {1, 5, {ip}}},
        {"for clients", {-1, 2, {ip, {"extendedKeyUsage", "clientAuth"}}}},
        {"partial wildcard",
         {-1, 2, {{"subjectAltName", "DNS:f*.example.test"}}},
         "foo.example.test"},
    };
    for (const Case& c : cases) {
        for (const bool stored : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (stored ? ", stored" : ", offered"));
            const test::TlsPeer peer(c.fields);
            ASSERT_GT(peer.port(), 0);
            Stream stream(Socket::connect_to("127.0.0.1", peer.port(), deadline_in(5000)));
            ASSERT_TRUE(stream.valid());
            const TlsContext::Made made = TlsContext::create("");
            ASSERT_EQ(stream.start_tls(made.context, c.host, nullptr, deadline_in(5000), {}), "");
            FtpOptions o = options(TrustDecision::AcceptOnce);
            if (stored)
                o.trust.accepted[trust_server_key(c.host, peer.port())] = peer.fingerprint();
            questions_.clear();
            const Status verified = stream.verify_peer(c.host, peer.port(), o.trust);
            if (std::string(c.what) == "sound") {
                EXPECT_TRUE(verified.ok()) << verified.error_text();
                EXPECT_EQ(questions_.size(), stored ? 0U : 1U);
            } else {
                EXPECT_FALSE(verified.ok());
                EXPECT_TRUE(questions_.empty()) << verified.error_text();
            }
            stream.close();
        }
    }
}

// The job's Cancel ends a secured transfer the server keeps slow, and the file is not stored.
TEST_F(Ftps, CancelStopsAJobMidTransfer) {
    PyFtpd server(256 * 1024, {}, certs->server_file("server"));
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(write_file(tmp_.path() + "ep.mp3", std::string(std::size_t{8} << 20, 'e')));
    FTPJob job;
    test::fill_job(job, secure_login(server), tmp_.path(), {{"ep.mp3", "ep.mp3"}});
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams(options().trust));
    sender.set_date_check(false);
    ASSERT_EQ(sender.connect().error_text(), "");
    (void)test::poll_until(
        sender, [&] { return sender.progress() >= 2; }, 1000);
    ASSERT_TRUE(sender.transferring());
    sender.cancel();
    EXPECT_TRUE(test::poll_until(
        sender, [&] { return sender.finished(); }, 30, 100));
    EXPECT_EQ(sender.succeeded(), false);
    sender.close();
    EXPECT_FALSE(file_exists(server.root() + "/ep.mp3"));
}
