#include "net/s3_session.h"

#include "core/clock.h"
#include "core/text.h"
#include "core/xml_writer.h"
#include "net/http_check.h"
#include "net/local_file.h"
#include "net/upload_run.h"
#include "net/web_request.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace qp::net {

namespace {

constexpr std::size_t kMaxEntries = 100000;
// Of an answer kept in memory: listings and errors, never an object.
constexpr std::size_t kMaxAnswer = std::size_t{8} << 20;
constexpr int kPollMs = 100;
// Removing the parts of an upload that failed runs even after a cancel, for this long at most.
constexpr int kCleanupMs = 10000;
// The most parts one upload may have.
constexpr std::int64_t kMaxParts = 10000;
constexpr const char* kBusy = "a transfer is running";
constexpr const char* kDefaultEndpoint = "https://s3.amazonaws.com";
// The store takes the payload unhashed, so a file is read once, as it is sent.
constexpr const char* kPayloadHeader = "x-amz-content-sha256: UNSIGNED-PAYLOAD";

std::string xml_escaped(std::string_view text) {
    std::string out;
    append_xml_escaped(out, text, XmlEscape::Text);
    return out;
}

bool has_control(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

struct XmlFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDoc = std::unique_ptr<xmlDoc, XmlFree>;

XmlDoc parse_xml(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX)
        return nullptr;
    // No network, no DTD loaded, no entity substituted, the parser's own size limits kept.
    return XmlDoc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

bool named(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

std::string text_of(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::string child_text(const xmlNode* parent, const char* name) {
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (named(n, name))
            return text_of(n);
    return {};
}

const xmlNode* root_of(const XmlDoc& doc) {
    return doc ? xmlDocGetRootElement(doc.get()) : nullptr;
}

// "2026-12-08T11:05:00.000Z" in seconds since 1970 UTC.
std::optional<std::int64_t> iso_utc(std::string_view text) {
    int fields[6] = {};
    const std::size_t at[6] = {0, 5, 8, 11, 14, 17};
    const std::size_t width[6] = {4, 2, 2, 2, 2, 2};
    if (text.size() < 19)
        return std::nullopt;
    for (int i = 0; i < 6; ++i) {
        const char* first = text.data() + at[i];
        const auto [end, ec] = std::from_chars(first, first + width[i], fields[i]);
        if (ec != std::errc() || end != first + width[i])
            return std::nullopt;
    }
    return date_from_fields(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
}

struct Reply {
    long status = 0;
    std::string body;
    std::string etag;
    std::int64_t last_modified = -1; // seconds since 1970 UTC; -1 when not given
    bool ok() const { return status >= 200 && status < 300; }
};

// The code and message of an error the store answered.
std::pair<std::string, std::string> error_fields(const std::string& body) {
    const XmlDoc doc = parse_xml(body);
    const xmlNode* root = root_of(doc);
    if (!root || !named(root, "Error"))
        return {};
    return {child_text(root, "Code"), child_text(root, "Message")};
}

// Why the store refused a request. At the opening any refusal of the account is the login's.
Error store_error(const Reply& reply, const std::string& what, bool opening = false) {
    const auto [code, message] = error_fields(reply.body);
    if (code == "SignatureDoesNotMatch")
        return make_error(ErrorKind::AuthRefused,
                          what + ": the store refuses the secret key (SignatureDoesNotMatch)");
    if (code == "InvalidAccessKeyId")
        return make_error(ErrorKind::AuthRefused,
                          what + ": the store knows no such access key id (InvalidAccessKeyId)");
    if (code == "RequestTimeTooSkewed")
        return make_error(ErrorKind::Refused,
                          what + ": this computer's clock is too far from the store's");
    std::string text = what + ": the store answered " + std::to_string(reply.status);
    if (!code.empty())
        text += " " + code;
    if (!message.empty())
        text += " (" + message + ")";
    if (opening && (reply.status == 401 || reply.status == 403))
        return make_error(ErrorKind::AuthRefused, text);
    if (code == "NoSuchBucket")
        return make_error(ErrorKind::NotFound, text);
    if (reply.status == 404)
        return make_error(ErrorKind::NotFound, text);
    return make_error(ErrorKind::Refused, text);
}

// A root that says Error inside a 200: the store may fail a copy or an assembly so.
bool is_error_document(const std::string& body) {
    const XmlDoc doc = parse_xml(body);
    const xmlNode* root = root_of(doc);
    return root && named(root, "Error");
}

struct Request {
    const char* method = "GET";
    std::string url;
    std::vector<std::string> headers;
    std::string body; // a POST's
    // A PUT sends length bytes of fd from offset.
    int fd = -1;
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// One request on its way: what it reads and receives, and why a callback stopped it.
struct Exchange {
    Request request;
    CancelFlags cancel;
    std::optional<Deadline> deadline;
    UploadRun* run = nullptr; // counts the bytes sent
    std::int64_t read = 0;
    curl_off_t counted = 0;
    std::string stopped; // kCancelled or kTimedOut
    int read_errno = 0;
    bool short_file = false;
    bool too_large = false;
    Reply reply;
    std::unique_ptr<curl_slist, SlistFree> header_list;
    char error[CURL_ERROR_SIZE] = {};
};

size_t on_read(char* buffer, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const auto left = static_cast<std::size_t>(x->request.length - x->read);
    const std::size_t want = std::min(size * count, left);
    if (want == 0)
        return 0;
    for (;;) {
        const ssize_t got =
            ::pread(x->request.fd, buffer, want, static_cast<off_t>(x->request.offset + x->read));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            x->read_errno = got < 0 ? errno : 0;
            x->short_file = got == 0;
            return CURL_READFUNC_ABORT;
        }
        x->read += got;
        return static_cast<size_t>(got);
    }
}

int on_seek(void* user, curl_off_t offset, int origin) {
    auto* x = static_cast<Exchange*>(user);
    if (origin != SEEK_SET || offset < 0 || offset > x->request.length)
        return CURL_SEEKFUNC_CANTSEEK;
    x->read = offset;
    return CURL_SEEKFUNC_OK;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const std::size_t n = size * count;
    if (x->reply.body.size() + n > kMaxAnswer) {
        x->too_large = true;
        return 0;
    }
    x->reply.body.append(data, n);
    return n;
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    const std::string_view line(data, size * count);
    if (istarts_with(line, "etag:")) {
        std::string_view value = line.substr(5);
        while (!value.empty() && std::strchr(" \t\r\n", value.back()))
            value.remove_suffix(1);
        x->reply.etag = trim_blanks(value);
    }
    return size * count;
}

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
    auto* x = static_cast<Exchange*>(user);
    if (x->cancel.raised()) {
        x->stopped = kCancelled;
        return 1;
    }
    if (x->deadline && std::chrono::steady_clock::now() >= *x->deadline) {
        x->stopped = kTimedOut;
        return 1;
    }
    if (x->run && sent > x->counted) {
        x->run->sent(sent - x->counted);
        x->counted = sent;
    }
    return 0;
}

// The extra authority, beside the system's, for every new connection.
CURLcode add_authority(CURL*, void* ssl_ctx, void* user) {
    const auto* file = static_cast<const std::string*>(user);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(ssl_ctx));
    return X509_STORE_load_locations(store, file->c_str(), nullptr) == 1 ? CURLE_OK
                                                                         : CURLE_SSL_CACERT_BADFILE;
}

struct EasyFree {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyFree>;

struct MultiFree {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

class S3Session final : public FtpSession {
public:
    explicit S3Session(FtpOptions options) : options_(std::move(options)) {}
    ~S3Session() override {
        abort_file();
        run_.join();
        secret_wipe(secret_);
    }
    S3Session(const S3Session&) = delete;
    S3Session& operator=(const S3Session&) = delete;

    Status open(const FtpLogin& login);

    // Each request finds its own connection: there is none to lose between them.
    bool check_alive() override { return true; }
    std::string get_directory() override {
        if (busy())
            return {};
        return "/" + prefix_.substr(0, prefix_.empty() ? 0 : prefix_.size() - 1);
    }
    Status set_directory(const std::string& name) override {
        if (Status status = check(name); !status)
            return status;
        times_.clear();
        if (name == "..") {
            if (!prefix_.empty()) {
                const std::size_t slash = prefix_.rfind('/', prefix_.size() - 2);
                prefix_.resize(slash == std::string::npos ? 0 : slash + 1);
            }
            return {};
        }
        prefix_ += name + "/";
        return {};
    }
    // Objects need no folders: a key holds its whole path.
    Status create_directory(const std::string& name) override { return check(name); }
    Status list_directory() override;
    const std::vector<FtpEntry>& entries() const override { return entries_; }
    void end_listing() override { entries_.clear(); }
    std::optional<std::int64_t> modification_time(const std::string& name) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status delete_file(const std::string& name) override;
    SendResult send_file(const std::string& local_file, const std::string& remote_name,
                         SendMode mode) override;
    TransferProgress progress() const override { return run_.progress(); }
    Error transfer_error() const override { return run_.error(); }
    void abort_file() override { run_.abort(); }
    void set_cancel(const std::atomic<bool>* cancel) override { options_.cancel = cancel; }
    void set_step_deadline(std::optional<Deadline> deadline) override { step_deadline_ = deadline; }
    bool replaces_atomically() const override { return true; }
    void set_object_headers(const ObjectHeaders& headers) override { headers_ = headers; }

private:
    bool busy() const { return run_.running(); }
    Deadline deadline() const {
        const Deadline own = deadline_in(options_.timeout_ms);
        return step_deadline_ ? std::min(own, *step_deadline_) : own;
    }
    long left_ms() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline() - std::chrono::steady_clock::now())
                              .count();
        return std::max<long>(1, static_cast<long>(left));
    }
    CancelFlags cancel() const { return CancelFlags{options_.cancel, run_.abort_flag()}; }
    // Whether an operation on the name may run now.
    Status check(const std::string& name) const {
        if (busy())
            return make_error(ErrorKind::Failed, kBusy);
        if (name.empty() || name == ".")
            return make_error(ErrorKind::BadInput, "no name");
        if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
            return make_error(ErrorKind::BadInput, "not a plain name: " + name);
        return {};
    }
    std::string object_url(const std::string& name) const {
        return base_ + "/" + percent_encode(prefix_ + name, true);
    }
    // The object's own headers, as the last set_object_headers gave them.
    std::vector<std::string> object_headers() const {
        std::vector<std::string> lines;
        if (!headers_.content_type.empty() && !has_control(headers_.content_type))
            lines.push_back("Content-Type: " + headers_.content_type);
        if (!headers_.cache_control.empty() && !has_control(headers_.cache_control))
            lines.push_back("Cache-Control: " + headers_.cache_control);
        return lines;
    }
    Exchange exchange(const char* method, std::string url) const {
        Exchange x;
        x.request.method = method;
        x.request.url = std::move(url);
        x.cancel = cancel();
        x.deadline = step_deadline_;
        return x;
    }
    // Sets up easy for the exchange; whole_ms bounds the whole request (0: only a stall does).
    void prepare(CURL* easy, Exchange& x, long whole_ms) const;
    Result<Reply> result_of(CURL* easy, Exchange& x, CURLcode rc, const std::string& what) const;
    Result<Reply> perform(Exchange& x, long whole_ms, const std::string& what);
    SendResult upload(const std::string& local_file, const std::string& remote_name);
    Status send_whole(const LocalFile& file, std::int64_t size, const std::string& name,
                      bool& started);
    Status send_parts(const LocalFile& file, std::int64_t size, const std::string& name,
                      bool& started);
    Status run_parts(const LocalFile& file, std::int64_t size, const std::string& name,
                     const std::string& upload_id, std::vector<std::string>& etags);
    Status abort_parts(const std::string& name, const std::string& upload_id);

    FtpOptions options_;
    std::string base_;        // the bucket's address, without a final slash
    std::string copy_source_; // "/BUCKET/", before a key a copy is made of
    std::string sigv4_;       // "aws:amz:REGION:s3"
    std::string access_key_;
    std::string secret_;
    std::string prefix_; // the current folder: "" or "a/b/"
    std::optional<Deadline> step_deadline_;
    ObjectHeaders headers_;
    std::vector<FtpEntry> entries_;
    // The times of the last listing, by name, which spare a request per file checked.
    std::map<std::string, std::int64_t, std::less<>> times_;
    Easy easy_{curl_easy_init()}; // kept, so its connection serves the next request
    UploadRun run_;               // last: its worker uses the members above
};

void S3Session::prepare(CURL* easy, Exchange& x, long whole_ms) const {
    curl_easy_reset(easy);
    set_web_defaults(easy, x.error);
    curl_easy_setopt(easy, CURLOPT_URL, x.request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_AWS_SIGV4, sigv4_.c_str());
    curl_easy_setopt(easy, CURLOPT_USERNAME, access_key_.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, secret_.c_str());
    if (!options_.trust.ca_file.empty()) {
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, add_authority);
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &options_.trust.ca_file);
    }
    const long timeout_ms = std::max(options_.timeout_ms, 1);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout_ms);
    // A transfer that moves less than a byte a second for the time-out is given up.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, timeout_ms / 1000));
    if (whole_ms > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, whole_ms);

