#include "net/webdav_session.h"

#include "core/clock.h"
#include "net/local_file.h"
#include "net/stream.h"
#include "net/upload_run.h"
#include "net/web_request.h"

#include <curl/curl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace qp::net {

namespace {

constexpr const char* kBusy = "a transfer is running";
// An answer to a look at a folder larger than this is refused; a listing holds at most
// kMaxEntries.
constexpr std::size_t kMaxAnswer = std::size_t{64} << 20;
constexpr std::size_t kMaxEntries = 100000;
// From this size a PUT waits for the server's "100 Continue" before sending the file.
constexpr std::int64_t kAskFirstBytes = std::int64_t{1} << 20;
// Up to this size a file is read first and sent with the request (libcurl's own limit for that).
constexpr std::int64_t kInlineBytes = std::int64_t{64} << 10;
// libcurl takes upload buffers between these sizes.
constexpr long kMinUploadBuffer = 16L * 1024;
constexpr long kMaxUploadBuffer = 2L * 1024 * 1024;

// Only what the session reads: the server need not compute the rest.
constexpr std::string_view kPropfindBody =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<D:propfind xmlns:D=\"DAV:\"><D:prop>"
    "<D:resourcetype/><D:getcontentlength/><D:getlastmodified/>"
    "</D:prop></D:propfind>";

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percent_decoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
            hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The path of an href, decoded, without a trailing "/"; an href may be a whole address.
std::string href_path(std::string_view href) {
    if (const std::size_t scheme = href.find("://"); scheme != std::string_view::npos) {
        const std::size_t path = href.find('/', scheme + 3);
        href = path == std::string_view::npos ? std::string_view("/") : href.substr(path);
    }
    std::string path = percent_decoded(href);
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    return path;
}

// One resource of a multistatus answer.
struct Resource {
    std::string path; // as href_path gives it
    bool collection = false;
    std::int64_t size = 0;
    std::optional<std::int64_t> modified_utc;
};

bool is_dav(const xmlNode* node, const char* name) {
    return node && node->type == XML_ELEMENT_NODE && node->ns && node->ns->href &&
           std::strcmp(reinterpret_cast<const char*>(node->ns->href), "DAV:") == 0 &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// The text directly inside node; entity references are not followed.
std::string text_of(const xmlNode* node) {
    std::string out;
    for (const xmlNode* c = node ? node->children : nullptr; c; c = c->next)
        if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
            out += reinterpret_cast<const char*>(c->content);
    return out;
}

void read_properties(const xmlNode* prop, Resource& r) {
    for (const xmlNode* p = prop->children; p; p = p->next) {
        if (is_dav(p, "resourcetype")) {
            for (const xmlNode* t = p->children; t; t = t->next)
                r.collection = r.collection || is_dav(t, "collection");
        } else if (is_dav(p, "getcontentlength")) {
            const std::string text = text_of(p);
            char* end = nullptr;
            const long long size = std::strtoll(text.c_str(), &end, 10);
            if (end != text.c_str() && size >= 0)
                r.size = size;
        } else if (is_dav(p, "getlastmodified")) {
            const time_t when = curl_getdate(text_of(p).c_str(), nullptr);
            if (when != -1)
                r.modified_utc = static_cast<std::int64_t>(when);
        }
    }
}

// The resources of a PROPFIND answer, with the properties the server found. No DTD is read and
// no entity expanded: a document that declares any is refused.
Result<std::vector<Resource>> parse_multistatus(const std::string& body) {
    if (body.size() > static_cast<std::size_t>(INT32_MAX))
        return make_error(ErrorKind::TooLarge, "the folder's description is too large");
    const auto free_ctxt = [](xmlParserCtxtPtr c) { xmlFreeParserCtxt(c); };
    std::unique_ptr<xmlParserCtxt, decltype(free_ctxt)> ctxt(xmlNewParserCtxt(), free_ctxt);
    if (!ctxt)
        return make_error(ErrorKind::Failed, "the XML parser cannot start");
    const auto free_doc = [](xmlDocPtr d) { xmlFreeDoc(d); };
    const std::unique_ptr<xmlDoc, decltype(free_doc)> doc(
        xmlCtxtReadMemory(ctxt.get(), body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        free_doc);
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || doc->intSubset || doc->extSubset || !is_dav(root, "multistatus"))
        return make_error(ErrorKind::BadInput,
                          "the server's description of the folder is unreadable");
    std::vector<Resource> out;
    for (const xmlNode* response = root->children; response; response = response->next) {
        if (!is_dav(response, "response"))
            continue;
        if (out.size() >= kMaxEntries)
            return make_error(ErrorKind::TooLarge, "the listing is too large");
        Resource r;
        bool named = false;
        for (const xmlNode* part = response->children; part; part = part->next) {
            if (is_dav(part, "href")) {
                r.path = href_path(text_of(part));
                named = true;
            } else if (is_dav(part, "propstat")) {
                const xmlNode* prop = nullptr;
                bool found = false;
                for (const xmlNode* s = part->children; s; s = s->next) {
                    if (is_dav(s, "prop"))
                        prop = s;
                    else if (is_dav(s, "status"))
                        found = text_of(s).find(" 200") != std::string::npos;
                }
                if (prop && found)
                    read_properties(prop, r);
            }
        }
        if (named)
            out.push_back(std::move(r));
    }
    return out;
}

// Where the check of each TLS connection learns what to trust and leaves its verdict.
struct TlsCheck {
    std::string host;
    std::string ca_file;
    std::string pinned; // the fingerprint the user vouched for in this session
    // Why the last connection was refused, or the certificate the user may vouch for.
    std::optional<CertificateCheck> refused;
};

int failures_index() {
    static const int index = X509_STORE_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Goes on after a failure so the whole chain is judged; every failure is kept.
int note_failure(int ok, X509_STORE_CTX* store) {
    if (ok != 1)
        if (auto* failures =
                static_cast<std::vector<int>*>(X509_STORE_CTX_get_ex_data(store, failures_index())))
            failures->push_back(X509_STORE_CTX_get_error(store));
    return 1;
}

// Runs on each handshake, before anything is sent: the same rule as the FTPS session's, and a
// certificate the user vouched for passes only when it is exactly that one.
int judge_chain(X509_STORE_CTX* store, void* arg) {
    auto* check = static_cast<TlsCheck*>(arg);
    std::vector<int> failures;
    X509_STORE_CTX_set_ex_data(store, failures_index(), &failures);
    X509_STORE_CTX_set_verify_cb(store, note_failure);
    if (X509_verify_cert(store) != 1 && failures.empty())
        failures.push_back(X509_STORE_CTX_get_error(store));
    X509_STORE_CTX_set_ex_data(store, failures_index(), nullptr);
    CertificateCheck checked =
        check_certificate(X509_STORE_CTX_get0_cert(store), failures, check->host);
    if (checked.refused &&
        (checked.verified || trust_same_fingerprint(check->pinned, checked.fingerprint))) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    check->refused = std::move(checked);
    return 0;
}

CURLcode prepare_tls(CURL* /*easy*/, void* ssl_ctx, void* arg) {
    auto* check = static_cast<TlsCheck*>(arg);
    auto* ctx = static_cast<SSL_CTX*>(ssl_ctx);
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    if (!check->ca_file.empty() &&
        SSL_CTX_load_verify_locations(ctx, check->ca_file.c_str(), nullptr) != 1) {
        ERR_clear_error();
        CertificateCheck failed;
        failed.refused = make_error(ErrorKind::Failed, "the authority file cannot be read");
        check->refused = std::move(failed);
        return CURLE_SSL_CACERT_BADFILE;
    }
    SSL_CTX_set_cert_verify_callback(ctx, judge_chain, check);
    return CURLE_OK;
}

// What the callbacks of one request share.
struct Call {
    std::string answer;
    bool too_large = false;
    CancelFlags cancel;
    Deadline deadline{};
    int idle_ms = 0;       // when set, the deadline moves this far ahead with each step
    curl_off_t moved = -1; // the bytes sent when the deadline last moved
    std::string stopped;   // kCancelled or kTimedOut when a callback ended the request
    // An upload: count bytes of fd from offset.
    int fd = -1;
    std::int64_t offset = 0;
    std::int64_t size = 0;
    UploadRun* run = nullptr;
    std::string read_error;
};

size_t on_answer(char* data, size_t size, size_t count, void* user) {
    auto* call = static_cast<Call*>(user);
    const std::size_t n = size * count;
    if (call->answer.size() + n > kMaxAnswer) {
        call->too_large = true;
        return 0;
    }
    call->answer.append(data, n);
    return n;
}

int on_progress(void* user, curl_off_t /*down_total*/, curl_off_t /*down_now*/,
                curl_off_t /*up_total*/, curl_off_t up_now) {
    auto* call = static_cast<Call*>(user);
    const auto now = std::chrono::steady_clock::now();
    if (call->cancel.raised()) {
        call->stopped = kCancelled;
        return 1;
    }
    if (call->idle_ms > 0 && up_now != call->moved) {
        call->moved = up_now;
        call->deadline = now + std::chrono::milliseconds(call->idle_ms);
    }
    if (now >= call->deadline) {
        call->stopped = kTimedOut;
        return 1;
    }
    return 0;
}

size_t on_read(char* buffer, size_t size, size_t count, void* user) {
    auto* call = static_cast<Call*>(user);
    if (call->cancel.raised()) {
        call->stopped = kCancelled;
        return CURL_READFUNC_ABORT;
    }
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(size * count), call->size - call->offset));
    if (want == 0)
        return 0;
    ssize_t got = 0;
    do {
        got = ::pread(call->fd, buffer, want, static_cast<off_t>(call->offset));
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        call->read_error = got < 0 ? std::strerror(errno) : "the local file ended early";
        return CURL_READFUNC_ABORT;
    }
    call->offset += got;
    if (call->run)
        call->run->sent(got);
    return static_cast<size_t>(got);
}

// The library rewinds when it sends the body again (after the server asked for the login).
int on_seek(void* user, curl_off_t offset, int origin) {
    auto* call = static_cast<Call*>(user);
    if (origin != SEEK_SET || offset < 0 || offset > call->size)
        return CURL_SEEKFUNC_CANTSEEK;
    call->offset = offset;
    if (call->run) {
        call->run->data_started();
        call->run->sent(offset);
    }
    return CURL_SEEKFUNC_OK;
}

struct HeaderList {
    curl_slist* list = nullptr;
    HeaderList() = default;
    ~HeaderList() { curl_slist_free_all(list); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    void add(const std::string& line) {
        if (curl_slist* more = curl_slist_append(list, line.c_str()))
            list = more;
    }
};

enum class Depth { Zero, One };

class WebDavSession final : public FtpSession {
public:
    explicit WebDavSession(FtpOptions options) : options_(std::move(options)) {}
    ~WebDavSession() override {
        abort_file();
        if (easy_)
            curl_easy_cleanup(easy_);
    }
    WebDavSession(const WebDavSession&) = delete;
    WebDavSession& operator=(const WebDavSession&) = delete;

