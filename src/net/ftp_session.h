// What the publishing job needs of an FTP connection. The client implements it over sockets;
// tests of the job may implement it in memory.
#pragma once

#include "core/clock.h"
#include "core/protocol.h"
#include "core/result.h"
#include "net/socket.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qp::net {

// Where an upload stands.
enum class TransferState { SettingUp, Sending, Done, Failed };

struct TransferProgress {
    TransferState state = TransferState::Failed;
    std::int64_t sent = 0; // bytes sent so far

    bool running() const {
        return state == TransferState::SettingUp || state == TransferState::Sending;
    }
};

enum class EntryType { File, Directory };

struct FtpEntry {
    std::string name;
    std::string line; // the raw listing line
    std::int64_t size = 0;
    int permissions = 0; // rwx bits of owner, group and others
    DateValue date = 0;  // the server's clock, unconverted
    EntryType type = EntryType::File;
};

// How send_file runs the transfer.
enum class SendMode {
    Wait,       // on the calling thread; the call returns when the transfer has ended
    Background, // on a worker thread; the call returns once it is started
};

struct SendResult {
    Status status;
    bool started = false; // the server took the command and the data began to flow
};

// What a store that keeps them with each object records with the next file sent.
struct ObjectHeaders {
    std::string content_type;
    std::string cache_control;
};

// Every operation that can fail returns a Status: Refused when the server said no, Cancelled or
// Timeout when a wait ended so, Failed otherwise.
class FtpSession {
public:
    virtual ~FtpSession() = default;

    // True when a transfer is sending, or when "PWD" is answered with 257.
    virtual bool check_alive() = 0;
    // The current remote directory, or the empty text.
    virtual std::string get_directory() = 0;
    // ".." goes to the parent folder.
    virtual Status set_directory(const std::string& name) = 0;
    virtual Status create_directory(const std::string& name) = 0;
    // Reads the listing of the current directory into entries().
    virtual Status list_directory() = 0;
    virtual const std::vector<FtpEntry>& entries() const = 0;
    virtual void end_listing() = 0;
    // The last change of a file of the current folder as the server reports it (MDTM), in
    // seconds since 1970 UTC; nullopt when the server does not answer.
    virtual std::optional<std::int64_t> modification_time(const std::string& name) = 0;
    // Renames a file of the current folder, replacing one of the new name.
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    virtual Status delete_file(const std::string& name) = 0;
    // Uploads a local file into the current remote folder under remote_name. Wait: ok when the
    // server stored the file. Background: ok when the transfer was started; progress() and
    // transfer_error() tell the rest.
    [[nodiscard]] virtual SendResult send_file(const std::string& local_file,
                                               const std::string& remote_name, SendMode mode) = 0;
    // Any thread may read it while a transfer runs.
    virtual TransferProgress progress() const = 0;
    // Why the last transfer failed, once progress() reports it Failed; an empty text before.
    virtual Error transfer_error() const = 0;
    // Requests the abort of a running transfer and waits until it has ended.
    virtual void abort_file() = 0;
    // While set, every wait of the session also ends soon after *cancel turns true (any thread
    // may set it), failing the operation.
    virtual void set_cancel(const std::atomic<bool>* cancel) = 0;
    // While set, every wait of the session also ends at this deadline: it bounds a whole step.
    virtual void set_step_deadline(std::optional<Deadline> deadline) = 0;
    // True where a file appears whole or not at all (an object store): it is sent under its own
    // name, without the part name and the rename.
    virtual bool replaces_atomically() const { return false; }
    // Applies to the files sent after it; a server that keeps no such headers ignores it.
    virtual void set_object_headers(const ObjectHeaders& headers) { (void)headers; }
};

// Overwrites a secret before its memory is given back, then empties it.
inline void secret_wipe(std::string& secret) {
    secret.resize(secret.capacity()); // within the capacity: no reallocation
    volatile char* bytes = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i)
        bytes[i] = '\0';
    secret.clear();
}

// How a session reaches the server: FTP in the clear, FTP secured with TLS on the same port
// (explicit, AUTH TLS), or SFTP over SSH.
using qp::Protocol;

// Where an S3-compatible store keeps the files; the endpoint is FtpLogin::server.
struct StoreLogin {
    std::string region = "us-east-1";
    std::string bucket;
    // True: "ENDPOINT/BUCKET/KEY"; false: "BUCKET.ENDPOINT-HOST/KEY" (virtual-hosted).
    bool path_style = true;
};

// For S3 and WebDAV the server is a web address (the endpoint, the share's root) and the port
// is taken from it; for S3 the user is the access key id and the password the secret key.
struct FtpLogin {
    std::string server;
    std::string user;
    std::string password;
    int port = 21;
    bool passive = true;
    Protocol protocol = Protocol::Ftp;
    StoreLogin store;
};

using SessionOpened = Result<std::unique_ptr<FtpSession>>;

// A session of one kind, logged in, or why not.
template <typename Session, typename Options>
SessionOpened open_session_as(const FtpLogin& login, const Options& options) {
    auto session = std::make_unique<Session>(options);
    if (Status opened = session->open(login); !opened)
        return opened.error();
    return std::unique_ptr<FtpSession>(std::move(session));
}

} // namespace qp::net
