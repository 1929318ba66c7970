// Reading the server's replies on the control connection: lines are cut from the received bytes
// with a bounded buffer and grouped into replies, single- or multi-line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qp::net {

// A reply line longer than this, or a reply of more lines, is malformed: a server cannot make
// the client grow its memory without limit.
inline constexpr std::size_t kMaxReplyLine = 4096;
inline constexpr std::size_t kMaxReplyLines = 512;

struct FtpReply {
    int code = 0;                   // the three digits of the first line
    std::vector<std::string> lines; // without their CR LF
};

class ReplyParser {
public:
    enum class Status { Incomplete, Complete, Malformed };

    explicit ReplyParser(std::size_t max_line = kMaxReplyLine) : max_line_(max_line) {}

    void append(std::string_view bytes) { buffer_.append(bytes); }
    // Takes the next whole reply out of the received bytes. Incomplete: more bytes are needed
    // (call append and try again). Malformed: the stream is out of step and stays unusable.
    Status next(FtpReply& out);
    // Bytes received but not yet part of a returned reply.
    std::size_t pending() const { return buffer_.size() - start_; }

private:
    std::size_t max_line_;
    std::string buffer_;
    std::size_t start_ = 0; // where the next unread line begins
    FtpReply current_;      // the lines of a multi-line reply read so far
    bool broken_ = false;
};

// Whether the reply's final line begins with one of the codes of a list such as "125;150". The
// final line alone carries the verdict: the text lines of a multi-line reply may begin with
// anything, another code included.
bool reply_accepts(const FtpReply& reply, std::string_view codes);

// The final line of a reply, for messages; empty for a reply without lines.
std::string reply_text(const FtpReply& reply);

// The port of a 227 reply: the first six runs of digits of its text after the code are the four
// numbers of an address and two of a port. nullopt when there are fewer than six or one is out of
// range. The address is not returned: the client connects to the control connection's peer.
std::optional<int> parse_pasv_port(const FtpReply& reply);

// The folder of a 257 reply to PWD: the text between the quote after "257 " and the next quote
// that is followed by a space or ends the line. Empty when the reply is not of that form.
std::string parse_pwd_directory(const FtpReply& reply);

// The time of a 213 reply to MDTM ("213 YYYYMMDDHHMMSS", optionally with fractions), in seconds
// since 1970 UTC; nullopt when the reply is not of that form or names an impossible date.
std::optional<std::int64_t> parse_mdtm_time(const FtpReply& reply);

// Whether a text may follow a command word: a CR, LF or NUL would end the command early and let
// the rest pass for a second one.
bool is_safe_argument(std::string_view argument);

} // namespace qp::net
