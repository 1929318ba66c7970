// The publishing job's session for an S3-compatible object store: the folders are key prefixes,
// each file is one object sent in one request, or in parts sent side by side when it is large.
#pragma once

#include "net/ftp_client.h"
#include "net/ftp_session.h"

#include <cstdint>

namespace qp::net {

// From this size on a file is sent in parts, several at once.
inline constexpr std::int64_t kS3MultipartFrom = std::int64_t{64} << 20;
inline constexpr std::int64_t kS3PartSize = std::int64_t{16} << 20;
inline constexpr int kS3PartsInFlight = 3;

// Checks the account with a signed request on the bucket. Kinds: BadInput (an address that is
// not http(s), no bucket), AuthRefused (a secret or key the store refuses), NotFound (no such
// bucket), Unreachable, Unverified, Timeout, Cancelled, Refused or Failed otherwise.
SessionOpened open_s3(const FtpLogin& login, const FtpOptions& options = {});

} // namespace qp::net
