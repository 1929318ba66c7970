#include "net/ftp_channel.h"

#include <string>

namespace qp::net {

bool ControlChannel::send_command(std::string_view word, std::string_view argument) {
    if (!usable() || !is_safe_argument(argument))
        return false;
    std::string line(word);
    if (!argument.empty()) {
        line += ' ';
        line += argument;
    }
    line += "\r\n";
    if (!socket_.send_all(line, timeout_ms_, cancel_)) {
        broken_ = true;
        return false;
    }
    return true;
}

std::optional<FtpReply> ControlChannel::read_reply(int timeout_ms) {
    if (!usable())
        return std::nullopt;
    if (timeout_ms < 0)
        timeout_ms = timeout_ms_;
    FtpReply reply;
    char chunk[kMaxReplyLine];
    for (;;) {
        switch (parser_.next(reply)) {
        case ReplyParser::Status::Complete:
            return reply;
        case ReplyParser::Status::Malformed:
            broken_ = true;
            return std::nullopt;
        case ReplyParser::Status::Incomplete:
            break;
        }
        const std::ptrdiff_t got = socket_.receive(chunk, sizeof chunk, timeout_ms, cancel_);
        if (got <= 0) {
            broken_ = true;
            return std::nullopt;
        }
        parser_.append(std::string_view(chunk, static_cast<std::size_t>(got)));
    }
}

bool ControlChannel::command(std::string_view word, std::string_view argument,
                             std::string_view codes, FtpReply* reply) {
    if (!send_command(word, argument))
        return false;
    std::optional<FtpReply> got = read_reply();
    if (!got)
        return false;
    const bool accepted = reply_accepts(*got, codes);
    if (reply)
        *reply = std::move(*got);
    return accepted;
}

bool ControlChannel::final_reply(std::string_view codes, int timeout_ms) {
    const std::optional<FtpReply> got = read_reply(timeout_ms);
    return got && reply_accepts(*got, codes);
}

Socket ControlChannel::open_passive() {
    FtpReply reply;
    if (!command("PASV", {}, "227", &reply))
        return {};
    const std::optional<int> port = parse_pasv_port(reply);
    if (!port)
        return {};
    return Socket::connect_to_peer(socket_, *port, timeout_ms_);
}

void ControlChannel::close() {
    socket_.close();
}

} // namespace qp::net