    curl_slist* list = curl_slist_append(nullptr, kPayloadHeader);
    for (const std::string& line : x.request.headers)
        list = list ? curl_slist_append(list, line.c_str()) : nullptr;
    x.header_list.reset(list);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

    const std::string_view method = x.request.method;
    if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy, CURLOPT_FILETIME, 1L);
    } else if (method == "PUT") {
        curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE,
                         static_cast<curl_off_t>(x.request.fd >= 0 ? x.request.length : 0));
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, on_read);
        curl_easy_setopt(easy, CURLOPT_READDATA, &x);
        curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, on_seek);
        curl_easy_setopt(easy, CURLOPT_SEEKDATA, &x);
    } else if (method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(x.request.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, x.request.body.c_str());
    } else if (method != "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, x.request.method);
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &x);
}

Result<Reply> S3Session::result_of(CURL* easy, Exchange& x, CURLcode rc,
                                   const std::string& what) const {
    if (x.short_file)
        return make_error(ErrorKind::Failed, what + ": the local file ended early");
    if (x.read_errno != 0)
        return make_error(ErrorKind::Failed,
                          what + ": the local file cannot be read: " + std::strerror(x.read_errno));
    if (rc != CURLE_OK) {
        const std::string why = x.error[0] != '\0' ? x.error : curl_easy_strerror(rc);
        switch (rc) {
        case CURLE_ABORTED_BY_CALLBACK:
            return make_error(x.stopped == kTimedOut ? ErrorKind::Timeout : ErrorKind::Cancelled,
                              what + ": " +
                                  (x.stopped.empty() ? std::string(kCancelled) : x.stopped));
        case CURLE_OPERATION_TIMEDOUT:
            return make_error(ErrorKind::Timeout, what + ": " + std::string(kTimedOut));
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            return make_error(ErrorKind::Unreachable, what + ": " + why);
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            return make_error(ErrorKind::Unverified, what + ": " + why);
        case CURLE_URL_MALFORMAT:
            return make_error(ErrorKind::BadInput, what + ": " + why);
        default:
            if (x.too_large)
                return make_error(ErrorKind::TooLarge, what + ": the answer is too large");
            return make_error(ErrorKind::Failed, what + ": " + why);
        }
    }
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &x.reply.status);
    curl_off_t time = -1;
    if (curl_easy_getinfo(easy, CURLINFO_FILETIME_T, &time) == CURLE_OK && time >= 0)
        x.reply.last_modified = static_cast<std::int64_t>(time);
    return std::move(x.reply);
}