    Status open(const FtpLogin& login);

    bool check_alive() override {
        if (busy())
            return true;
        return usable() && look(folder_url(), Depth::Zero).ok();
    }
    std::string get_directory() override {
        if (busy() || !usable())
            return {};
        std::string out;
        for (const std::string& name : cwd_)
            out += "/" + name;
        return out.empty() ? "/" : out;
    }
    Status set_directory(const std::string& name) override {
        if (name == "..") {
            if (Status status = check("-"); !status)
                return status;
            // The share's root is the top, as the root of an FTP server is.
            if (!cwd_.empty())
                cwd_.pop_back();
            return {};
        }
        if (Status status = check(name); !status)
            return status;
        // Without the final slash, which some servers refuse for a file and then close the
        // connection.
        Result<std::vector<Resource>> found = look(file_url(name), Depth::Zero);
        if (!found)
            return found.error();
        if (found.value().empty() || !found.value().front().collection)
            return make_error(ErrorKind::Refused, name + " is not a folder");
        cwd_.push_back(name);
        return {};
    }
    Status create_directory(const std::string& name) override;
    Status list_directory() override;
    const std::vector<FtpEntry>& entries() const override { return entries_; }
    void end_listing() override { entries_.clear(); }
    std::optional<std::int64_t> modification_time(const std::string& name) override {
        if (!check(name))
            return std::nullopt;
        Result<std::vector<Resource>> found = look(file_url(name), Depth::Zero);
        if (!found || found.value().empty() || found.value().front().collection)
            return std::nullopt;
        return found.value().front().modified_utc;
    }
    Status rename(const std::string& from, const std::string& to) override {
        if (Status status = check(from) ? check(to) : check(from); !status)
            return status;
        HeaderList headers;
        headers.add("Destination: " + file_url(to));
        headers.add("Overwrite: T");
        return done(perform("MOVE", file_url(from), headers), "MOVE " + from);
    }
    Status delete_file(const std::string& name) override {
        if (Status status = check(name); !status)
            return status;
        HeaderList headers;
        return done(perform("DELETE", file_url(name), headers), "DELETE " + name);
    }
    SendResult send_file(const std::string& local_file, const std::string& remote_name,
                         SendMode mode) override;
    TransferProgress progress() const override { return run_.progress(); }
    Error transfer_error() const override { return run_.error(); }
    void abort_file() override { run_.abort(); }
    void set_cancel(const std::atomic<bool>* cancel) override { options_.cancel = cancel; }
    void set_step_deadline(std::optional<Deadline> deadline) override { step_deadline_ = deadline; }
    void set_object_headers(const ObjectHeaders& headers) override { headers_ = headers; }

private:
    bool busy() const { return run_.running(); }
    bool usable() const { return easy_ != nullptr; }
    Deadline deadline() const {
        const Deadline own = deadline_in(options_.timeout_ms);
        return step_deadline_ ? std::min(own, *step_deadline_) : own;
    }
    Status check(const std::string& name) const {
        if (busy())
            return make_error(ErrorKind::Failed, kBusy);
        if (!usable())
            return make_error(ErrorKind::Failed, "the connection to the server is lost");
        if (name.empty() || name == "." || name == "..")
            return make_error(ErrorKind::BadInput, "no name");
        if (name.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
            return make_error(ErrorKind::BadInput, "the name holds a slash or a NUL");
        return {};
    }
    std::string folder_url() const {
        std::string out = root_;
        for (const std::string& name : cwd_)
            out += percent_encode(name) + "/";
        return out;
    }
    std::string file_url(const std::string& name) const {
        return folder_url() + percent_encode(name);
    }

    struct Answer {
        long status = 0;
        std::string body;
    };
    // One request on the kept connection. body goes with it (PROPFIND), or the file of an
    // upload call. Fails only when no answer came.
    Result<Answer> perform(const char* method, const std::string& url, HeaderList& headers,
                           std::string_view body = {}, Call* upload = nullptr);
    // Ok for a 2xx answer, else the error for its status.
    static Status done(const Result<Answer>& answer, const std::string& what);
    // PROPFIND of one address.
    Result<std::vector<Resource>> look(const std::string& url, Depth depth);
    SendResult upload(const std::string& local_file, const std::string& url,
                      const std::string& content_type);

    FtpOptions options_;
    CURL* easy_ = nullptr;
    char error_[CURL_ERROR_SIZE] = {};
    TlsCheck tls_;
    std::string server_key_; // "host:port" as trust keeps it
    std::string root_;       // the share's address, ending in "/"
    std::string root_path_;  // its path, decoded
    std::vector<std::string> cwd_;
    std::optional<Deadline> step_deadline_;
    ObjectHeaders headers_;
    std::vector<FtpEntry> entries_;
    UploadRun run_; // last: its worker uses the members above
};

Result<WebDavSession::Answer> WebDavSession::perform(const char* method, const std::string& url,
                                                     HeaderList& headers, std::string_view body,
                                                     Call* upload) {
    CURL* e = easy_;
    Call own;
    Call& call = upload ? *upload : own;
    call.cancel = CancelFlags{options_.cancel, run_.abort_flag()};
    if (upload) {
        // A slow link is fine as long as it moves.
        call.idle_ms = options_.timeout_ms;
        call.deadline = deadline_in(options_.timeout_ms);
    } else {
        call.deadline = deadline();
    }
    // Each request states all it needs; HTTPGET drops the body and upload of the last one.
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &call);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &call);
    curl_easy_setopt(e, CURLOPT_READDATA, &call);
    curl_easy_setopt(e, CURLOPT_SEEKDATA, &call);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          call.deadline - std::chrono::steady_clock::now())
                          .count();
    // The callbacks end a request in time; the library's own limit backs them.
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS,
                     upload ? 0L : static_cast<long>(std::max<long long>(left, 1) + 1000));
    if (upload) {
        curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload->size));
    } else if (!body.empty()) {
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, upload ? nullptr : method);
    error_[0] = '\0';
    tls_.refused.reset();
    const CURLcode rc = curl_easy_perform(e);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
    if (rc == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
        return Answer{status, std::move(call.answer)};
    }
    const std::string why = error_[0] != '\0' ? error_ : curl_easy_strerror(rc);
    const std::string what = std::string(method) + ": ";
    if (!call.stopped.empty())
        return wait_error(what + call.stopped);
    if (!call.read_error.empty())
        return make_error(ErrorKind::Failed, "the local file cannot be read: " + call.read_error);
    if (tls_.refused) {
        if (!tls_.refused->refused)
            return tls_.refused->refused.error();
        if (!tls_.pinned.empty())
            return make_error(ErrorKind::IdentityChanged, "the identity of " + server_key_ +
                                                              " changed during the session (now " +
                                                              tls_.refused->fingerprint +
                                                              ", before " + tls_.pinned + ")");
        return make_error(ErrorKind::Unverified,
                          "the identity of " + server_key_ +
                              " cannot be verified: " + tls_.refused->reason);
    }
    switch (rc) {
    case CURLE_OPERATION_TIMEDOUT:
        return wait_error(what + std::string(kTimedOut));
    case CURLE_ABORTED_BY_CALLBACK:
        return wait_error(what + std::string(kCancelled));
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return make_error(ErrorKind::Unreachable, "the server cannot be reached: " + why);
    case CURLE_WRITE_ERROR:
        if (call.too_large)
            return make_error(ErrorKind::TooLarge, what + "the answer is too large");
        return make_error(ErrorKind::Failed, what + why);
    case CURLE_PEER_FAILED_VERIFICATION:
        return make_error(ErrorKind::Unverified, what + why);
    default:
        return make_error(ErrorKind::Failed, what + why);
    }
}

