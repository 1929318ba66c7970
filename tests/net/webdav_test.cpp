// WebDAV against Apache on loopback, started by the project's own script.
#include "net/ftp_job.h"
#include "net/job_run.h"
#include "net/random_bytes.h"
#include "net/tcp_relay.h"
#include "net/webdav_session.h"

#include "core/file_io.h"
#include "core/texts.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

using namespace qp;
using namespace qp::net;

namespace {

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// One share for one test; stopped, with everything it holds, when the test ends.
class DavServer {
public:
    explicit DavServer(bool https = false) {
        // As root the server's workers run as another account, which must reach the folder.
        (void)::chmod(dir_.path().c_str(), 0711);
        const test::ProcessResult r = script({"start", folder(), https ? "https" : ""});
        address_ = first_line(r.out);
        if (r.status != 0 || address_.empty())
            error_ = "the WebDAV server did not start: " + r.err + r.error;
        (void)read_file(folder() + "/user", user_);
        (void)read_file(folder() + "/password", password_);
    }
    ~DavServer() { (void)script({"stop", folder()}); }
    DavServer(const DavServer&) = delete;
    DavServer& operator=(const DavServer&) = delete;

    const std::string& error() const { return error_; }
    FtpLogin login(std::string address = {}) const {
        FtpLogin l;
        l.server = address.empty() ? address_ : address;
        l.user = user_;
        l.password = password_;
        l.protocol = Protocol::WebDav;
        return l;
    }
    const std::string& address() const { return address_; }
    // The same share's files behind Digest authentication.
    std::string digest_address() const {
        return address_.substr(0, address_.size() - 4) + "digest/";
    }
    // Where the files of the Basic share land.
    std::string root() const { return folder() + "/www/dav/"; }
    std::string certificate() const { return folder() + "/server.pem"; }
    int port() const { return std::atoi(address_.substr(address_.rfind(':') + 1).c_str()); }

private:
    std::string folder() const { return dir_.path() + "server"; }
    static test::ProcessResult script(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"/bin/bash", std::string(QP_SOURCE_DIR) + "/scripts/webdav_server.sh"});
        test::ProcessOptions o;
        o.timeout = std::chrono::milliseconds(30000);
        return test::run_process(args, o);
    }

    test::TempDir dir_;
    std::string address_;
    std::string user_;
    std::string password_;
    std::string error_;
};

FtpOptions quick_options() {
    FtpOptions o;
    o.timeout_ms = 10000;
    return o;
}

std::string stored(const std::string& path) {
    std::string content;
    EXPECT_TRUE(read_file(path, content)) << path;
    return content;
}

