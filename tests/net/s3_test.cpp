// The object store session and the publishing job against a real S3-compatible store on
// loopback, started once for all the cases by scripts/s3_server.sh.
#include "net/s3_session.h"

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/rss_create.h"
#include "net/ftp_job.h"
#include "net/job_run.h"
#include "net/random_bytes.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <thread>

using namespace qp;
using namespace qp::net;

namespace {

struct Store {
    std::string dir;
    std::map<std::string, std::string> values; // ENDPOINT, ACCESS_KEY, SECRET_KEY, BUCKET
    std::string error;                         // why it did not start
};

Store& store() {
    static Store s;
    return s;
}

std::string script() {
    return std::string(QP_SOURCE_DIR) + "/scripts/s3_server.sh";
}

class StoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Store& s = store();
        char folder[] = "/tmp/qp-s3-XXXXXX";
        if (!::mkdtemp(folder)) {
            s.error = "no temporary folder";
            return;
        }
        s.dir = folder;
        test::ProcessOptions options;
        options.timeout = std::chrono::seconds(90);
        const test::ProcessResult r =
            test::run_process({"/bin/bash", script(), "start", s.dir}, options);
        for (std::size_t at = 0; at < r.out.size();) {
            const std::size_t end = std::min(r.out.find('\n', at), r.out.size());
            const std::string line = r.out.substr(at, end - at);
            if (const std::size_t eq = line.find('='); eq != std::string::npos)
                s.values[line.substr(0, eq)] = line.substr(eq + 1);
            at = end + 1;
        }
        if (r.status != 0 || s.values.size() < 4)
            s.error = "the store did not start: " + r.error + r.err;
    }
    void TearDown() override {
        if (!store().dir.empty())
            (void)test::run_process({"/bin/bash", script(), "stop", store().dir});
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new StoreEnvironment);

FtpLogin login() {
    FtpLogin l;
    l.server = store().values["ENDPOINT"];
    l.user = store().values["ACCESS_KEY"];
    l.password = store().values["SECRET_KEY"];
    l.protocol = Protocol::S3;
    l.store.bucket = store().values["BUCKET"];
    l.store.path_style = true;
    return l;
}

struct Answer {
    long status = 0;
    std::string body;
    std::string headers;
};

size_t keep(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// A signed request of the tests' own, beside the session: what the store really holds.
Answer ask(const std::string& method, const std::string& key_and_query) {
    const FtpLogin l = login();
    Answer a;
    CURL* e = curl_easy_init();
    const std::string url = l.server + "/" + l.store.bucket + "/" + key_and_query;
    const std::string keys = l.user + ":" + l.password;
    curl_slist* list = curl_slist_append(nullptr, "x-amz-content-sha256: UNSIGNED-PAYLOAD");
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_AWS_SIGV4, "aws:amz:us-east-1:s3");
    curl_easy_setopt(e, CURLOPT_USERPWD, keys.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, 60L);
    if (method == "HEAD")
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &a.body);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, keep);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &a.headers);
    if (curl_easy_perform(e) == CURLE_OK)
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &a.status);
    curl_slist_free_all(list);
    curl_easy_cleanup(e);
    return a;
}

// Distinct in every megabyte, so a part sent in the wrong place shows.
std::string episode_bytes(std::size_t megabytes) {
    const std::string block = test::random_bytes(std::size_t{1} << 20, 7);
    std::string bytes;
    bytes.reserve(megabytes << 20);
    for (std::size_t i = 0; i < megabytes; ++i) {
        bytes += block;
        std::memcpy(bytes.data() + (i << 20), &i, sizeof i);
    }
    return bytes;
}

long count(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.starts_with(prefix); });
}

class S3 : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(store().error, ""); }
};

