// What a secure session may trust beyond the system's own checks, and how the user is asked
// about a server the checks cannot vouch for. The window and the command-line tool supply the
// question; the sessions only ask it.
#pragma once

#include "core/result.h"

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qp::net {

enum class TrustDecision { AcceptOnce, Refuse };

struct TrustQuestion {
    std::string server;      // "host:port"
    std::string fingerprint; // as decide_trust was given it
    std::string reason;      // why the server could not be verified
    std::string before;      // for a warning: the identity known before; else empty
    // For a warning about an SSH host key: the known_hosts file and the line that holds the key
    // known before ("PATH, line N"); empty when the program's own settings hold it.
    std::string stored_in;
    // Raised when nobody waits for the answer any more (the job was cancelled); a prompt that
    // waits on another thread watches it.
    const std::atomic<bool>* cancel = nullptr;
};

using TrustPrompt = std::function<TrustDecision(const TrustQuestion& question)>;
using TrustWarning = std::function<void(const TrustQuestion& warning)>;

struct TrustSettings {
    // One more authority for server certificates, beside the system's (a file of PEM
    // certificates); empty for none.
    std::string ca_file;
    // The SSH host keys known so far; empty for the user's "~/.ssh/known_hosts".
    std::string known_hosts;
    // Fingerprints the user accepted before, by "host:port".
    std::map<std::string, std::string, std::less<>> accepted;
    // When set, asked instead of accepted, on the thread that opens the session: for a store that
    // changes while the sessions run.
    std::function<std::optional<std::string>(const std::string& server)> recall;
    // Asked about a server the checks cannot vouch for; none refuses it. It runs on the thread
    // that opens the session.
    TrustPrompt prompt;
    // Told, on the same thread, that a server shows another identity than the one accepted or
    // known before: the session is refused whatever it does.
    TrustWarning warn;
    // Handed to the questions; the opener of each session sets it.
    const std::atomic<bool>* cancel = nullptr;
};

// The key of a server in TrustSettings::accepted: "host:port", the host in lower case, with
// brackets around an IPv6 address.
std::string trust_server_key(const std::string& host, int port);

// Decides on a server whose certificate or host key the checks could not vouch for, for a
// reason the user may accept: a fingerprint stored for the server must match, and one that
// differs is refused without asking (warn is told, IdentityChanged); without one the prompt
// decides (Unverified when it refuses).
Status decide_trust(const TrustSettings& trust, const std::string& server,
                    const std::string& fingerprint, const std::string& reason);

// Whether two fingerprints name the same identity. A certificate's hexadecimal form matches in
// any letter case, with or without its colons; an SSH fingerprint ("SHA256:" and Base64) matches
// exactly.
bool trust_same_fingerprint(std::string_view a, std::string_view b);

// Refuses a server whose identity changed: warn is told, and the IdentityChanged error says why.
Error refuse_changed_identity(const TrustSettings& trust, const std::string& server,
                              const std::string& fingerprint, const std::string& before,
                              const std::string& stored_in = {});

} // namespace qp::net
