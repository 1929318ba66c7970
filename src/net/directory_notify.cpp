#include "net/directory_notify.h"

#include "net/http_check.h"
#include "net/web_request.h"

#include <algorithm>
#include <memory>
#include <string_view>

namespace qp::net {

namespace {

// Of an error page, only its start is shown.
constexpr std::size_t kAnswerShown = 200;

struct Exchange {
    const NotifyOptions* options = nullptr;
    std::string answer; // the first bytes of the body
};

size_t on_answer(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const std::size_t n = size * count;
    // One byte past what is shown tells whether there was more.
    if (x->answer.size() <= kAnswerShown)
        x->answer.append(data, std::min(n, kAnswerShown + 1 - x->answer.size()));
    return n;
}

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* x = static_cast<Exchange*>(user);
    return x->options->cancel && x->options->cancel->load(std::memory_order_relaxed) ? 1 : 0;
}

// The answer's start on one line of plain ASCII: a server's error page may hold anything.
std::string printable(const std::string& answer) {
    std::string out;
    for (const char c : std::string_view(answer).substr(0, kAnswerShown)) {
        const auto u = static_cast<unsigned char>(c);
        const char shown = u >= 0x20 && u < 0x7f                   ? c
                           : (u == '\t' || u == '\n' || u == '\r') ? ' '
                                                                   : '?';
        if (shown != ' ' || (!out.empty() && out.back() != ' '))
            out += shown;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    if (answer.size() > kAnswerShown)
        out += "...";
    return out;
}

std::string encoded(CURL* e, const std::string& text) {
    char* escaped = curl_easy_escape(e, text.data(), static_cast<int>(text.size()));
    if (!escaped)
        return {};
    std::string out = escaped;
    curl_free(escaped);
    return out;
}

using Easy = std::unique_ptr<CURL, void (*)(CURL*)>;

// Sends the request e is set up for to where (the address told in the texts).
Result<std::string> exchange(CURL* e, const std::string& where, const NotifyOptions& options,
                             char* error) {
    Exchange x;
    x.options = &options;
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, options.timeout_ms > 0 ? options.timeout_ms : 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_answer);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &x);
    const CURLcode rc = curl_easy_perform(e);
    const std::string why = error[0] != '\0' ? error : curl_easy_strerror(rc);
    switch (rc) {
    case CURLE_OK:
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        return make_error(ErrorKind::Cancelled, "The notice to " + where + " was cancelled");
    case CURLE_OPERATION_TIMEDOUT:
        return make_error(ErrorKind::Timeout, where + ": no answer within " +
                                                  std::to_string(options.timeout_ms / 1000) + " s");
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return make_error(ErrorKind::Unreachable, where + ": " + why);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return make_error(ErrorKind::Unverified, where + ": " + why);
    default:
        return make_error(ErrorKind::Failed, where + ": " + why);
    }
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status >= 300) {
        const std::string shown = printable(x.answer);
        return make_error(ErrorKind::Refused, where + " answered " + std::to_string(status) +
                                                  (shown.empty() ? "" : ": " + shown));
    }
    return where + " answered " + std::to_string(status);
}

Result<Easy> start(const std::string& url, const std::string& what) {
    if (!http_is_web_address(url))
        return make_error(ErrorKind::BadInput, "Not a web address for " + what + ": " + url);
    web_init();
    Easy easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        return make_error(ErrorKind::Failed, "The transfer library cannot start");
    return easy;
}

} // namespace

Result<std::string> websub_publish(const std::string& hub, const std::string& feed_url,
                                   const NotifyOptions& options) {
    Result<Easy> easy = start(hub, "the hub");
    if (!easy)
        return easy.error();
    CURL* e = easy->get();
    char error[CURL_ERROR_SIZE] = {};
    set_web_request(e, hub, error);
    const std::string body = "hub.mode=publish&hub.url=" + encoded(e, feed_url);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    // The library's own default, said out loud: the hub reads the form by it.
    const std::unique_ptr<curl_slist, void (*)(curl_slist*)> headers(
        curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded"),
        curl_slist_free_all);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    return exchange(e, hub, options, error);
}

Result<std::string> podcast_index_notify(const std::string& feed_url, const std::string& base,
                                         const NotifyOptions& options) {
    Result<Easy> easy = start(base, "Podcast Index");
    if (!easy)
        return easy.error();
    CURL* e = easy->get();
    const std::string url =
        base + (base.find('?') == std::string::npos ? "?" : "&") + "url=" + encoded(e, feed_url);
    char error[CURL_ERROR_SIZE] = {};
    set_web_request(e, url, error);
    return exchange(e, base, options, error);
}

} // namespace qp::net
