#include "net/http_fetch.h"

#include "core/text.h"
#include "net/http_check.h"
#include "net/web_request.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qp::net {

void web_transfers_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void set_web_request(CURL* e, const std::string& url, char* error) {
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Quillpost");
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
}

namespace {

struct Transfer {
    const FetchOptions* options = nullptr;
    std::string body;
    bool too_large = false;
};

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    // Counted after decoding, so a small compressed answer cannot unpack past the limit.
    if (t->body.size() + n > t->options->max_bytes) {
        t->too_large = true;
        return 0;
    }
    t->body.append(data, n);
    return n;
}

// What every GET of the program asks besides: at most kFetchMaxRedirects redirects.
void set_web_get(CURL* e, const std::string& url, char* error) {
    set_web_request(e, url, error);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kFetchMaxRedirects);
}

int on_progress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->options->cancel && t->options->cancel->load(std::memory_order_relaxed))
        return 1;
    if (t->options->progress)
        t->options->progress(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
    return 0;
}

struct FileTransfer {
    const DownloadOptions* options = nullptr;
    CURL* easy = nullptr;
    int fd = -1;
    std::uint64_t resumed_from = 0; // what the part held when the transfer began
    std::uint64_t written = 0;      // in this transfer
    bool checked_status = false;
    long refused_status = 0; // an answer that is not the file, whose page is not written
    bool too_large = false;
    bool write_failed = false;
    int write_errno = 0;
};

size_t on_file_body(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<FileTransfer*>(user);
    const std::size_t n = size * count;
    if (!t->checked_status) {
        t->checked_status = true;
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status < 200 || status >= 300) {
            t->refused_status = status;
            return 0;
        }
        // A server that ignores the range sends the whole file: the part starts again.
        if (status == 200 && t->resumed_from > 0) {
            if (::ftruncate(t->fd, 0) != 0 || ::lseek(t->fd, 0, SEEK_SET) != 0) {
                t->write_failed = true;
                t->write_errno = errno;
                return 0;
            }
            t->resumed_from = 0;
        }
    }
    if (t->resumed_from + t->written + n > t->options->max_bytes) {
        t->too_large = true;
        return 0;
    }
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(t->fd, data + done, n - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            t->write_failed = true;
            t->write_errno = errno;
            return 0;
        }
        done += static_cast<std::size_t>(w);
    }
    t->written += n;
    return n;
}

int on_file_progress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto* t = static_cast<FileTransfer*>(user);
    if (t->options->cancel && t->options->cancel->load(std::memory_order_relaxed))
        return 1;
    if (t->options->progress)
        t->options->progress(t->resumed_from + static_cast<std::uint64_t>(done),
                             total > 0 ? t->resumed_from + static_cast<std::uint64_t>(total) : 0);
    return 0;
}

std::uint64_t file_size(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
               ? static_cast<std::uint64_t>(st.st_size)
               : 0;
}

} // namespace

Result<std::string> fetch_address(const std::string& url, const FetchOptions& options) {
    if (!http_is_web_address(url))
        return make_error(ErrorKind::BadInput, "Not a web address: " + url);
    web_transfers_init();
    const std::unique_ptr<CURL, void (*)(CURL*)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        return make_error(ErrorKind::Failed, "The transfer library cannot start");
    CURL* e = easy.get();
    Transfer t;
    t.options = &options;
    char error[CURL_ERROR_SIZE] = {};
    set_web_get(e, url, error);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, options.timeout_ms > 0 ? options.timeout_ms : 1L);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, ""); // every encoding the library decodes
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.max_bytes));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &t);

    const CURLcode rc = curl_easy_perform(e);
    const std::string why = error[0] != '\0' ? error : curl_easy_strerror(rc);
    const std::string limit = std::to_string(options.max_bytes >> 20) + " MB";
    switch (rc) {
    case CURLE_OK:
        break;
    case CURLE_WRITE_ERROR:
    case CURLE_FILESIZE_EXCEEDED:
        if (t.too_large || rc == CURLE_FILESIZE_EXCEEDED)
            return make_error(ErrorKind::TooLarge, url + " is larger than " + limit);
        return make_error(ErrorKind::Failed, url + ": " + why);
    case CURLE_ABORTED_BY_CALLBACK:
        return make_error(ErrorKind::Cancelled, "The download was cancelled");
    case CURLE_OPERATION_TIMEDOUT:
        return make_error(ErrorKind::Timeout, url + ": no complete answer within " +
                                                  std::to_string(options.timeout_ms / 1000) + " s");
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return make_error(ErrorKind::Unreachable, url + ": " + why);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return make_error(ErrorKind::Unverified, url + ": " + why);
    case CURLE_TOO_MANY_REDIRECTS:
        return make_error(ErrorKind::Failed, url + ": more than " +
                                                 std::to_string(kFetchMaxRedirects) +
                                                 " redirections");
    default:
        return make_error(ErrorKind::Failed, url + ": " + why);
    }
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    if (status == 404 || status == 410)
        return make_error(ErrorKind::NotFound,
                          url + ": the server has no such file (" + std::to_string(status) + ")");
    if (status < 200 || status >= 300)
        return make_error(ErrorKind::Refused,
                          url + ": the server answered " + std::to_string(status));
    return std::move(t.body);
}

} // namespace qp::net