Status WebDavSession::done(const Result<Answer>& answer, const std::string& what) {
    if (!answer)
        return answer.error();
    const long status = answer.value().status;
    if (status >= 200 && status < 300)
        return {};
    const std::string text = what + ": the server answered " + std::to_string(status);
    switch (status) {
    case 401:
        return make_error(ErrorKind::AuthRefused, "the login is refused (" + text + ")");
    case 404:
    case 410:
        return make_error(ErrorKind::NotFound, text);
    case 507:
        return make_error(ErrorKind::NoSpace, text);
    default:
        return make_error(ErrorKind::Refused, text);
    }
}

Result<std::vector<Resource>> WebDavSession::look(const std::string& url, Depth depth) {
    HeaderList headers;
    headers.add(depth == Depth::Zero ? "Depth: 0" : "Depth: 1");
    headers.add("Content-Type: application/xml; charset=utf-8");
    const Result<Answer> answer = perform("PROPFIND", url, headers, kPropfindBody);
    if (Status status = done(answer, "PROPFIND"); !status)
        return status.error();
    if (answer.value().status != 207)
        return make_error(ErrorKind::BadInput, "PROPFIND: the server answered " +
                                                   std::to_string(answer.value().status) +
                                                   " without the folder's description");
    return parse_multistatus(answer.value().body);
}

