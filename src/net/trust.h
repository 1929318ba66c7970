// What a secure session may trust beyond the system's own checks, and how the user is asked
// about a server the checks cannot vouch for. The window and the command-line tool supply the
// question; the sessions only ask it.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace qp::net {

enum class TrustDecision { AcceptOnce, Refuse };

struct TrustQuestion {
    std::string server;      // "host:port"
    std::string fingerprint; // as Trust_Decide was given it
    std::string reason;      // why the server could not be verified
};

using TrustPrompt = std::function<TrustDecision(const TrustQuestion& question)>;

struct TrustSettings {
    // One more authority for server certificates, beside the system's (a file of PEM
    // certificates); empty for none.
    std::string ca_file;
    // The SSH host keys known so far; empty for the user's "~/.ssh/known_hosts".
    std::string known_hosts;
    // Fingerprints the user accepted before, by "host:port".
    std::map<std::string, std::string, std::less<>> accepted;
    // Asked about a server the checks cannot vouch for; none refuses it. It runs on the thread
    // that opens the session.
    TrustPrompt prompt;
};

// The key of a server in TrustSettings::accepted: "host:port", with brackets around an IPv6
// address.
std::string Trust_ServerKey(const std::string& host, int port);

// Decides on a server whose certificate or host key the checks could not vouch for, for a
// reason the user may accept: a fingerprint stored for the server must match, and one that
// differs is refused without asking; without one the prompt decides. Empty when it may be used.
[[nodiscard]] std::string Trust_Decide(const TrustSettings& trust, const std::string& server,
                                       const std::string& fingerprint, const std::string& reason);

} // namespace qp::net
