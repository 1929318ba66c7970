// Asks a web server whether the files just published are where listeners will fetch them: a HEAD
// request for each address, a one-byte ranged GET where HEAD is refused or tells no length.
// Requests run in parallel, one connection per host, within one deadline for them all.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qp::net {

struct AddressProbe {
    std::string url;
    std::optional<std::int64_t> length; // the size the answer must give, when known
};

struct AddressAnswer {
    bool found = false; // a 2xx answer, with the expected length when one is known
    long status = 0;    // the last HTTP status, 0 when no answer came
    std::optional<std::int64_t> length;
    std::string error; // why no answer came: the transfer library's text, or the deadline
};

struct HttpCheckOptions {
    int total_ms = 10000; // for every request together
    const std::atomic<bool>* cancel = nullptr;
};

// Whether an address is one this check asks: http or https.
bool http_is_web_address(std::string_view url);

// One answer per probe, in their order. Never waits longer than options.total_ms.
std::vector<AddressAnswer> http_check_addresses(const std::vector<AddressProbe>& probes,
                                                const HttpCheckOptions& options);

} // namespace qp::net
