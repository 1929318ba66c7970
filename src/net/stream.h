// A connected socket that speaks in the clear or, once start_tls has run, through TLS. The FTP
// channels read and write through it alike.
#pragma once

#include "net/socket.h"
#include "net/trust.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct x509_st;

namespace qp::net {

// How a server certificate fares before anyone is asked: refused (an error), verified, or
// acceptable by the user's word for the reason given.
struct CertificateCheck {
    Status refused;
    bool verified = false;
    std::string reason;
    std::string fingerprint; // as Stream::peer_fingerprint gives it
};

// Judges cert, shown by host, whose chain check met failures (X509 verify codes, in order): the
// one rule of every secure session, whichever library runs its TLS.
CertificateCheck check_certificate(x509_st* cert, const std::vector<int>& failures,
                                   const std::string& host);

// The TLS settings one session shares between its control and data connections. Holding the
// library's objects behind it keeps them out of every other header.
class TlsContext {
public:
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    struct Made;
    // Verifies against the system's authorities and the extra one of ca_file, when given.
    static Made create(const std::string& ca_file);

private:
    friend class Stream;
    struct State;
    explicit TlsContext(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

struct TlsContext::Made {
    std::shared_ptr<TlsContext> context; // none on failure
    std::string error;
};

class Stream {
public:
    Stream();
    explicit Stream(Socket socket);
    ~Stream();
    Stream(Stream&& other) noexcept;
    Stream& operator=(Stream&& other) noexcept;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool valid() const { return socket_.valid(); }
    bool secure() const { return tls_ != nullptr; }
    const Socket& socket() const { return socket_; }

    // The TLS handshake as a client. host names the server (sent as SNI unless it is an
    // address); resume, when given, is the secure stream whose session this one reuses, as
    // servers ask of the data connections of a session. Empty on success, else why not.
    [[nodiscard]] std::string start_tls(const std::shared_ptr<TlsContext>& context,
                                        const std::string& host, const Stream* resume,
                                        Deadline deadline, CancelFlags cancel);
    // Checks the certificate of a secure stream: it must name host, and chain to a trusted
    // authority, or else be one the user accepts through trust. NameMismatch for a certificate
    // of another host, Unverified for one refused, IdentityChanged as decide_trust says.
    Status verify_peer(const std::string& host, int port, const TrustSettings& trust) const;
    // Whether both secure streams show the same certificate.
    bool same_peer(const Stream& other) const;
    // The SHA-256 fingerprint of the peer's certificate as colon-separated upper-case hex pairs,
    // or the empty text.
    std::string peer_fingerprint() const;

    // As the socket's, through TLS when it is secure.
    [[nodiscard]] std::string send_all(std::string_view data, Deadline deadline,
                                       CancelFlags cancel = {});
    [[nodiscard]] std::string send_file_part(int file_fd, std::int64_t& offset, std::size_t count,
                                             int idle_ms, CancelFlags cancel = {});
    [[nodiscard]] std::string receive(char* buffer, std::size_t size, std::size_t& got,
                                      Deadline deadline, CancelFlags cancel = {});
    // Ends the sending direction; a secure stream first says so through TLS, so the peer can
    // tell the end of the data from a cut connection.
    void shutdown_send(Deadline deadline);
    // After shutdown_send on a secure stream: reads what the peer still sends until it closes, or
    // the deadline. Closing with unread bytes (a session ticket) would reset the connection, and
    // the peer could lose the end of the data it had not read yet.
    void drain(Deadline deadline, CancelFlags cancel = {});
    void close();

private:
    struct Tls;
    Socket socket_;
    std::unique_ptr<Tls> tls_;
};

} // namespace qp::net