Result<Reply> S3Session::perform(Exchange& x, long whole_ms, const std::string& what) {
    if (!easy_)
        return make_error(ErrorKind::Failed, "the transfer library cannot start");
    prepare(easy_.get(), x, whole_ms);
    const CURLcode rc = curl_easy_perform(easy_.get());
    return result_of(easy_.get(), x, rc, what);
}

Status S3Session::open(const FtpLogin& login) {
    web_init();
    std::string endpoint = trim_blanks(login.server);
    if (endpoint.empty())
        endpoint = kDefaultEndpoint;
    if (!http_is_web_address(endpoint) || has_control(endpoint))
        return make_error(ErrorKind::BadInput, "Not a web address: " + endpoint);
    while (endpoint.ends_with('/'))
        endpoint.pop_back();
    const std::size_t host_at = endpoint.find("://") + 3;
    const std::size_t host_end = std::min(endpoint.find('/', host_at), endpoint.size());
    if (host_end == host_at || endpoint.find_first_of("?#") != std::string::npos)
        return make_error(ErrorKind::BadInput, "Not an endpoint address: " + endpoint);
    const std::string& bucket = login.store.bucket;
    if (bucket.empty())
        return make_error(ErrorKind::BadInput, "No bucket is given");
    if (has_control(bucket) || bucket.find_first_of("/ ") != std::string::npos)
        return make_error(ErrorKind::BadInput, "Not a bucket name: " + bucket);
    const std::string region = login.store.region.empty() ? "us-east-1" : login.store.region;
    if (has_control(region) || region.find(':') != std::string::npos)
        return make_error(ErrorKind::BadInput, "Not a region: " + region);
    if (login.user.empty() || login.password.empty())
        return make_error(ErrorKind::AuthRefused,
                          "The access key id and the secret key are needed");
    if (login.store.path_style)
        base_ = endpoint + "/" + percent_encode(bucket, false);
    else
        base_ = endpoint.substr(0, host_at) + bucket + "." + endpoint.substr(host_at);
    copy_source_ = "/" + percent_encode(bucket, false) + "/";
    sigv4_ = "aws:amz:" + region + ":s3";
    access_key_ = login.user;
    secret_ = login.password;

    Exchange x = exchange("GET", base_ + "?list-type=2&max-keys=0");
    x.deadline = deadline();
    Result<Reply> reply = perform(x, left_ms(), "The bucket " + bucket);
    if (!reply)
        return reply.error();
    if (!reply->ok())
        return store_error(reply.value(), "The bucket " + bucket, true);
    const XmlDoc doc = parse_xml(reply->body);
    const xmlNode* root = root_of(doc);
    if (!root || !named(root, "ListBucketResult"))
        return make_error(ErrorKind::Refused, endpoint + " does not answer as an object store");
    return {};
}

