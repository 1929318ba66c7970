// Any text after "227" either yields a valid port or none.
#include "net/ftp_reply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qp::net::FtpReply reply;
    reply.code = 227;
    reply.lines.push_back("227 " + std::string(reinterpret_cast<const char*>(data), size));
    const auto port = qp::net::parse_pasv_port(reply);
    if (port && (*port < 1 || *port > 65535))
        std::abort();
    (void)qp::net::parse_pwd_directory(reply);
    return 0;
}
