// Publishes a project to an S3-compatible store as the publishing command does: loads it, writes
// its RSS file, runs the job with every file sent (no date check). The store comes from the
// environment: QP_S3_ENDPOINT, QP_S3_BUCKET, QP_S3_ACCESS_KEY, QP_S3_SECRET_KEY.
// Usage: s3_publish PROJECT   (exit 0 when every file was sent); bench/s3_vs_curl.sh runs it.
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_create.h"
#include "core/texts.h"
#include "net/ftp_job.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace qp;

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: s3_publish PROJECT\n");
        return 2;
    }
    const std::string project = argv[1];
    Log log;
    Doc doc;
    if (const FileResult r = LoadDoc(doc, project, log); !r.ok()) {
        std::fprintf(stderr, "s3_publish: %s\n", r.error_text().c_str());
        return 1;
    }
    doc.FileName = project;
    doc.Protocol = Protocol::S3;
    doc.Client = env("QP_S3_ENDPOINT");
    doc.User = env("QP_S3_ACCESS_KEY");
    doc.S3Bucket = env("QP_S3_BUCKET");
    doc.S3PathStyle = 1;
    const std::string folder = project.substr(0, project.rfind('/') + 1);
    const RssCreateResult made = Rss_Create(doc, log, Paths(folder, folder, "/opt/", ""));
    if (!made.error.empty()) {
        std::fprintf(stderr, "s3_publish: %s\n", made.error.c_str());
        return 1;
    }
    net::FTPJob job;
    net::ftp_set_account(job, doc);
    job.password = env("QP_S3_SECRET_KEY");
    job.check_addresses = false;
    net::ftp_add_uploads(job, made.job, doc);
    net::ftp_add_channel_files(job, doc, made.rss_path);
    KeyTexts texts;
    net::FtpSender sender(job, texts, net::ftp_client_seams());
    sender.set_date_check(false);
    if (const Status connected = sender.connect(); !connected) {
        std::fprintf(stderr, "s3_publish: %s\n", connected.error_text().c_str());
        return 1;
    }
    while (!sender.finished()) {
        sender.poll();
        if (!sender.finished())
            sender.wait(50);
    }
    sender.close();
    if (!sender.succeeded()) {
        for (const std::string& line : sender.lines())
            std::fprintf(stderr, "%s\n", line.c_str());
        return 1;
    }
    return 0;
}
