#include "net/stream.h"

#include "net/local_file.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace qp::net {

namespace {

// Bytes read from a local file per TLS write: four full records.
constexpr std::size_t kFileChunk = std::size_t{64} * 1024;

// The library's reason for the last failure on this thread, clearing its queue.
std::string tls_error(const char* what) {
    std::string text = what;
    if (const unsigned long code = ERR_get_error(); code != 0) {
        char reason[256];
        ERR_error_string_n(code, reason, sizeof reason);
        text += ": ";
        text += reason;
    }
    ERR_clear_error();
    return text;
}

bool is_address(const std::string& host) {
    in6_addr v6{};
    in_addr v4{};
    return ::inet_pton(AF_INET, host.c_str(), &v4) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

// Chain failures the user may overrule for a server they know: its own authority, or none.
// Anything else (dates, purpose, name, signature) is refused even for a known server.
bool may_be_accepted(long result) {
    switch (result) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return true;
    default:
        return false;
    }
}

// Where the verification of a connection keeps every failure it meets.
int failures_index() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Goes on after a failure, so that a certificate the user may accept is still checked for its
// dates, purpose and name; every failure is kept for verify_peer.
int note_failure(int ok, X509_STORE_CTX* store) {
    if (ok == 1)
        return 1;
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (auto* failures =
            ssl ? static_cast<std::vector<int>*>(SSL_get_ex_data(ssl, failures_index())) : nullptr)
        failures->push_back(X509_STORE_CTX_get_error(store));
    return 1;
}

} // namespace

struct TlsContext::State {
    SSL_CTX* ctx = nullptr;
    ~State() { SSL_CTX_free(ctx); }
};

TlsContext::TlsContext(std::unique_ptr<State> state) : state_(std::move(state)) {}
TlsContext::~TlsContext() = default;

TlsContext::Made TlsContext::create(const std::string& ca_file) {
    Made out;
    ERR_clear_error();
    auto state = std::make_unique<State>();
    state->ctx = SSL_CTX_new(TLS_client_method());
    if (!state->ctx) {
        out.error = tls_error("TLS is not available");
        return out;
    }
    SSL_CTX_set_min_proto_version(state->ctx, TLS1_2_VERSION);
    // The handshake always completes; verify_peer judges the result before anything secret is
    // sent, so a certificate the user may accept can be offered to them.
    SSL_CTX_set_verify(state->ctx, SSL_VERIFY_NONE, note_failure);
    if (SSL_CTX_set_default_verify_paths(state->ctx) != 1) {
        out.error = tls_error("the system's authorities cannot be read");
        return out;
    }
    if (!ca_file.empty() &&
        SSL_CTX_load_verify_locations(state->ctx, ca_file.c_str(), nullptr) != 1) {
        out.error = tls_error("the authority file cannot be read");
        return out;
    }
    out.context.reset(new TlsContext(std::move(state)));
    return out;
}

struct Stream::Tls {
    std::shared_ptr<TlsContext> context; // outlives the connection
    SSL* ssl = nullptr;
    std::vector<char> chunk;
    std::vector<int> failures; // of the certificate check, in the order met
    ~Tls() { SSL_free(ssl); }

    // Waits for what the library asked for after a call that returned r. Empty when it may be
    // called again, else why not.
    std::string wait_after(int r, const Socket& socket, Deadline deadline, CancelFlags cancel,
                           const char* what) const {
        switch (SSL_get_error(ssl, r)) {
        case SSL_ERROR_WANT_READ:
            return socket.wait_readable(deadline, cancel);
        case SSL_ERROR_WANT_WRITE:
            return socket.wait_writable(deadline, cancel);
        case SSL_ERROR_ZERO_RETURN:
            return "the server closed the connection";
        case SSL_ERROR_SYSCALL:
            if (ERR_peek_error() == 0) {
                ERR_clear_error();
                return errno != 0 ? std::strerror(errno) : "the server cut the connection";
            }
            return tls_error(what);
        default:
            return tls_error(what);
        }
    }
};

Stream::Stream() = default;
Stream::Stream(Socket socket) : socket_(std::move(socket)) {}
Stream::~Stream() = default;
Stream::Stream(Stream&& other) noexcept = default;
Stream& Stream::operator=(Stream&& other) noexcept = default;

std::string Stream::start_tls(const std::shared_ptr<TlsContext>& context, const std::string& host,
                              const Stream* resume, Deadline deadline, CancelFlags cancel) {
    if (!socket_.valid())
        return "not connected";
    if (tls_)
        return "TLS is already on";
    ERR_clear_error();
    auto tls = std::make_unique<Tls>();
    tls->context = context;
    tls->ssl = SSL_new(context->state_->ctx);
    if (!tls->ssl || SSL_set_fd(tls->ssl, socket_.handle()) != 1 ||
        SSL_set_ex_data(tls->ssl, failures_index(), &tls->failures) != 1)
        return tls_error("TLS cannot start");
    if (is_address(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls->ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(tls->ssl, host.c_str());
        SSL_set_hostflags(tls->ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(tls->ssl, host.c_str());
    }
    if (resume && resume->tls_) {
        if (SSL_SESSION* session = SSL_get1_session(resume->tls_->ssl)) {
            SSL_set_session(tls->ssl, session);
            SSL_SESSION_free(session);
        }
    }
    const HoldSigpipe hold;
    for (;;) {
        if (cancel.raised())
            return std::string(kCancelled);
        const int r = SSL_connect(tls->ssl);
        if (r == 1)
            break;
        if (std::string error =
                tls->wait_after(r, socket_, deadline, cancel, "the TLS handshake failed");
            !error.empty())
            return error;
    }
    tls_ = std::move(tls);
    return {};
}

namespace {

std::string certificate_fingerprint(X509* cert) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!cert || X509_digest(cert, EVP_sha256(), digest, &length) != 1)
        return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0)
            text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

} // namespace