Status WebDavSession::open(const FtpLogin& login) {
    web_init();
    const std::unique_ptr<CURLU, void (*)(CURLU*)> address(curl_url(), curl_url_cleanup);
    if (!address)
        return make_error(ErrorKind::Failed, "the transfer library cannot start");
    const auto part = [&](CURLUPart which, unsigned flags = 0) -> std::optional<std::string> {
        char* text = nullptr;
        if (curl_url_get(address.get(), which, &text, flags) != CURLUE_OK || !text)
            return std::nullopt;
        std::string out = text;
        curl_free(text);
        return out;
    };
    const Error bad =
        make_error(ErrorKind::BadInput, "not the address of a WebDAV share: " + login.server);
    if (curl_url_set(address.get(), CURLUPART_URL, login.server.c_str(), 0) != CURLUE_OK)
        return bad;
    const std::optional<std::string> scheme = part(CURLUPART_SCHEME);
    std::optional<std::string> host = part(CURLUPART_HOST);
    const std::optional<std::string> port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
    std::string path = part(CURLUPART_PATH).value_or("/");
    if (!scheme || (*scheme != "http" && *scheme != "https") || !host || host->empty() || !port ||
        part(CURLUPART_QUERY) || part(CURLUPART_FRAGMENT))
        return bad;
    if (part(CURLUPART_USER) || part(CURLUPART_PASSWORD))
        return make_error(ErrorKind::BadInput,
                          "the address holds an account: give the user and password apart");
    if (!path.ends_with('/'))
        path += '/';
    if (curl_url_set(address.get(), CURLUPART_PATH, path.c_str(), 0) != CURLUE_OK)
        return bad;
    root_ = part(CURLUPART_URL).value_or("");
    root_path_ = href_path(path);
    if (host->starts_with('[') && host->ends_with(']'))
        *host = host->substr(1, host->size() - 2);
    tls_.host = *host;
    tls_.ca_file = options_.trust.ca_file;
    server_key_ = trust_server_key(*host, std::atoi(port->c_str()));

    easy_ = curl_easy_init();
    if (!easy_)
        return make_error(ErrorKind::Failed, "the transfer library cannot start");
    set_web_defaults(easy_, error_);
    curl_easy_setopt(easy_, CURLOPT_URL, root_.c_str());
    curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
    curl_easy_setopt(easy_, CURLOPT_USERNAME, login.user.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, login.password.c_str());
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.timeout_ms));
    // A server that ignores "Expect" gets the file after this wait, well within the time-out.
    curl_easy_setopt(easy_, CURLOPT_EXPECT_100_TIMEOUT_MS,
                     std::min(1000L, static_cast<long>(options_.timeout_ms) / 2));
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, on_answer);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(easy_, CURLOPT_READFUNCTION, on_read);
    curl_easy_setopt(easy_, CURLOPT_SEEKFUNCTION, on_seek);
    curl_easy_setopt(
        easy_, CURLOPT_UPLOAD_BUFFERSIZE,
        std::clamp(static_cast<long>(options_.block_size), kMinUploadBuffer, kMaxUploadBuffer));
    if (*scheme == "https") {
        // Each connection's certificate is judged by the session's own rule; the extra
        // authority is added to the system's there, so a shared store must not be reused.
        if (curl_easy_setopt(easy_, CURLOPT_SSL_CTX_FUNCTION, prepare_tls) != CURLE_OK ||
            curl_easy_setopt(easy_, CURLOPT_SSL_CTX_DATA, &tls_) != CURLE_OK)
            return make_error(ErrorKind::Failed, "the transfer library cannot check certificates");
        curl_easy_setopt(easy_, CURLOPT_CA_CACHE_TIMEOUT, 0L);
    }

    // The account is checked at the root; a certificate the user vouches for is taken on the
    // second try, pinned for the rest of the session.
    for (int attempt = 0;; ++attempt) {
        const Result<std::vector<Resource>> root = look(root_, Depth::Zero);
        if (root) {
            if (root.value().empty() || !root.value().front().collection)
                return make_error(ErrorKind::Refused, login.server + " is not a folder");
            return {};
        }
        if (attempt > 0 || !tls_.refused || !tls_.refused->refused ||
            tls_.refused->fingerprint.empty())
            return root.error();
        const CertificateCheck shown = *tls_.refused;
        if (Status trusted =
                decide_trust(options_.trust, server_key_, shown.fingerprint, shown.reason);
            !trusted)
            return trusted;
        tls_.pinned = shown.fingerprint;
    }
}

