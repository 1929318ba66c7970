// The publishing job's session over SFTP: the same operations as the FTP client, on one SSH
// connection. The login folder stands for the root "/", as it does on most FTP servers.
#pragma once

#include "net/ftp_client.h"
#include "net/ftp_session.h"

namespace qp::net {

// Connects, checks the server's host key against the known hosts (or the user's word, through
// options.trust) and logs in with the password. The password is not kept.
SessionOpened open_sftp(const FtpLogin& login, const FtpOptions& options = {});

} // namespace qp::net