void set_mtime(const std::string& path, std::int64_t utc) {
    const struct timespec times[2] = {{utc, 0}, {utc, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

long count(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.starts_with(prefix); });
}

// Answers PROPFINDs: Depth 0 shows a folder, Depth 1 the next listing given. It stops reading a
// connection that sends a PUT, and takes the next connection.
class CannedShare {
public:
    explicit CannedShare(std::vector<std::string> listings) : listings_(std::move(listings)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            int client = -1;
            while ((client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
                stalled_.push_back(client);
                serve(client);
            }
        });
    }
    ~CannedShare() {
        ::shutdown(listener_, SHUT_RDWR);
        for (const int client : stalled_)
            ::shutdown(client, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        for (const int client : stalled_)
            ::close(client);
        ::close(listener_);
    }
    CannedShare(const CannedShare&) = delete;
    CannedShare& operator=(const CannedShare&) = delete;

    std::string address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/s/"; }

private:
    void serve(int client) {
        const timeval wait{10, 0};
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        std::string in;
        char buffer[4096];
        for (;;) {
            const std::size_t end = in.find("\r\n\r\n");
            if (in.starts_with("PUT "))
                return;
            const std::size_t length_at = in.find("Content-Length: ");
            const std::size_t body =
                length_at < end ? std::strtoul(in.c_str() + length_at + 16, nullptr, 10) : 0;
            if (end == std::string::npos || in.size() < end + 4 + body) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return;
                in.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            const bool listing = in.substr(0, end).find("Depth: 1") != std::string::npos;
            in.erase(0, end + 4 + body);
            const std::string xml =
                listing && next_ < listings_.size()
                    ? listings_[next_++]
                    : "<D:multistatus xmlns:D=\"DAV:\"><D:response><D:href>/s/</D:href>"
                      "<D:propstat><D:prop><D:resourcetype><D:collection/></D:resourcetype>"
                      "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>"
                      "</D:multistatus>";
            const std::string answer =
                "HTTP/1.1 207 Multi-Status\r\nContent-Length: " + std::to_string(xml.size()) +
                "\r\n\r\n" + xml;
            if (::send(client, answer.data(), answer.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(answer.size()))
                return;
        }
    }

    std::vector<std::string> listings_;
    std::size_t next_ = 0;
    std::vector<int> stalled_; // every connection, closed at the end
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Publishes job as the window does; the lines it showed, and whether it succeeded.
bool publish(FTPJob& job, const TrustSettings& trust, std::vector<std::string>& lines) {
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams(trust));
    const Status connected = sender.connect();
    EXPECT_EQ(connected.error_text(), "");
    EXPECT_TRUE(test::poll_until(sender, [&] { return sender.finished(); }));
    lines = sender.lines();
    return connected && sender.succeeded();
}

} // namespace

TEST(WebDav, PublishesATreeThenOnlyWhatChanged) {
    DavServer server;
    ASSERT_EQ(server.error(), "");
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string dir = tmp.path();
    const std::vector<std::pair<std::string, std::string>> files = {
        {"ep1.mp3", "media/2024/ep 1 #1?.mp3"},
        {"ep2.ogg", "media/2024/ep2.ogg"},
        {"cover.jpg", "media/cover.jpg"},
        {"feed.xml", "feed.xml"},
        {"show.qprj", "show.qprj"}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_TRUE(write_file(dir + files[i].first, test::random_bytes(1000 + 150000 * i, i)));
        set_mtime(dir + files[i].first, std::time(nullptr) - 3600);
    }
    ASSERT_TRUE(write_file(server.root() + "feed.xml", "an older feed"));

    FTPJob job;
    test::fill_job(job, server.login(), dir, files);
    std::vector<std::string> lines;
    ASSERT_TRUE(publish(job, {}, lines));
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 5);
    for (const auto& [local, remote] : files)
        EXPECT_TRUE(stored(dir + local) == stored(server.root() + remote)) << remote;
    EXPECT_FALSE(file_exists(server.root() + ftp_part_name("feed.xml")));

    // Nothing changed: every file is skipped.
    FTPJob again;
    test::fill_job(again, server.login(), dir, files);
    ASSERT_TRUE(publish(again, {}, lines));
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 0);
    EXPECT_EQ(count(lines, "FTP\\Send.TooOldFile"), 5);

    // One file changes: only it goes again.
    ASSERT_TRUE(write_file(dir + "ep2.ogg", "second episode, edited"));
    set_mtime(dir + "ep2.ogg", std::time(nullptr) + 120);
    FTPJob third;
    test::fill_job(third, server.login(), dir, files);
    ASSERT_TRUE(publish(third, {}, lines));
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 1);
    EXPECT_EQ(stored(server.root() + "media/2024/ep2.ogg"), "second episode, edited");
}