Status S3Session::list_directory() {
    entries_.clear();
    times_.clear();
    if (busy())
        return make_error(ErrorKind::Failed, kBusy);
    std::vector<FtpEntry> found;
    std::map<std::string, std::int64_t, std::less<>> times;
    std::string token;
    // The whole listing shares one deadline, however many pages it takes.
    const Deadline until = deadline();
    do {
        // The parameters in the order the signature sorts them.
        std::string query;
        if (!token.empty())
            query += "continuation-token=" + percent_encode(token, false) + "&";
        query += "delimiter=%2F&list-type=2";
        if (!prefix_.empty())
            query += "&prefix=" + percent_encode(prefix_, false);
        Exchange x = exchange("GET", base_ + "?" + query);
        x.deadline = until;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        Result<Reply> reply =
            perform(x, std::max<long>(1, static_cast<long>(left.count())), "LIST /" + prefix_);
        if (!reply)
            return reply.error();
        if (!reply->ok())
            return store_error(reply.value(), "LIST /" + prefix_);
        const XmlDoc doc = parse_xml(reply->body);
        const xmlNode* root = root_of(doc);
        if (!root || !named(root, "ListBucketResult"))
            return make_error(ErrorKind::Failed, "LIST /" + prefix_ + ": not a listing");
        for (const xmlNode* n = root->children; n; n = n->next) {
            const bool file = named(n, "Contents");
            if (!file && !named(n, "CommonPrefixes"))
                continue;
            std::string key = child_text(n, file ? "Key" : "Prefix");
            if (!key.starts_with(prefix_) || key.size() == prefix_.size())
                continue; // the folder's own marker
            std::string name = key.substr(prefix_.size());
            if (!file)
                name.pop_back(); // the delimiter
            if (name.empty() || name.find('/') != std::string::npos)
                continue;
            if (found.size() >= kMaxEntries)
                return make_error(ErrorKind::TooLarge, "the listing is too large");
            FtpEntry& e = found.emplace_back();
            e.name = name;
            e.type = file ? EntryType::File : EntryType::Directory;
            if (file) {
                const std::string size = child_text(n, "Size");
                const std::string modified = child_text(n, "LastModified");
                (void)std::from_chars(size.data(), size.data() + size.size(), e.size);
                e.line = key;
                e.line.append(" ").append(size).append(" ").append(modified);
                if (const auto utc = iso_utc(modified)) {
                    // The listing's dates stand for the server's wall clock, as an FTP
                    // listing's do.
                    e.date = local_from_utc(*utc);
                    times[name] = *utc;
                }
            } else {
                e.line = key;
            }
        }
        token = child_text(root, "IsTruncated") == "true"
                    ? child_text(root, "NextContinuationToken")
                    : std::string();
    } while (!token.empty());
    entries_ = std::move(found);
    times_ = std::move(times);
    return {};
}

