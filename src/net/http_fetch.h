// Fetching one document over HTTP(S), such as a feed to import: the server's certificate
// verified, a few redirects followed, compressed answers accepted, within a deadline and a size
// limit, and cancellable from another thread.
#pragma once

#include "core/result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace qp::net {

inline constexpr long kFetchMaxRedirects = 5;

struct FetchOptions {
    std::uint64_t max_bytes = std::uint64_t{64} << 20; // of the answer as decoded
    long timeout_ms = 30000;                           // for the whole transfer
    const std::atomic<bool>* cancel = nullptr;
    // Bytes received so far and the size the server announced (0 when it did not).
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// The body of a 2xx answer to a GET of url (http or https only). Fails with NotFound (404, 410),
// Refused (any other error status), TooLarge, Timeout, Unreachable, Unverified (a certificate
// that does not verify), Cancelled, or BadInput for an address that is not http(s).
Result<std::string> fetch_address(const std::string& url, const FetchOptions& options = {});

} // namespace qp::net
