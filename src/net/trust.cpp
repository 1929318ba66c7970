#include "net/trust.h"

#include <cctype>

namespace qp::net {

std::string trust_server_key(const std::string& host, int port) {
    std::string name = host;
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool v6 = name.find(':') != std::string::npos;
    return (v6 ? "[" + name + "]" : name) + ":" + std::to_string(port);
}

namespace {

// The hexadecimal digits of a certificate fingerprint in upper case; empty when it has anything
// but digits and colons.
std::string hex_digits(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == ':')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

bool trust_same_fingerprint(std::string_view a, std::string_view b) {
    if (a == b)
        return !a.empty();
    const std::string x = hex_digits(a);
    return !x.empty() && x == hex_digits(b);
}

Error refuse_changed_identity(const TrustSettings& trust, const std::string& server,
                              const std::string& fingerprint, const std::string& before,
                              const std::string& stored_in) {
    if (trust.warn)
        trust.warn(TrustQuestion{server, fingerprint, "the identity changed", before, stored_in,
                                 trust.cancel});
    return make_error(ErrorKind::IdentityChanged, "the identity of " + server +
                                                      " changed since it was accepted (now " +
                                                      fingerprint + ", before " + before + ")");
}

Status decide_trust(const TrustSettings& trust, const std::string& server,
                    const std::string& fingerprint, const std::string& reason) {
    std::optional<std::string> stored;
    if (trust.recall) {
        stored = trust.recall(server);
    } else if (const auto found = trust.accepted.find(server); found != trust.accepted.end()) {
        stored = found->second;
    }
    if (stored) {
        if (trust_same_fingerprint(*stored, fingerprint))
            return {};
        // Someone may stand between us and the server: the user is not offered to wave it on.
        return refuse_changed_identity(trust, server, fingerprint, *stored);
    }
    if (trust.prompt &&
        trust.prompt(TrustQuestion{server, fingerprint, reason, {}, {}, trust.cancel}) ==
            TrustDecision::AcceptOnce)
        return {};
    return make_error(ErrorKind::Unverified,
                      "the identity of " + server + " cannot be verified: " + reason);
}

} // namespace qp::net