std::optional<std::int64_t> S3Session::modification_time(const std::string& name) {
    if (!check(name))
        return std::nullopt;
    if (const auto it = times_.find(name); it != times_.end())
        return it->second;
    Exchange x = exchange("HEAD", object_url(name));
    x.deadline = deadline();
    const Result<Reply> reply = perform(x, left_ms(), "HEAD " + name);
    if (!reply || !reply->ok() || reply->last_modified < 0)
        return std::nullopt;
    return reply->last_modified;
}

Status S3Session::delete_file(const std::string& name) {
    if (Status status = check(name); !status)
        return status;
    times_.erase(name);
    Exchange x = exchange("DELETE", object_url(name));
    x.deadline = deadline();
    Result<Reply> reply = perform(x, left_ms(), "DELETE " + name);
    if (!reply)
        return reply.error();
    if (!reply->ok())
        return store_error(reply.value(), "DELETE " + name);
    return {};
}

Status S3Session::rename(const std::string& from, const std::string& to) {
    if (Status status = check(from) ? check(to) : check(from); !status)
        return status;
    times_.erase(from);
    times_.erase(to);
    // A copy made by the store, then the original removed.
    Exchange x = exchange("PUT", object_url(to));
    x.request.headers.push_back("x-amz-copy-source: " + copy_source_ +
                                percent_encode(prefix_ + from, true));
    x.deadline = deadline();
    Result<Reply> reply = perform(x, left_ms(), "RENAME " + from);
    if (!reply)
        return reply.error();
    if (!reply->ok() || is_error_document(reply->body))
        return store_error(reply.value(), "RENAME " + from);
    return delete_file(from);
}

