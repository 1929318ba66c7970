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

struct DownloadOptions {
    std::uint64_t max_bytes = std::uint64_t{4} << 30; // of one file
    // A transfer that moves less than a byte a second for this long is given up.
    long stall_seconds = 30;
    const std::atomic<bool>* cancel = nullptr;
    // Bytes of the file so far (what an earlier attempt left counts) and its whole size, 0 when
    // not known.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// Downloads url into the file path, through path + ".part", which a download cut short (by
// Cancel, a failure or the end of the program) leaves behind and the next one resumes when the
// server takes ranges. The file gets its name only once whole and, when expected is not 0, of
// exactly that many bytes (else BadInput, and the part is removed). A file already at path of
// the expected length is kept as it is. Returns the file's size.
Result<std::uint64_t> download_file(const std::string& url, const std::string& path,
                                    std::uint64_t expected, const DownloadOptions& options = {});

} // namespace qp::net