// Everything goes over the one connection the session keeps, which shows what was asked.
TEST(WebDav, FoldersListingRenameAndBackgroundSendOnOneConnection) {
    DavServer server;
    ASSERT_EQ(server.error(), "");
    test::TcpRelay relay(server.port());
    const SessionOpened opened = open_webdav(
        server.login("http://127.0.0.1:" + std::to_string(relay.port()) + "/dav"), quick_options());
    ASSERT_TRUE(opened.ok()) << opened.error_text();
    FtpSession& s = *opened.value();
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());

    EXPECT_EQ(s.get_directory(), "/");
    EXPECT_EQ(s.set_directory("..").error_text(), "");
    EXPECT_EQ(s.set_directory("missing").kind(), ErrorKind::NotFound);
    ASSERT_EQ(s.create_directory("pod casts").error_text(), "");
    EXPECT_EQ(s.create_directory("pod casts").error_text(), ""); // exists as a folder
    ASSERT_TRUE(write_file(server.root() + "plain", "a file"));
    EXPECT_NE(s.create_directory("plain").error_text(), "");
    EXPECT_NE(s.set_directory("plain").error_text(), "");
    ASSERT_EQ(s.set_directory("pod casts").error_text(), "");
    EXPECT_EQ(s.get_directory(), "/pod casts");

    const std::string content = test::random_bytes(3 * 1024 * 1024 + 17, 5);
    ASSERT_TRUE(write_file(tmp.path() + "big.bin", content));
    ASSERT_TRUE(write_file(tmp.path() + "empty.bin", ""));
    s.set_object_headers({"audio/mpeg", ""});
    ASSERT_EQ(s.send_file(tmp.path() + "big.bin", "big.bin.part", SendMode::Background)
                  .status.error_text(),
              "");
    for (int i = 0; i < 3000 && s.progress().running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(s.progress().state, TransferState::Done) << s.transfer_error().text;
    EXPECT_EQ(s.progress().sent, static_cast<std::int64_t>(content.size()));
    ASSERT_TRUE(write_file(server.root() + "pod casts/big.bin", "old"));
    ASSERT_EQ(s.rename("big.bin.part", "big.bin").error_text(), "");
    EXPECT_TRUE(stored(server.root() + "pod casts/big.bin") == content);
    s.set_object_headers({});
    EXPECT_EQ(
        s.send_file(tmp.path() + "empty.bin", "empty é.bin", SendMode::Wait).status.error_text(),
        "");
    EXPECT_EQ(stored(server.root() + "pod casts/empty é.bin"), "");
    EXPECT_NE(s.send_file(tmp.path() + "none.bin", "none.bin", SendMode::Wait).status.error_text(),
              "");
    ASSERT_EQ(s.create_directory("sub").error_text(), "");

    ASSERT_EQ(s.list_directory().error_text(), "");
    std::vector<std::string> names;
    for (const FtpEntry& e : s.entries()) {
        names.push_back(e.name + (e.type == EntryType::Directory ? "/" : ""));
        if (e.name == "big.bin") {
            EXPECT_EQ(e.size, static_cast<std::int64_t>(content.size()));
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "empty é.bin", "sub/"}));
    const auto info = file_info(server.root() + "pod casts/big.bin");
    ASSERT_TRUE(info);
    EXPECT_EQ(s.modification_time("big.bin"), info->mtime_utc);
    EXPECT_EQ(s.modification_time("gone.bin"), std::nullopt);
    EXPECT_EQ(s.delete_file("empty é.bin").error_text(), "");
    EXPECT_FALSE(file_exists(server.root() + "pod casts/empty é.bin"));
    EXPECT_EQ(s.delete_file("empty é.bin").kind(), ErrorKind::NotFound);
    EXPECT_EQ(s.set_directory("..").error_text(), "");
    EXPECT_EQ(s.get_directory(), "/");

    const std::string wire = relay.from_client();
    EXPECT_NE(wire.find("PUT /dav/pod%20casts/big.bin.part HTTP/1.1\r\n"), std::string::npos);
    EXPECT_NE(wire.find("Content-Type: audio/mpeg\r\n"), std::string::npos);
    EXPECT_NE(wire.find("Destination: http://127.0.0.1:" + std::to_string(relay.port()) +
                        "/dav/pod%20casts/big.bin\r\n"),
              std::string::npos);
    EXPECT_NE(wire.find("PUT /dav/pod%20casts/empty%20%C3%A9.bin HTTP/1.1\r\n"), std::string::npos);
}

TEST(WebDav, TheAccountIsCheckedWithBasicOrDigest) {
    DavServer server;
    ASSERT_EQ(server.error(), "");
    FtpLogin wrong = server.login();
    wrong.password += "x";
    EXPECT_EQ(open_webdav(wrong, quick_options()).kind(), ErrorKind::AuthRefused);
    EXPECT_EQ(open_webdav(server.login(server.address() + "missing/"), quick_options()).kind(),
              ErrorKind::NotFound);
    EXPECT_EQ(open_webdav(server.login("ftp://127.0.0.1/dav/"), quick_options()).kind(),
              ErrorKind::BadInput);
    FtpLogin digest_wrong = server.login(server.digest_address());
    digest_wrong.password += "x";
    EXPECT_EQ(open_webdav(digest_wrong, quick_options()).kind(), ErrorKind::AuthRefused);

    const SessionOpened digest =
        open_webdav(server.login(server.digest_address()), quick_options());
    ASSERT_TRUE(digest.ok()) << digest.error_text();
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string content = test::random_bytes(200000, 3);
    ASSERT_TRUE(write_file(tmp.path() + "ep.mp3", content));
    FtpSession& s = *digest.value();
    ASSERT_EQ(s.create_directory("media").error_text(), "");
    ASSERT_EQ(s.set_directory("media").error_text(), "");
    ASSERT_EQ(s.send_file(tmp.path() + "ep.mp3", "ep.mp3", SendMode::Wait).status.error_text(), "");
    ASSERT_EQ(s.rename("ep.mp3", "episode.mp3").error_text(), "");
    EXPECT_TRUE(stored(server.root() + "../digest/media/episode.mp3") == content);
}

