#include "net/trust.h"

namespace qp::net {

std::string Trust_ServerKey(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string Trust_Decide(const TrustSettings& trust, const std::string& server,
                         const std::string& fingerprint, const std::string& reason) {
    if (const auto stored = trust.accepted.find(server); stored != trust.accepted.end()) {
        if (stored->second == fingerprint)
            return {};
        // Someone may stand between us and the server: the user is not offered to wave it on.
        return "the identity of " + server + " changed since it was accepted (now " + fingerprint +
               ")";
    }
    if (trust.prompt &&
        trust.prompt(TrustQuestion{server, fingerprint, reason}) == TrustDecision::AcceptOnce)
        return {};
    return "the identity of " + server + " cannot be verified: " + reason;
}

} // namespace qp::net
