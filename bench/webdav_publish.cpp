// Publishes files to a WebDAV share through the publishing job, as a whole process, for
// bench/webdav_vs_curl.sh. The account comes from the environment (QP_DAV_ADDRESS, QP_DAV_USER,
// QP_DAV_PASSWORD); each argument is LOCAL=REMOTE. Exits 0 when every file was sent.
#include "core/texts.h"
#include "net/ftp_job.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace qp;
using namespace qp::net;

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

int main(int argc, char** argv) {
    FTPJob job;
    job.server = env("QP_DAV_ADDRESS");
    job.user = env("QP_DAV_USER");
    job.password = env("QP_DAV_PASSWORD");
    job.protocol = Protocol::WebDav;
    for (int i = 1; i < argc; ++i) {
        const std::string pair = argv[i];
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "webdav_publish: %s is not LOCAL=REMOTE\n", argv[i]);
            return 2;
        }
        FTPFile& file = job.files.emplace_back();
        file.local_file = pair.substr(0, equals);
        file.remote_path = pair.substr(equals + 1);
    }
    KeyTexts texts;
    FtpSender sender(job, texts, ftp_client_seams());
    sender.set_date_check(false);
    if (const Status connected = sender.connect(); !connected) {
        std::fprintf(stderr, "webdav_publish: %s\n", connected.error_text().c_str());
        return 1;
    }
    while (!sender.finished()) {
        sender.poll();
        sender.wait(10);
    }
    if (!sender.succeeded()) {
        for (const std::string& line : sender.lines())
            std::fprintf(stderr, "%s\n", line.c_str());
        return 1;
    }
    return 0;
}