Status WebDavSession::create_directory(const std::string& name) {
    if (Status status = check(name); !status)
        return status;
    HeaderList headers;
    const Result<Answer> answer = perform("MKCOL", file_url(name), headers);
    // 405: something of that name exists already, which will do only if it is a folder.
    if (answer && answer.value().status == 405) {
        Result<std::vector<Resource>> found = look(file_url(name), Depth::Zero);
        if (found && !found.value().empty() && found.value().front().collection)
            return {};
        return make_error(ErrorKind::Refused, name + " exists and is not a folder");
    }
    return done(answer, "MKCOL " + name);
}

Status WebDavSession::list_directory() {
    entries_.clear();
    if (Status status = check("-"); !status)
        return status;
    Result<std::vector<Resource>> found = look(folder_url(), Depth::One);
    if (!found)
        return found.error();
    std::string self = root_path_;
    for (const std::string& name : cwd_)
        self += (self.ends_with('/') ? "" : "/") + name;
    for (const Resource& r : found.value()) {
        const std::size_t slash = r.path.rfind('/');
        const std::string name = slash == std::string::npos ? r.path : r.path.substr(slash + 1);
        if (r.path == self || name.empty())
            continue;
        FtpEntry& e = entries_.emplace_back();
        e.name = name;
        e.line = r.path;
        e.size = r.collection ? 0 : r.size;
        e.permissions = r.collection ? 0755 : 0644;
        // The listing's dates stand for the server's wall clock, as an FTP listing's do.
        e.date = r.modified_utc ? local_from_utc(*r.modified_utc) : 0;
        e.type = r.collection ? EntryType::Directory : EntryType::File;
    }
    return {};
}