SendResult S3Session::send_file(const std::string& local_file, const std::string& remote_name,
                                SendMode mode) {
    if (busy())
        return {make_error(ErrorKind::Failed, kBusy), false};
    run_.join();
    if (Status status = check(remote_name); !status)
        return run_.refuse(status.error());
    times_.erase(remote_name);
    return run_.start(mode,
                      [this, local_file, remote_name] { return upload(local_file, remote_name); });
}

SendResult S3Session::upload(const std::string& local_file, const std::string& remote_name) {
    bool started = false;
    const LocalFile file(local_file);
    const std::int64_t size = file.size();
    Status status = size < 0 ? make_error(ErrorKind::Failed, "the local file cannot be read")
                    : size >= kS3MultipartFrom ? send_parts(file, size, remote_name, started)
                                               : send_whole(file, size, remote_name, started);
    return run_.end(std::move(status), started, options_.on_transfer_end);
}

Status S3Session::send_whole(const LocalFile& file, std::int64_t size, const std::string& name,
                             bool& started) {
    Exchange x = exchange("PUT", object_url(name));
    x.request.headers = object_headers();
    x.request.fd = file.fd();
    x.request.length = size;
    x.run = &run_;
    started = true;
    run_.data_started();
    Result<Reply> reply = perform(x, 0, "STOR " + name);
    if (!reply)
        return reply.error();
    if (!reply->ok())
        return store_error(reply.value(), "STOR " + name);
    return {};
}

