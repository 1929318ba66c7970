#include "net/ftp_client.h"
#include "net/sftp_session.h"

namespace qp::net {

SessionOpened session_open(const FtpLogin& login, const FtpOptions& options) {
    if (login.protocol == Protocol::Sftp)
        return sftp_open(login, options);
    FtpOpened opened = Ftp_Open(login, options);
    return {std::move(opened.client), std::move(opened.error)};
}

} // namespace qp::net
