// The FTP client the publishing job drives: one control connection, a passive data connection
// per listing or upload, and uploads on a worker thread whose progress the window polls.
#pragma once

#include "net/ftp_channel.h"
#include "net/ftp_session.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qp::net {

// Bytes read from the file and sent per step of an upload; the progress moves once per block.
// 64 KiB blocks upload faster on loopback than 4 KiB ones (bench/ftp_vs_curl.sh).
inline constexpr std::size_t kDefaultBlockSize = 65536;

struct FtpOptions {
    // How long a connect, a send or a wait for the server may take before the operation fails.
    int timeout_ms = 30000;
    std::size_t block_size = kDefaultBlockSize;
};

// True when the network layer is available.
bool Net_Init();

class FtpClient final : public FtpSession {
public:
    ~FtpClient() override;
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    bool IsOpen() const;

    bool CheckAlive() override;
    std::string GetDirectory() override;
    bool SetDirectory(const std::string& name) override;
    bool CreateDirectory(const std::string& name) override;
    bool ListDirectory() override;
    const std::vector<FtpEntry>& Entries() const override { return entries_; }
    void EndListing() override { entries_.clear(); }
    // Without async the call returns when the transfer has ended: true when the file was sent.
    bool SendFile(const std::string& local_file, const std::string& remote_name,
                  bool async) override;
    std::int64_t Progress() const override { return state_.load(); }
    void AbortFile() override;

private:
    friend std::unique_ptr<FtpClient> Ftp_Open(const FtpLogin& login, const FtpOptions& options);
    FtpClient(ControlChannel control, const FtpOptions& options)
        : control_(std::move(control)), options_(options) {}

    // While an upload runs the worker owns the control connection.
    bool busy() const { return running_.load(); }
    void join_worker();
    void upload(const std::string& local_file, const std::string& remote_name);

    ControlChannel control_;
    FtpOptions options_;
    std::vector<FtpEntry> entries_;
    std::atomic<std::int64_t> state_{kTransferFailed};
    std::atomic<bool> running_{false};
    std::atomic<bool> abort_{false};
    std::thread worker_;
};

// Connects and logs in (USER, then PASS); nullptr when the server cannot be reached, refuses the
// login, or accepts the user without asking for a password.
std::unique_ptr<FtpClient> Ftp_Open(const FtpLogin& login, const FtpOptions& options = {});
bool Ftp_IsOpen(const FtpClient* client);

} // namespace qp::net