CertificateCheck check_certificate(X509* cert, const std::vector<int>& failures,
                                   const std::string& host) {
    CertificateCheck out;
    if (!cert) {
        out.refused = make_error(ErrorKind::Unverified, "the server shows no certificate");
        return out;
    }
    // A certificate for another name is never offered to the user: it is what a server
    // impersonating this one would show.
    // Browsers match "f*.example.test" to no name at all.
    const int named = is_address(host)
                          ? X509_check_ip_asc(cert, host.c_str(), 0)
                          : X509_check_host(cert, host.data(), host.size(),
                                            X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr);
    if (named != 1) {
        out.refused =
            make_error(ErrorKind::NameMismatch, "the server's certificate is not for " + host);
        return out;
    }
    if (failures.empty()) {
        out.verified = true;
        return out;
    }
    // A stored or offered fingerprint vouches only for who issued the certificate.
    for (const int failure : failures)
        if (!may_be_accepted(failure)) {
            out.refused = make_error(ErrorKind::Unverified,
                                     "the server's certificate is refused: " +
                                         std::string(X509_verify_cert_error_string(failure)));
            return out;
        }
    out.reason = X509_verify_cert_error_string(failures.front());
    out.fingerprint = certificate_fingerprint(cert);
    return out;
}

Status Stream::verify_peer(const std::string& host, int port, const TrustSettings& trust) const {
    if (!tls_)
        return make_error(ErrorKind::Failed, "the connection is not secure");
    std::vector<int> failures = tls_->failures;
    if (const long result = SSL_get_verify_result(tls_->ssl); result != X509_V_OK)
        failures.push_back(static_cast<int>(result));
    CertificateCheck checked =
        check_certificate(SSL_get0_peer_certificate(tls_->ssl), failures, host);
    if (!checked.refused || checked.verified)
        return std::move(checked.refused);
    return decide_trust(trust, trust_server_key(host, port), checked.fingerprint, checked.reason);
}

bool Stream::same_peer(const Stream& other) const {
    if (!tls_ || !other.tls_)
        return false;
    X509* mine = SSL_get0_peer_certificate(tls_->ssl);
    X509* theirs = SSL_get0_peer_certificate(other.tls_->ssl);
    return mine && theirs && X509_cmp(mine, theirs) == 0;
}

std::string Stream::peer_fingerprint() const {
    return certificate_fingerprint(tls_ ? SSL_get0_peer_certificate(tls_->ssl) : nullptr);
}

std::string Stream::send_all(std::string_view data, Deadline deadline, CancelFlags cancel) {
    if (!tls_)
        return socket_.send_all(data, deadline, cancel);
    const HoldSigpipe hold;
    while (!data.empty()) {
        if (cancel.raised())
            return std::string(kCancelled);
        ERR_clear_error();
        std::size_t written = 0;
        const int r = SSL_write_ex(tls_->ssl, data.data(), data.size(), &written);
        if (r == 1) {
            data.remove_prefix(written);
            continue;
        }
        if (std::string error = tls_->wait_after(r, socket_, deadline, cancel, "TLS write failed");
            !error.empty())
            return error;
    }
    return {};
}

std::string Stream::send_file_part(int file_fd, std::int64_t& offset, std::size_t count,
                                   int idle_ms, CancelFlags cancel) {
    if (!tls_)
        return socket_.send_file_part(file_fd, offset, count, idle_ms, cancel);
    tls_->chunk.resize(kFileChunk);
    // The time-out bounds each part: a slow link is fine as long as it moves.
    return local_file_send_parts(
        file_fd, offset, count, tls_->chunk, cancel,
        [&](std::string_view part) { return send_all(part, deadline_in(idle_ms), cancel); });
}

std::string Stream::receive(char* buffer, std::size_t size, std::size_t& got, Deadline deadline,
                            CancelFlags cancel) {
    if (!tls_)
        return socket_.receive(buffer, size, got, deadline, cancel);
    got = 0;
    const HoldSigpipe hold; // a read may write, to answer the peer
    for (;;) {
        if (cancel.raised())
            return std::string(kCancelled);
        ERR_clear_error();
        const int r = SSL_read_ex(tls_->ssl, buffer, size, &got);
        if (r == 1)
            return {};
        got = 0;
        if (SSL_get_error(tls_->ssl, r) == SSL_ERROR_ZERO_RETURN)
            return {}; // the peer ended its data properly
        if (std::string error = tls_->wait_after(r, socket_, deadline, cancel, "TLS read failed");
            !error.empty())
            return error;
    }
}

void Stream::shutdown_send(Deadline deadline) {
    if (tls_) {
        const HoldSigpipe hold;
        for (;;) {
            ERR_clear_error();
            const int r = SSL_shutdown(tls_->ssl);
            if (r >= 0)
                break; // our close_notify is out; the peer's is not awaited
            if (SSL_get_error(tls_->ssl, r) != SSL_ERROR_WANT_WRITE ||
                !socket_.wait_writable(deadline).empty())
                break;
        }
        ERR_clear_error();
    }
    socket_.shutdown_send();
}

void Stream::drain(Deadline deadline, CancelFlags cancel) {
    if (!tls_)
        return;
    char buffer[4096];
    std::size_t got = 1;
    while (got > 0 && receive(buffer, sizeof buffer, got, deadline, cancel).empty()) {
    }
}

void Stream::close() {
    tls_.reset();
    socket_.close();
}

} // namespace qp::net
