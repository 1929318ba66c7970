#include "net/ftp_client.h"

namespace qp::net {

SessionOpened Session_Open(const FtpLogin& login, const FtpOptions& options) {
    if (login.protocol == Protocol::Sftp)
        return {nullptr, "SFTP is not available"};
    FtpOpened opened = Ftp_Open(login, options);
    return {std::move(opened.client), std::move(opened.error)};
}

} // namespace qp::net
