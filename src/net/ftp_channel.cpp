#include "net/ftp_channel.h"

#include "net/ftp_session.h"

#include <algorithm>

namespace qp::net {

Deadline ControlChannel::deadline(int timeout_ms) const {
    const Deadline own = deadline_in(timeout_ms < 0 ? timeout_ms_ : timeout_ms);
    return step_deadline_ ? std::min(own, *step_deadline_) : own;
}

std::string ControlChannel::send_command(std::string_view word, std::string_view argument) {
    if (!is_safe_argument(argument))
        return std::string(word) + " not sent: its argument holds a line break";
    if (!usable())
        return "the connection to the server is lost";
    // Sized once: a reallocation would free a copy of the password that the wipe never sees.
    std::string line;
    line.reserve(word.size() + 1 + argument.size() + 2);
    line = word;
    if (!argument.empty()) {
        line += ' ';
        line += argument;
    }
    line += "\r\n";
    std::string error = stream_.send_all(line, deadline(), cancel_);
    if (word == "PASS")
        secret_wipe(line);
    if (!error.empty()) {
        broken_ = true;
        return std::string(word) + " not sent: " + error;
    }
    return {};
}

std::string ControlChannel::read_reply(FtpReply& out, Deadline until) {
    if (!usable())
        return "the connection to the server is lost";
    char chunk[kMaxReplyLine];
    for (;;) {
        switch (parser_.next(out)) {
        case ReplyParser::Status::Complete:
            return {};
        case ReplyParser::Status::Malformed:
            broken_ = true;
            return "the server's reply is malformed";
        case ReplyParser::Status::Incomplete:
            break;
        }
        std::size_t got = 0;
        std::string error = stream_.receive(chunk, sizeof chunk, got, until, cancel_);
        if (error.empty() && got == 0)
            error = "the server closed the connection";
        if (!error.empty()) {
            broken_ = true;
            return error;
        }
        parser_.append(std::string_view(chunk, got));
    }
}

std::string ControlChannel::command(std::string_view word, std::string_view argument,
                                    std::string_view codes, FtpReply* reply) {
    if (std::string error = send_command(word, argument); !error.empty())
        return error;
    FtpReply got;
    if (std::string error = read_reply(got, deadline()); !error.empty())
        return std::string(word) + ": " + error;
    std::string error;
    if (!reply_accepts(got, codes))
        error = std::string(word) + " refused: " + reply_text(got);
    if (reply)
        *reply = std::move(got);
    return error;
}

std::string ControlChannel::final_reply(std::string_view word, std::string_view codes,
                                        Deadline until) {
    FtpReply got;
    if (std::string error = read_reply(got, until); !error.empty())
        return std::string(word) + ": " + error;
    if (!reply_accepts(got, codes))
        return std::string(word) + " refused: " + reply_text(got);
    return {};
}

std::string ControlChannel::start_tls(const std::shared_ptr<TlsContext>& context,
                                      const std::string& host, int port,
                                      const TrustSettings& trust) {
    std::string error = command("AUTH", "TLS", "234");
    // Bytes after the 234 came in the clear but would be read as if secured.
    if (error.empty() && parser_.pending() > 0)
        error = "the server sent more than its answer to AUTH";
    if (error.empty())
        error = stream_.start_tls(context, host, nullptr, deadline(), cancel_);
    if (error.empty())
        error = stream_.verify_peer(host, port, trust);
    if (!error.empty()) {
        broken_ = true;
        return error;
    }
    tls_ = context;
    host_ = host;
    error = command("PBSZ", "0", "200");
    if (error.empty())
        error = command("PROT", "P", "200");
    return error;
}

std::string ControlChannel::open_passive(Stream& data) {
    FtpReply reply;
    if (std::string error = command("PASV", {}, "227", &reply); !error.empty())
        return error;
    const std::optional<int> port = parse_pasv_port(reply);
    if (!port)
        return "PASV reply without an address: " + reply_text(reply);
    data = Stream(Socket::connect_to_peer(stream_.socket(), *port, deadline(), cancel_));
    if (!data.valid())
        return "the data connection could not be opened";
    return {};
}

std::string ControlChannel::secure_data(Stream& data) {
    if (!tls_)
        return {};
    if (std::string error = data.start_tls(tls_, host_, &stream_, deadline(), cancel_);
        !error.empty())
        return "the data connection could not be secured: " + error;
    if (!data.same_peer(stream_))
        return "the data connection shows another certificate than the server";
    return {};
}

void ControlChannel::close() {
    stream_.close();
}

} // namespace qp::net