TEST_F(S3, PublishesATreeByteForByteThenOnlyWhatChanged) {
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string& dir = tmp.path();
    const std::string big = episode_bytes(70); // above the size sent in parts
    ASSERT_TRUE(write_file(dir + "big.mp3", big));
    ASSERT_TRUE(write_file(dir + "small.mp3", "a short episode"));
    Doc doc;
    DocDefaults(doc);
    doc.FileName = dir + "show.qprj";
    doc.Protocol = Protocol::S3;
    doc.Client = login().server;
    doc.User = login().user;
    doc.S3Bucket = login().store.bucket;
    doc.S3PathStyle = 1;
    doc.PathFTP = "site/";
    doc.CacheMedia = "max-age=86400";
    doc.CacheFeed = "max-age=60";
    for (const char* name : {"big.mp3", "small.mp3"}) {
        Feed f;
        f.FeedFile = dir + name;
        f.FeedFileOnFTP = "media/2026/";
        f.FeedFlag = kUploadFile;
        doc.Feeds.push_back(f);
    }
    Log log;
    const RssCreateResult made = Rss_Create(doc, log, Paths(dir, dir, "/opt/", ""));
    ASSERT_TRUE(made.error.empty()) << made.error;
    const auto publish = [&](std::vector<std::string>& lines) {
        FTPJob job;
        ftp_add_uploads(job, made.job, doc);
        ftp_add_feed_files(job, doc, made.rss_path);
        job.password = login().password;
        KeyTexts texts;
        FtpSender sender(job, texts, ftp_client_seams());
        EXPECT_EQ(sender.connect().error_text(), "");
        const bool ended = test::poll_until(
            sender, [&] { return sender.finished(); }, 6000);
        lines = sender.lines();
        return ended && sender.succeeded();
    };
    std::vector<std::string> lines;
    ASSERT_TRUE(publish(lines)) << ::testing::PrintToString(lines);
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 3);
    std::string mine;
    for (const auto& [local, key] :
         {std::pair<std::string, std::string>{"big.mp3", "site/media/2026/big.mp3"},
          {"small.mp3", "site/media/2026/small.mp3"},
          {"show.Xml", "site/show.Xml"}}) {
        ASSERT_TRUE(read_file(dir + local, mine));
        const Answer got = ask("GET", key);
        EXPECT_EQ(got.status, 200) << key;
        EXPECT_TRUE(got.body == mine) << key << ": " << got.body.size() << " bytes";
    }
    // Each object keeps the type and caching rule the job handed over, the one assembled from
    // parts as well.
    const Answer big_head = ask("HEAD", "site/media/2026/big.mp3");
    EXPECT_NE(big_head.headers.find("Content-Type: audio/mpeg\r\n"), std::string::npos)
        << big_head.headers;
    EXPECT_NE(big_head.headers.find("Cache-Control: max-age=86400\r\n"), std::string::npos)
        << big_head.headers;
    const Answer feed_head = ask("HEAD", "site/show.Xml");
    EXPECT_NE(feed_head.headers.find("Content-Type: application/rss+xml\r\n"), std::string::npos)
        << feed_head.headers;
    EXPECT_NE(feed_head.headers.find("Cache-Control: max-age=60\r\n"), std::string::npos)
        << feed_head.headers;

    // Nothing changed since: every object is skipped.
    ASSERT_TRUE(publish(lines)) << ::testing::PrintToString(lines);
    EXPECT_EQ(count(lines, "FTP\\Send.Ok "), 0);
    EXPECT_EQ(count(lines, "FTP\\Send.TooOldFile"), 3);
}

TEST_F(S3, OpeningTellsWhyTheAccountFails) {
    FtpLogin wrong = login();
    wrong.password += "x";
    SessionOpened opened = open_s3(wrong);
    EXPECT_EQ(opened.kind(), ErrorKind::AuthRefused);
    EXPECT_NE(opened.error_text().find("SignatureDoesNotMatch"), std::string::npos)
        << opened.error_text();
    wrong = login();
    wrong.user = "NOSUCHKEY";
    EXPECT_EQ(open_s3(wrong).kind(), ErrorKind::AuthRefused);
    wrong = login();
    wrong.store.bucket = "no-such-bucket";
    EXPECT_EQ(open_s3(wrong).kind(), ErrorKind::NotFound);
    wrong = login();
    wrong.server = "ftp://127.0.0.1/";
    EXPECT_EQ(open_s3(wrong).kind(), ErrorKind::BadInput);
    wrong.server = "http://127.0.0.1:1"; // nothing listens there
    EXPECT_EQ(open_s3(wrong).kind(), ErrorKind::Unreachable);
    EXPECT_TRUE(open_s3(login()));
}

TEST_F(S3, ACancelledUploadLeavesNoPartsBehind) {
    const test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    ASSERT_TRUE(write_file(tmp.path() + "long.mp3", episode_bytes(96)));
    SessionOpened opened = open_s3(login());
    ASSERT_TRUE(opened) << opened.error_text();
    FtpSession& session = *opened.value();
    ASSERT_TRUE(session.set_directory("cut"));
    ASSERT_EQ(session.send_file(tmp.path() + "long.mp3", "long.mp3", SendMode::Background)
                  .status.error_text(),
              "");
    for (int i = 0; i < 20000 && session.progress().sent == 0 && session.progress().running(); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    session.abort_file();
    EXPECT_EQ(session.progress().state, TransferState::Failed);
    EXPECT_EQ(session.transfer_error().kind, ErrorKind::Cancelled) << session.transfer_error().text;
    const Answer uploads = ask("GET", "?uploads=");
    EXPECT_EQ(uploads.status, 200);
    EXPECT_EQ(uploads.body.find("<Upload>"), std::string::npos) << uploads.body;
    EXPECT_EQ(ask("HEAD", "cut/long.mp3").status, 404);
}

} // namespace