namespace qp::net {

Result<std::uint64_t> download_file(const std::string& url, const std::string& path,
                                    std::uint64_t expected, const DownloadOptions& options) {
    if (!http_is_web_address(url))
        return make_error(ErrorKind::BadInput, "Not a web address: " + url);
    if (expected > 0 && file_size(path) == expected)
        return expected;
    web_transfers_init();
    const std::string part = path + ".part";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return make_error(ErrorKind::ReadOnly, "Can't write " + part + ": " + std::strerror(errno));
    const std::unique_ptr<int, void (*)(const int*)> closer(new int(fd), [](const int* f) {
        ::close(*f);
        delete f;
    });
    FileTransfer t;
    t.options = &options;
    t.fd = fd;
    t.resumed_from = file_size(part);
    const auto finish_whole = [&]() -> Result<std::uint64_t> {
        const std::uint64_t size = file_size(part);
        if (expected > 0 && size != expected) {
            (void)::unlink(part.c_str());
            return make_error(ErrorKind::BadInput, url + ": " + std::to_string(size) +
                                                       " bytes came, the feed states " +
                                                       std::to_string(expected));
        }
        if (::fsync(fd) != 0 || std::rename(part.c_str(), path.c_str()) != 0)
            return make_error(ErrorKind::Failed,
                              "Can't write " + path + ": " + std::strerror(errno));
        return size;
    };
    if (expected > 0 && t.resumed_from == expected)
        return finish_whole();

    const std::unique_ptr<CURL, void (*)(CURL*)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        return make_error(ErrorKind::Failed, "The transfer library cannot start");
    CURL* e = easy.get();
    t.easy = e;
    char error[CURL_ERROR_SIZE] = {};
    set_web_get(e, url, error);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, options.stall_seconds);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_file_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, on_file_progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &t);
    // A plain range rather than the library's resume, which refuses a server that sends the
    // whole file instead; such an answer starts the part again.
    const std::string range = std::to_string(t.resumed_from) + "-";
    if (t.resumed_from > 0)
        curl_easy_setopt(e, CURLOPT_RANGE, range.c_str());

    const CURLcode rc = curl_easy_perform(e);
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    const std::string why = error[0] != '\0' ? error : curl_easy_strerror(rc);
    if (t.write_failed)
        return make_error(ErrorKind::Failed,
                          "Can't write " + part + ": " + std::strerror(t.write_errno));
    if (t.too_large)
        return make_error(ErrorKind::TooLarge, url + " is larger than " +
                                                   std::to_string(options.max_bytes >> 20) + " MB");
    if (rc != CURLE_OK && t.refused_status == 0) {
        switch (rc) {
        case CURLE_ABORTED_BY_CALLBACK:
            return make_error(ErrorKind::Cancelled, "The download was cancelled");
        case CURLE_OPERATION_TIMEDOUT:
            return make_error(ErrorKind::Timeout, url + ": " + why);
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            return make_error(ErrorKind::Unreachable, url + ": " + why);
        case CURLE_PEER_FAILED_VERIFICATION:
            return make_error(ErrorKind::Unverified, url + ": " + why);
        default:
            return make_error(ErrorKind::Failed, url + ": " + why);
        }
    }
    // 416: the range starts at the end of the file, which the part holds whole already.
    if (status == 404 || status == 410)
        return make_error(ErrorKind::NotFound,
                          url + ": the server has no such file (" + std::to_string(status) + ")");
    if ((status < 200 || status >= 300) && status != 416)
        return make_error(ErrorKind::Refused,
                          url + ": the server answered " + std::to_string(status));
    return finish_whole();
}

} // namespace qp::net
