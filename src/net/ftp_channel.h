// The two connections of an FTP session: the control channel, which sends commands and reads
// their replies, and the passive data connection of one transfer or listing.
#pragma once

#include "net/ftp_reply.h"
#include "net/socket.h"

#include <atomic>
#include <optional>
#include <string_view>
#include <utility>

namespace qp::net {

class ControlChannel {
public:
    ControlChannel(Socket socket, int timeout_ms)
        : socket_(std::move(socket)), timeout_ms_(timeout_ms) {}

    // False once a reply was lost, cut short or malformed: the replies that follow can no longer
    // be matched to their commands, so the session is over.
    bool usable() const { return socket_.valid() && !broken_; }
    const Socket& socket() const { return socket_; }
    int timeout_ms() const { return timeout_ms_; }

    // Sends the word, a space and the argument when there is one, then CR LF. An argument
    // holding a line break is refused before anything is sent.
    [[nodiscard]] bool send_command(std::string_view word, std::string_view argument = {});
    // The next reply, or nullopt on time-out (timeout_ms, or the channel's own when negative),
    // a closed connection or a malformed reply.
    std::optional<FtpReply> read_reply(int timeout_ms = -1);
    // Sends a command and reads its reply; true when a line of it carries one of the codes.
    [[nodiscard]] bool command(std::string_view word, std::string_view argument,
                               std::string_view codes, FtpReply* reply = nullptr);
    // The reply that ends a transfer; true when it is one of the codes.
    [[nodiscard]] bool final_reply(std::string_view codes, int timeout_ms = -1);

    // Opens the passive data connection: PASV, then a connection to the control connection's
    // peer at the port of the reply. The address the server names is not used, so a reply cannot
    // point the client at another host.
    Socket open_passive();

    // While set, a wait for a reply also ends (and breaks the channel) when *cancel turns true.
    void set_cancel(const std::atomic<bool>* cancel) { cancel_ = cancel; }

    void close();

private:
    Socket socket_;
    ReplyParser parser_;
    int timeout_ms_;
    bool broken_ = false;
    const std::atomic<bool>* cancel_ = nullptr;
};

} // namespace qp::net
