#include "net/http_fetch.h"

#include "core/text.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace qp::net {

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

int on_progress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->options->cancel && t->options->cancel->load(std::memory_order_relaxed))
        return 1;
    if (t->options->progress)
        t->options->progress(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
    return 0;
}

} // namespace

Result<std::string> fetch_address(const std::string& url, const FetchOptions& options) {
    if (!istarts_with(url, "http://") && !istarts_with(url, "https://"))
        return make_error(ErrorKind::BadInput, "Not a web address: " + url);
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    const std::unique_ptr<CURL, void (*)(CURL*)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        return make_error(ErrorKind::Failed, "The transfer library cannot start");
    CURL* e = easy.get();
    Transfer t;
    t.options = &options;
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kFetchMaxRedirects);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, options.timeout_ms > 0 ? options.timeout_ms : 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, ""); // every encoding the library decodes
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.max_bytes));
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Quillpost");
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
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
