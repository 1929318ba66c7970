#include "net/ftp_reply.h"

#include "core/clock.h"

namespace qp::net {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Three digits, then a space, a hyphen or the end of the line.
bool begins_with_code(std::string_view line) {
    if (line.size() < 3 || !is_digit(line[0]) || !is_digit(line[1]) || !is_digit(line[2]))
        return false;
    return line.size() == 3 || line[3] == ' ' || line[3] == '-';
}

} // namespace

ReplyParser::Status ReplyParser::next(FtpReply& out) {
    if (broken_)
        return Status::Malformed;
    for (;;) {
        const std::size_t end = buffer_.find('\n', start_);
        if (end == std::string::npos) {
            // A CR may still be waiting for its LF.
            if (buffer_.size() - start_ > max_line_ + 1) {
                broken_ = true;
                return Status::Malformed;
            }
            buffer_.erase(0, start_);
            start_ = 0;
            return Status::Incomplete;
        }
        std::string_view line(buffer_.data() + start_, end - start_);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        start_ = end + 1;
        if (line.size() > max_line_) {
            broken_ = true;
            return Status::Malformed;
        }
        bool last = false;
        if (current_.lines.empty()) {
            if (!begins_with_code(line)) {
                broken_ = true;
                return Status::Malformed;
            }
            current_.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
            last = line.size() == 3 || line[3] != '-';
        } else {
            if (current_.lines.size() >= kMaxReplyLines) {
                broken_ = true;
                return Status::Malformed;
            }
            // Inside a multi-line reply only the first line's code and a space end it; other
            // lines are text, whatever they begin with.
            const std::string_view first = current_.lines.front();
            last = line.substr(0, 3) == first.substr(0, 3) && (line.size() == 3 || line[3] == ' ');
        }
        current_.lines.emplace_back(line);
        if (last) {
            out = std::move(current_);
            current_ = FtpReply{};
            return Status::Complete;
        }
    }
}

bool reply_accepts(const FtpReply& reply, std::string_view codes) {
    if (reply.lines.empty() || reply.lines.back().size() < 3)
        return false;
    const std::string_view code = std::string_view(reply.lines.back()).substr(0, 3);
    for (std::size_t at = 0; at < codes.size();) {
        std::size_t stop = codes.find(';', at);
        if (stop == std::string_view::npos)
            stop = codes.size();
        if (codes.substr(at, stop - at) == code)
            return true;
        at = stop + 1;
    }
    return false;
}

std::string reply_text(const FtpReply& reply) {
    return reply.lines.empty() ? std::string() : reply.lines.back();
}

std::optional<int> parse_pasv_port(const FtpReply& reply) {
    int numbers[6] = {};
    int count = 0;
    for (const std::string& line : reply.lines) {
        const std::string_view text = line.size() > 3 ? std::string_view(line).substr(3) : "";
        for (std::size_t i = 0; i < text.size() && count < 6;) {
            if (!is_digit(text[i])) {
                ++i;
                continue;
            }
            int value = 0;
            for (; i < text.size() && is_digit(text[i]); ++i)
                if (value <= 255)
                    value = value * 10 + (text[i] - '0');
            if (value > 255)
                return std::nullopt;
            numbers[count++] = value;
        }
        if (count == 6)
            break;
    }
    if (count < 6)
        return std::nullopt;
    const int port = numbers[4] * 256 + numbers[5];
    if (port == 0)
        return std::nullopt;
    return port;
}

std::string parse_pwd_directory(const FtpReply& reply) {
    for (const std::string& line : reply.lines) {
        if (line.compare(0, 5, "257 \"") != 0)
            continue;
        for (std::size_t quote = line.find('"', 5); quote != std::string::npos;
             quote = line.find('"', quote + 1)) {
            if (quote + 1 == line.size() || line[quote + 1] == ' ')
                return line.substr(5, quote - 5);
        }
        return {};
    }
    return {};
}

std::optional<std::int64_t> parse_mdtm_time(const FtpReply& reply) {
    const std::string line = reply_text(reply);
    if (line.size() < 18 || line.compare(0, 4, "213 ") != 0)
        return std::nullopt;
    int value[6] = {};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    std::size_t at = 4;
    for (int i = 0; i < 6; ++i) {
        for (int w = 0; w < widths[i]; ++w, ++at) {
            if (!is_digit(line[at]))
                return std::nullopt;
            value[i] = value[i] * 10 + (line[at] - '0');
        }
    }
    if (at < line.size() && line[at] != '.' && line[at] != ' ')
        return std::nullopt;
    if (value[1] < 1 || value[1] > 12 || value[2] < 1 || value[2] > 31 || value[3] > 23 ||
        value[4] > 59 || value[5] > 60)
        return std::nullopt;
    // Date values count calendar seconds without a zone, so these fields read as UTC.
    return date_from_fields(value[0], value[1], value[2], value[3], value[4], value[5]);
}

bool is_safe_argument(std::string_view argument) {
    return argument.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace qp::net
