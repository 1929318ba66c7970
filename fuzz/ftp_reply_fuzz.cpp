// Replies arrive in pieces of any size; the parser must never crash nor hold more than its bounds.
#include "net/ftp_reply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qp::net::ReplyParser parser(256);
    qp::net::FtpReply reply;
    // The first byte chooses the piece size, so replies are split at every position.
    const std::size_t piece = size > 0 ? data[0] % 64 + 1 : 1;
    for (std::size_t at = size > 0 ? 1 : 0; at < size; at += piece) {
        const std::size_t n = at + piece <= size ? piece : size - at;
        parser.append(std::string_view(reinterpret_cast<const char*>(data) + at, n));
        for (;;) {
            const auto status = parser.next(reply);
            if (status == qp::net::ReplyParser::Status::Malformed)
                return 0;
            if (status == qp::net::ReplyParser::Status::Incomplete)
                break;
            (void)qp::net::reply_accepts(reply, "125;150");
            if (reply.lines.size() > qp::net::kMaxReplyLines)
                std::abort();
            for (const std::string& line : reply.lines)
                if (line.size() > 256)
                    std::abort();
        }
        if (parser.pending() > 256 + 1 + 64)
            std::abort();
    }
    return 0;
}
