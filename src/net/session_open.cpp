#include "net/ftp_client.h"
#include "net/s3_session.h"
#include "net/sftp_session.h"
#include "net/webdav_session.h"

namespace qp::net {

SessionOpened open_session(const FtpLogin& login, const FtpOptions& options) {
    if (login.protocol == Protocol::Sftp)
        return open_sftp(login, options);
    if (login.protocol == Protocol::S3)
        return open_s3(login, options);
    if (login.protocol == Protocol::WebDav)
        return open_webdav(login, options);
    Result<std::unique_ptr<FtpClient>> opened = Ftp_Open(login, options);
    if (!opened)
        return opened.error();
    return std::unique_ptr<FtpSession>(std::move(opened).value());
}

} // namespace qp::net