Status S3Session::send_parts(const LocalFile& file, std::int64_t size, const std::string& name,
                             bool& started) {
    Exchange x = exchange("POST", object_url(name) + "?uploads=");
    x.request.headers = object_headers();
    x.deadline = deadline();
    Result<Reply> reply = perform(x, left_ms(), "STOR " + name);
    if (!reply)
        return reply.error();
    if (!reply->ok())
        return store_error(reply.value(), "STOR " + name);
    const XmlDoc doc = parse_xml(reply->body);
    const xmlNode* root = root_of(doc);
    const std::string upload_id = root ? child_text(root, "UploadId") : std::string();
    if (upload_id.empty())
        return make_error(ErrorKind::Failed, "STOR " + name + ": the store gave no upload id");
    started = true;
    run_.data_started();
    std::vector<std::string> etags;
    Status status = run_parts(file, size, name, upload_id, etags);
    if (status) {
        std::string body = "<CompleteMultipartUpload>";
        for (std::size_t i = 0; i < etags.size(); ++i)
            body += "<Part><PartNumber>" + std::to_string(i + 1) + "</PartNumber><ETag>" +
                    xml_escaped(etags[i]) + "</ETag></Part>";
        body += "</CompleteMultipartUpload>";
        Exchange done =
            exchange("POST", object_url(name) + "?uploadId=" + percent_encode(upload_id, false));
        done.request.headers.emplace_back("Content-Type: application/xml");
        done.request.body = std::move(body);
        // Assembling takes the store a moment per part; the stall limit bounds it.
        done.deadline = step_deadline_;
        Result<Reply> completed = perform(done, 0, "STOR " + name);
        // The answer's ETag may be empty (some stores): success is the status and no Error.
        if (!completed)
            status = completed.error();
        else if (!completed->ok() || is_error_document(completed->body))
            status = store_error(completed.value(), "STOR " + name);
    }
    if (!status) {
        if (Status removed = abort_parts(name, upload_id); !removed)
            return make_error(status.kind(),
                              status.error_text() +
                                  "; the parts sent stay on the store: " + removed.error_text());
    }
    return status;
}