// A server that takes the connection and never answers.
TEST(WebDav, WaitsEndByTimeOutOrCancel) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/dav/";
    FtpLogin login;
    login.server = url;
    login.protocol = Protocol::WebDav;

    FtpOptions o;
    o.timeout_ms = 500;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(open_webdav(login, o).kind(), ErrorKind::Timeout);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));

    std::atomic<bool> cancel{false};
    o.timeout_ms = 20000;
    o.cancel = &cancel;
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(open_webdav(login, o).kind(), ErrorKind::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    later.join();
    ::close(listener);

    login.server = url; // nothing listens there any more
    EXPECT_EQ(open_webdav(login, quick_options()).kind(), ErrorKind::Unreachable);
}

// A server that stops reading an upload: Abort ends a background one, and a waiting one ends
// once nothing moved for the time-out.
TEST(WebDav, AStalledUploadEndsByAbortOrTimeOut) {
    CannedShare share({});
    FtpLogin login;
    login.server = share.address();
    login.protocol = Protocol::WebDav;
    FtpOptions o;
    o.timeout_ms = 1500;
    const SessionOpened opened = open_webdav(login, o);
    ASSERT_TRUE(opened.ok()) << opened.error_text();
    FtpSession& s = *opened.value();
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    ASSERT_TRUE(write_file(tmp.path() + "big.bin", std::string(std::size_t{64} << 20, 'b')));

    s.set_object_headers({"audio/mpeg", ""});
    ASSERT_TRUE(s.send_file(tmp.path() + "big.bin", "a.bin", SendMode::Background).status.ok());
    for (int i = 0; i < 300 && s.progress().sent == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(s.progress().running());
    auto started = std::chrono::steady_clock::now();
    s.abort_file();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(s.progress().state, TransferState::Failed);
    EXPECT_EQ(s.transfer_error().kind, ErrorKind::Cancelled) << s.transfer_error().text;

    started = std::chrono::steady_clock::now();
    const SendResult waited = s.send_file(tmp.path() + "big.bin", "b.bin", SendMode::Wait);
    EXPECT_EQ(waited.status.kind(), ErrorKind::Timeout) << waited.status.error_text();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(s.progress().state, TransferState::Failed);
}

// Names come percent-decoded from paths or whole addresses, with the folder left out; an answer
// that declares a DTD is refused rather than expanded.
TEST(WebDav, ListingsAreReadSafely) {
    const std::string file =
        "<D:response><D:href>http://127.0.0.1/s/ep%201%C3%A9.mp3</D:href><D:propstat><D:prop>"
        "<D:getcontentlength>1234</D:getcontentlength>"
        "<D:getlastmodified>Tue, 08 Dec 2026 11:05:39 GMT</D:getlastmodified><D:resourcetype/>"
        "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat><D:propstat><D:prop>"
        "<D:getcontentlength>99</D:getcontentlength></D:prop>"
        "<D:status>HTTP/1.1 404 Not Found</D:status></D:propstat></D:response>";
    const std::string folder =
        "<D:response><D:href>/s/media/</D:href><D:propstat><D:prop><D:resourcetype>"
        "<D:collection/></D:resourcetype></D:prop><D:status>HTTP/1.1 200 OK</D:status>"
        "</D:propstat></D:response>";
    const std::string self =
        "<D:response><D:href>/s</D:href><D:propstat><D:prop><D:resourcetype><D:collection/>"
        "</D:resourcetype></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>";
    const std::string entities =
        "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
        "<D:multistatus xmlns:D=\"DAV:\"><D:response><D:href>/s/&b;</D:href></D:response>"
        "</D:multistatus>";
    CannedShare share(
        {"<D:multistatus xmlns:D=\"DAV:\">" + self + file + folder + "</D:multistatus>", entities});
    FtpLogin login;
    login.server = share.address();
    login.protocol = Protocol::WebDav;
    const SessionOpened opened = open_webdav(login, quick_options());
    ASSERT_TRUE(opened.ok()) << opened.error_text();
    FtpSession& s = *opened.value();
    ASSERT_EQ(s.list_directory().error_text(), "");
    ASSERT_EQ(s.entries().size(), 2U);
    EXPECT_EQ(s.entries()[0].name, "ep 1é.mp3");
    EXPECT_EQ(s.entries()[0].size, 1234);
    EXPECT_EQ(s.entries()[0].type, EntryType::File);
    EXPECT_EQ(s.entries()[1].name, "media");
    EXPECT_EQ(s.entries()[1].type, EntryType::Directory);
    EXPECT_EQ(s.list_directory().kind(), ErrorKind::BadInput);
    EXPECT_TRUE(s.entries().empty());
}

TEST(WebDav, ASelfSignedServerIsAskedAbout) {
    DavServer server(true);
    ASSERT_EQ(server.error(), "");
    const test::ProcessResult shown =
        test::run_process({"/usr/bin/openssl", "x509", "-in", server.certificate(), "-noout",
                           "-fingerprint", "-sha256"});
    const std::string fingerprint = first_line(shown.out.substr(shown.out.find('=') + 1));
    ASSERT_EQ(fingerprint.size(), 95U) << shown.out;
    const std::string key = trust_server_key("127.0.0.1", server.port());
    std::vector<TrustQuestion> questions;
    std::vector<TrustQuestion> warnings;
    const auto trust = [&](TrustDecision answer) {
        TrustSettings t;
        t.prompt = [&questions, answer](const TrustQuestion& q) {
            questions.push_back(q);
            return answer;
        };
        t.warn = [&warnings](const TrustQuestion& w) { warnings.push_back(w); };
        return t;
    };
    FtpOptions o = quick_options();

    o.trust = trust(TrustDecision::Refuse);
    EXPECT_EQ(open_webdav(server.login(), o).kind(), ErrorKind::Unverified);
    ASSERT_EQ(questions.size(), 1U);
    EXPECT_EQ(questions[0].server, key);
    EXPECT_EQ(questions[0].fingerprint, fingerprint);

    // Accepted at the prompt: the job publishes over the pinned certificate.
    questions.clear();
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string content = test::random_bytes(100000, 9);
    ASSERT_TRUE(write_file(tmp.path() + "ep.mp3", content));
    FTPJob job;
    test::fill_job(job, server.login(), tmp.path(), {{"ep.mp3", "a/b/ep.mp3"}});
    std::vector<std::string> lines;
    EXPECT_TRUE(publish(job, trust(TrustDecision::AcceptOnce), lines));
    EXPECT_EQ(questions.size(), 1U);
    EXPECT_TRUE(stored(server.root() + "a/b/ep.mp3") == content);

    // A stored fingerprint opens without a question; another one is refused without one.
    questions.clear();
    o.trust = trust(TrustDecision::AcceptOnce);
    o.trust.accepted[key] = fingerprint;
    EXPECT_EQ(open_webdav(server.login(), o).error_text(), "");
    std::string other = fingerprint;
    other[0] = other[0] == 'A' ? 'B' : 'A';
    o.trust.accepted[key] = other;
    EXPECT_EQ(open_webdav(server.login(), o).kind(), ErrorKind::IdentityChanged);
    EXPECT_TRUE(questions.empty());
    ASSERT_EQ(warnings.size(), 1U);
    EXPECT_EQ(warnings[0].fingerprint, fingerprint);

    // The certificate as an extra authority verifies it.
    o.trust = trust(TrustDecision::Refuse);
    o.trust.ca_file = server.certificate();
    EXPECT_EQ(open_webdav(server.login(), o).error_text(), "");
    EXPECT_TRUE(questions.empty());
}
