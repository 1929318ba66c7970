// The publishing job's session over WebDAV: the share's root address stands for "/", folders are
// collections, and each upload is one PUT, all on one kept-alive connection.
#pragma once

#include "net/ftp_client.h"
#include "net/ftp_session.h"

namespace qp::net {

// Checks the address and the account with a look at the share's root (PROPFIND). Over https the
// server's certificate passes the same checks and questions as for FTPS. Kinds: BadInput for an
// address that is not http(s), Unreachable, AuthRefused, NotFound, NameMismatch, Unverified,
// IdentityChanged, Cancelled, Timeout, Refused or Failed.
SessionOpened open_webdav(const FtpLogin& login, const FtpOptions& options = {});

} // namespace qp::net
