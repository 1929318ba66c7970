#include "net/ftp_client.h"
#include "net/sftp_session.h"

namespace qp::net {

SessionOpened Session_Open(const FtpLogin& login, const FtpOptions& options) {
    if (login.protocol == Protocol::Sftp)
        return Sftp_Open(login, options);
    FtpOpened opened = Ftp_Open(login, options);
    return {std::move(opened.client), std::move(opened.error)};
}

} // namespace qp::net
