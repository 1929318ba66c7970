// The FTP client the publishing job drives: one control connection, a passive data connection
// per listing or upload, and uploads that run on the calling thread or on a worker whose progress
// another thread reads.
#pragma once

#include "net/ftp_channel.h"
#include "net/ftp_session.h"
#include "net/trust.h"
#include "net/upload_run.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qp::net {

// Bytes sent per step of an upload; the progress moves once per block. Large blocks cost fewer
// system calls and wake-ups (bench/publish_vs_curl.sh); small ones move the bar more often.
inline constexpr std::size_t kDefaultBlockSize = 1 << 20;

struct FtpOptions {
    // How long a connect, a whole reply or a listing may take, and how long an upload may make
    // no progress, before the operation fails.
    int timeout_ms = 30000;
    std::size_t block_size = kDefaultBlockSize;
    // Raised from any thread, it ends every wait of the connection within kCancelSliceMs.
    const std::atomic<bool>* cancel = nullptr;
    // Runs on the transfer's thread when a transfer has ended, before its final state is
    // published (tests pause here).
    std::function<void()> on_transfer_end;
    // What a secure session trusts besides the system's authorities, and whom it asks.
    TrustSettings trust;
};

// True when the network layer is available.
bool Net_Init();

class FtpClient final : public FtpSession {
public:
    ~FtpClient() override;
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    bool is_open() const;

    bool check_alive() override;
    std::string get_directory() override;
    Status set_directory(const std::string& name) override;
    Status create_directory(const std::string& name) override;
    Status list_directory() override;
    const std::vector<FtpEntry>& entries() const override { return entries_; }
    void end_listing() override { entries_.clear(); }
    std::optional<std::int64_t> modification_time(const std::string& name) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status delete_file(const std::string& name) override;
    SendResult send_file(const std::string& local_file, const std::string& remote_name,
                         SendMode mode) override;
    TransferProgress progress() const override { return run_.progress(); }
    Error transfer_error() const override { return run_.error(); }
    void abort_file() override;
    void set_cancel(const std::atomic<bool>* cancel) override;
    void set_step_deadline(std::optional<Deadline> deadline) override;

private:
    friend Result<std::unique_ptr<FtpClient>> Ftp_Open(const FtpLogin& login,
                                                       const FtpOptions& options);
    FtpClient(ControlChannel control, FtpOptions options);

    // While a background upload runs the worker owns the control connection.
    bool busy() const { return run_.running(); }
    // Sends TYPE unless the connection already has that type.
    Status set_type(char type);
    SendResult upload(const std::string& local_file, const std::string& remote_name);

    ControlChannel control_;
    FtpOptions options_;
    std::vector<FtpEntry> entries_;
    char type_ = 0;
    // The folder a liveness check just read, for the get_directory that follows it.
    std::optional<std::string> checked_folder_;
    UploadRun run_; // last: its worker uses the members above
};

// Connects and logs in (USER, then PASS). Fails when the server cannot be reached, refuses the
// login, or accepts the user without asking for a password. For Protocol::Ftps the connection
// is secured first, and the login only follows once the server's certificate passed.
// Kinds: Unreachable, AuthRefused, IdentityChanged, Unverified, NameMismatch, Cancelled, Timeout,
// Refused or Failed otherwise.
Result<std::unique_ptr<FtpClient>> Ftp_Open(const FtpLogin& login, const FtpOptions& options = {});
// Opens a session of the login's protocol, with the same kinds of error.
SessionOpened open_session(const FtpLogin& login, const FtpOptions& options = {});
bool Ftp_IsOpen(const FtpClient* client);

} // namespace qp::net
