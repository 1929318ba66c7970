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

Status ControlChannel::command(std::string_view word, std::string_view argument,
                               std::string_view codes, FtpReply* reply) {
    if (std::string error = send_command(word, argument); !error.empty())
        return wait_error(std::move(error),
                          is_safe_argument(argument) ? ErrorKind::Failed : ErrorKind::BadInput);
    FtpReply got;
    if (std::string error = read_reply(got, deadline()); !error.empty())
        return wait_error(std::string(word) + ": " + error);
    Status status;
    if (!reply_accepts(got, codes))
        status = make_error(ErrorKind::Refused, std::string(word) + " refused: " + reply_text(got));
    if (reply)
        *reply = std::move(got);
    return status;
}

Status ControlChannel::final_reply(std::string_view word, std::string_view codes, Deadline until) {
    FtpReply got;
    if (std::string error = read_reply(got, until); !error.empty())
        return wait_error(std::string(word) + ": " + error);
    if (!reply_accepts(got, codes))
        return make_error(ErrorKind::Refused, std::string(word) + " refused: " + reply_text(got));
    return {};
}

Status ControlChannel::start_tls(const std::shared_ptr<TlsContext>& context,
                                 const std::string& host, int port, const TrustSettings& trust) {
    Status status = command("AUTH", "TLS", "234");
    // Bytes after the 234 came in the clear but would be read as if secured.
    if (status && parser_.pending() > 0)
        status = make_error(ErrorKind::Failed, "the server sent more than its answer to AUTH");
    if (status) {
        if (std::string error = stream_.start_tls(context, host, nullptr, deadline(), cancel_);
            !error.empty())
            status = wait_error(std::move(error));
    }
    if (status)
        status = stream_.verify_peer(host, port, trust);
    if (!status) {
        broken_ = true;
        return status;
    }
    tls_ = context;
    host_ = host;
    status = command("PBSZ", "0", "200");
    if (status)
        status = command("PROT", "P", "200");
    return status;
}

Status ControlChannel::open_passive(Stream& data) {
    FtpReply reply;
    if (Status status = command("PASV", {}, "227", &reply); !status)
        return status;
    const std::optional<int> port = parse_pasv_port(reply);
    if (!port)
        return make_error(ErrorKind::BadInput,
                          "PASV reply without an address: " + reply_text(reply));
    data = Stream(Socket::connect_to_peer(stream_.socket(), *port, deadline(), cancel_));
    if (!data.valid())
        return make_error(ErrorKind::Unreachable, "the data connection could not be opened");
    return {};
}

Status ControlChannel::secure_data(Stream& data) {
    if (!tls_)
        return {};
    if (std::string error = data.start_tls(tls_, host_, &stream_, deadline(), cancel_);
        !error.empty())
        return wait_error("the data connection could not be secured: " + error);
    if (!data.same_peer(stream_))
        return make_error(ErrorKind::IdentityChanged,
                          "the data connection shows another certificate than the server");
    return {};
}

void ControlChannel::close() {
    stream_.close();
}

} // namespace qp::net
