// The two connections of an FTP session: the control channel, which sends commands and reads
// their replies, and the passive data connection of one transfer or listing.
#pragma once

#include "net/ftp_reply.h"
#include "net/socket.h"
#include "net/stream.h"
#include "net/trust.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace qp::net {

class ControlChannel {
public:
    ControlChannel(Socket socket, int timeout_ms)
        : stream_(std::move(socket)), timeout_ms_(timeout_ms) {}

    // False once a reply was lost, cut short or malformed: the replies that follow can no longer
    // be matched to their commands, so the session is over.
    bool usable() const { return stream_.valid() && !broken_; }
    const Socket& socket() const { return stream_.socket(); }
    bool secure() const { return stream_.secure(); }
    int timeout_ms() const { return timeout_ms_; }

    // While set, every wait also ends at this deadline, so a step of several commands (a folder
    // walk, a listing) is bounded as a whole.
    void set_step_deadline(std::optional<Deadline> deadline) { step_deadline_ = deadline; }
    // Every wait also ends (and breaks the channel) soon after one of these flags is raised.
    void set_cancel(CancelFlags cancel) { cancel_ = cancel; }
    CancelFlags cancel() const { return cancel_; }
    // The channel's time-out from now, or the step's deadline when that comes first.
    Deadline deadline(int timeout_ms = -1) const;

    // Sends the word, a space and the argument when there is one, then CR LF. An argument
    // holding a line break is refused before anything is sent. Empty on success, else why not.
    [[nodiscard]] std::string send_command(std::string_view word, std::string_view argument = {});
    // The next whole reply, which must be complete before the deadline however slowly it comes.
    [[nodiscard]] std::string read_reply(FtpReply& out, Deadline deadline);
    // Sends a command and reads its reply; ok when its final line carries one of the codes, else
    // Refused. The error names the command word and the server's line, never the argument.
    Status command(std::string_view word, std::string_view argument, std::string_view codes,
                   FtpReply* reply = nullptr);
    // The reply that ends a transfer; ok when it carries one of the codes, else Refused.
    Status final_reply(std::string_view word, std::string_view codes, Deadline deadline);

    // Secures the channel before anything secret is sent: AUTH TLS, the handshake and the check
    // of the server's certificate, then PBSZ 0 and PROT P so that every data connection is
    // secured too. A failure leaves the channel unusable.
    Status start_tls(const std::shared_ptr<TlsContext>& context, const std::string& host, int port,
                     const TrustSettings& trust);

    // Opens the passive data connection: PASV, then a connection to the control connection's
    // peer at the port of the reply. The address the server names is not used, so a reply cannot
    // point the client at another host.
    Status open_passive(Stream& data);
    // On a secure channel, secures a data connection once the server accepted its command (it
    // only answers the handshake then): with the control connection's session, and it must
    // show the same certificate. Does nothing on a channel in the clear.
    Status secure_data(Stream& data);

    void close();

private:
    Stream stream_;
    std::shared_ptr<TlsContext> tls_; // set once the channel is secure
    std::string host_;
    ReplyParser parser_;
    int timeout_ms_;
    bool broken_ = false;
    std::optional<Deadline> step_deadline_;
    CancelFlags cancel_;
};

} // namespace qp::net