Status S3Session::run_parts(const LocalFile& file, std::int64_t size, const std::string& name,
                            const std::string& upload_id, std::vector<std::string>& etags) {
    const std::int64_t part_size = std::max(kS3PartSize, (size + kMaxParts - 1) / kMaxParts);
    const auto parts = static_cast<std::size_t>((size + part_size - 1) / part_size);
    etags.assign(parts, {});
    const std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
    if (!multi)
        return make_error(ErrorKind::Failed, "the transfer library cannot start");
    struct Slot {
        Easy easy{curl_easy_init()};
        std::unique_ptr<Exchange> x;
        std::size_t part = 0;
    };
    std::vector<Slot> slots(kS3PartsInFlight);
    std::size_t next = 0;
    std::size_t done = 0;
    const CancelFlags flags = cancel();
    const auto launch = [&](Slot& s) {
        s.part = next++;
        s.x = std::make_unique<Exchange>(
            exchange("PUT", object_url(name) + "?partNumber=" + std::to_string(s.part + 1) +
                                "&uploadId=" + percent_encode(upload_id, false)));
        s.x->request.fd = file.fd();
        s.x->request.offset = static_cast<std::int64_t>(s.part) * part_size;
        s.x->request.length = std::min(part_size, size - s.x->request.offset);
        s.x->run = &run_;
        prepare(s.easy.get(), *s.x, 0);
        return curl_multi_add_handle(multi.get(), s.easy.get()) == CURLM_OK;
    };
    Status status;
    for (Slot& s : slots) {
        if (!s.easy) {
            status = make_error(ErrorKind::Failed, "the transfer library cannot start");
            break;
        }
        if (next < parts && !launch(s)) {
            s.x.reset();
            status = make_error(ErrorKind::Failed, "the transfer library cannot start");
            break;
        }
    }
    while (status && done < parts) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            status = make_error(ErrorKind::Failed, "STOR " + name + ": the transfer failed");
            break;
        }
        int queued = 0;
        while (CURLMsg* m = curl_multi_info_read(multi.get(), &queued)) {
            if (m->msg != CURLMSG_DONE)
                continue;
            const auto slot = std::find_if(slots.begin(), slots.end(), [&](const Slot& s) {
                return s.easy.get() == m->easy_handle;
            });
            if (slot == slots.end())
                continue;
            const CURLcode rc = m->data.result;
            curl_multi_remove_handle(multi.get(), slot->easy.get());
            const std::string what = "STOR " + name + " part " + std::to_string(slot->part + 1);
            Result<Reply> reply = result_of(slot->easy.get(), *slot->x, rc, what);
            const std::size_t part = slot->part;
            slot->x.reset();
            if (!reply)
                status = reply.error();
            else if (!reply->ok())
                status = store_error(reply.value(), what);
            else if (reply->etag.empty())
                status = make_error(ErrorKind::Failed, what + ": the store gave no ETag");
            if (!status)
                break;
            etags[part] = reply->etag;
            ++done;
            if (next < parts && !launch(*slot)) {
                slot->x.reset();
                status = make_error(ErrorKind::Failed, "the transfer library cannot start");
                break;
            }
        }
        if (!status || done == parts)
            break;
        // The transfers' own callbacks see a cancel only while they run.
        if (flags.raised())
            status =
                make_error(ErrorKind::Cancelled, "STOR " + name + ": " + std::string(kCancelled));
        else if (step_deadline_ && std::chrono::steady_clock::now() >= *step_deadline_)
            status = make_error(ErrorKind::Timeout, "STOR " + name + ": " + std::string(kTimedOut));
        else
            curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
    }
    for (Slot& s : slots)
        if (s.x)
            curl_multi_remove_handle(multi.get(), s.easy.get());
    return status;
}

Status S3Session::abort_parts(const std::string& name, const std::string& upload_id) {
    Exchange x =
        exchange("DELETE", object_url(name) + "?uploadId=" + percent_encode(upload_id, false));
    // It runs after a cancel too, within its own short bound.
    x.cancel = {};
    x.deadline.reset();
    Result<Reply> reply =
        perform(x, std::min(kCleanupMs, std::max(options_.timeout_ms, 1)), "ABORT " + name);
    if (!reply)
        return reply.error();
    if (!reply->ok() && reply->status != 404)
        return store_error(reply.value(), "ABORT " + name);
    return {};
}

} // namespace

SessionOpened open_s3(const FtpLogin& login, const FtpOptions& options) {
    return open_session_as<S3Session>(login, options);
}

} // namespace qp::net
