#include "net/http_check.h"

#include "core/text.h"
#include "net/web_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>

namespace qp::net {

namespace {

constexpr long kMaxRedirects = 5;
constexpr int kPollMs = 50;

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// One probe on its way: first HEAD, then perhaps the ranged GET.
struct Request {
    std::size_t index = 0;
    Easy easy;
    bool ranged = false;
    std::optional<std::int64_t> range_total; // from "Content-Range: bytes 0-0/TOTAL"
    char error[CURL_ERROR_SIZE] = {};
};

// The total of a Content-Range header, when the line is one.
std::optional<std::int64_t> range_total(std::string_view line) {
    if (!istarts_with(line, "content-range:"))
        return std::nullopt;
    const std::size_t slash = line.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    std::int64_t total = 0;
    const char* first = line.data() + slash + 1;
    const char* last = line.data() + line.size();
    const auto [end, ec] = std::from_chars(first, last, total);
    if (ec != std::errc() || end == first)
        return std::nullopt;
    return total;
}

extern "C" size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<Request*>(user);
    const std::string_view line(data, size * count);
    if (auto total = range_total(line))
        request->range_total = total;
    return size * count;
}

// The body of a ranged GET is one byte, or the whole file from a server that ignores ranges:
// nothing of it is kept, and the transfer ends at the first bytes.
extern "C" size_t on_body(char*, size_t, size_t, void*) {
    return 0;
}

void prepare(Request& r, const std::string& url, long timeout_ms) {
    CURL* e = r.easy.get();
    set_web_request(e, url, r.error);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, std::max(timeout_ms, 1L));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(e, CURLOPT_PRIVATE, &r);
    if (r.ranged) {
        curl_easy_setopt(e, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_RANGE, "0-0");
    } else {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    }
}

} // namespace

bool http_is_web_address(std::string_view url) {
    return istarts_with(url, "http://") || istarts_with(url, "https://");
}

std::vector<AddressAnswer> http_check_addresses(const std::vector<AddressProbe>& probes,
                                                const HttpCheckOptions& options) {
    using Clock = std::chrono::steady_clock;
    std::vector<AddressAnswer> answers(probes.size());
    if (probes.empty())
        return answers;
    web_transfers_init();
    const auto deadline = Clock::now() + std::chrono::milliseconds(options.total_ms);
    const auto left_ms = [&] {
        return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    };
    const std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi) {
        for (AddressAnswer& a : answers)
            a.error = "the HTTP client could not start";
        return answers;
    }
    curl_multi_setopt(multi.get(), CURLMOPT_MAX_HOST_CONNECTIONS, 1L);

    std::vector<std::unique_ptr<Request>> requests;
    requests.reserve(probes.size());
    const auto start = [&](Request& r) {
        prepare(r, probes[r.index].url, left_ms());
        return curl_multi_add_handle(multi.get(), r.easy.get()) == CURLM_OK;
    };
    std::size_t running = 0;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        auto r = std::make_unique<Request>();
        r->index = i;
        r->easy.reset(curl_easy_init());
        if (!r->easy || !start(*r)) {
            answers[i].error = "the HTTP client could not start";
            continue;
        }
        ++running;
        requests.push_back(std::move(r));
    }

    while (running > 0) {
        if ((options.cancel && options.cancel->load()) || left_ms() <= 0)
            break;
        int still = 0;
        if (curl_multi_perform(multi.get(), &still) != CURLM_OK)
            break;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            Request* r = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &r);
            const CURLcode code = msg->data.result;
            curl_multi_remove_handle(multi.get(), msg->easy_handle);
            --running;
            AddressAnswer& a = answers[r->index];
            long status = 0;
            curl_easy_getinfo(r->easy.get(), CURLINFO_RESPONSE_CODE, &status);
            curl_off_t length = -1;
            curl_easy_getinfo(r->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            // The body callback ends a GET at its first bytes on purpose.
            const bool answered = code == CURLE_OK || (r->ranged && code == CURLE_WRITE_ERROR);
            a.status = answered ? status : 0;
            a.error = answered ? "" : (r->error[0] ? r->error : curl_easy_strerror(code));
            if (r->ranged && status == 206)
                a.length = r->range_total;
            else if (length >= 0)
                a.length = length;
            else
                a.length.reset();
            const bool ok = a.status >= 200 && a.status < 300;
            const std::optional<std::int64_t>& expected = probes[r->index].length;
            a.found = ok && (!expected || !a.length || *a.length == *expected);
            // A server may refuse HEAD, or answer it without a length: the ranged GET asks again.
            const bool again = !r->ranged && answered && (!ok || !a.length);
            if (again) {
                r->ranged = true;
                r->range_total.reset();
                r->error[0] = '\0';
                if (start(*r))
                    ++running;
            }
        }
        if (running > 0)
            curl_multi_poll(multi.get(), nullptr, 0, std::clamp(left_ms(), 1L, long{kPollMs}),
                            nullptr);
    }
    for (auto& r : requests) {
        curl_multi_remove_handle(multi.get(), r->easy.get()); // harmless when already removed
        AddressAnswer& a = answers[r->index];
        if (!a.found && a.status == 0 && a.error.empty())
            a.error = options.cancel && options.cancel->load() ? "cancelled" : "no answer in time";
    }
    return answers;
}

} // namespace qp::net
