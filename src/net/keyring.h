// Passwords and S3 secret keys kept in the desktop's keyring (a Secret Service on the session
// bus) rather than in the project file. Every call is bounded in time: a keyring that does not
// answer is an error, never a hang.
#pragma once

#include "core/protocol.h"
#include "core/result.h"

#include <string>

namespace qp::net {

// What one secret belongs to. For an S3 store the user is the access key id and the secret the
// secret key.
struct KeyringKey {
    Protocol protocol = Protocol::Ftp;
    std::string host;
    int port = 0;
    std::string user;
};

// The key of an account. For an S3 store or a WebDAV share, whose server is an address, the host
// and port of that address, so the keyring's viewer reads "USER@host"; else server and port as
// they are.
KeyringKey keyring_key(Protocol protocol, const std::string& server, int port,
                       const std::string& user);

// How long one keyring call may take, unlocking included.
inline constexpr int kKeyringWaitMs = 5000;

// Ok when a keyring answers on the session bus and its default keyring is open (or could be
// opened); else why not, in the user's words.
Status keyring_available();

// NotFound when nothing is stored under key; Refused when the keyring is locked and could not be
// unlocked. The caller wipes the secret (secret_wipe) once done with it.
Result<std::string> keyring_read(const KeyringKey& key);
// Replaces what key held.
Status keyring_store(const KeyringKey& key, const std::string& secret);
// Ok also when nothing was stored.
Status keyring_forget(const KeyringKey& key);

} // namespace qp::net