SendResult WebDavSession::send_file(const std::string& local_file, const std::string& remote_name,
                                    SendMode mode) {
    if (busy())
        return {make_error(ErrorKind::Failed, kBusy), false};
    run_.join();
    if (Status status = check(remote_name); !status)
        return run_.refuse(status.error());
    return run_.start(mode,
                      [this, local_file, url = file_url(remote_name),
                       type = headers_.content_type] { return upload(local_file, url, type); });
}

SendResult WebDavSession::upload(const std::string& local_file, const std::string& url,
                                 const std::string& content_type) {
    bool started = false;
    const auto finish = [&](Status status) {
        return run_.end(std::move(status), started, options_.on_transfer_end);
    };
    const LocalFile file(local_file);
    const std::int64_t size = file.size();
    if (size < 0)
        return finish(make_error(ErrorKind::Failed, "the local file cannot be read"));
    HeaderList headers;
    // Without a type of its own the library would call an inline body a form.
    headers.add(content_type.empty() ? "Content-Type:" : "Content-Type: " + content_type);
    // Asking the server first costs a round trip per file; it pays only where a refusal saves
    // sending much.
    if (size < kAskFirstBytes)
        headers.add("Expect:");
    run_.data_started();
    Call call;
    call.fd = file.fd();
    call.size = size;
    call.run = &run_;
    if (size > 0 && size <= kInlineBytes) {
        // A small file goes in the same write as the request: one packet.
        std::string data(static_cast<std::size_t>(size), '\0');
        while (call.offset < size) {
            const std::int64_t at = call.offset;
            const size_t got = on_read(data.data() + at, 1, static_cast<size_t>(size - at), &call);
            if (got == 0 || got == CURL_READFUNC_ABORT)
                return finish(call.stopped.empty()
                                  ? make_error(ErrorKind::Failed,
                                               "the local file cannot be read: " + call.read_error)
                                  : wait_error("PUT: " + call.stopped));
        }
        const Result<Answer> answer = perform("PUT", url, headers, data);
        started = answer.ok();
        return finish(done(answer, "PUT"));
    }
    const Result<Answer> answer = perform("PUT", url, headers, {}, &call);
    started = answer.ok() || call.offset > 0;
    Status status = done(answer, "PUT");
    if (status && call.offset != size)
        status = make_error(ErrorKind::Failed, "PUT: the file was not sent whole");
    return finish(std::move(status));
}

} // namespace

SessionOpened open_webdav(const FtpLogin& login, const FtpOptions& options) {
    return open_session_as<WebDavSession>(login, options);
}

} // namespace qp::net
