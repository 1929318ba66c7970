// What the publishing job needs of an FTP connection. The client implements it over sockets;
// tests of the job may implement it in memory.
#pragma once

#include "core/clock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qp::net {

// Transfer state of an upload.
inline constexpr std::int64_t kTransferSettingUp = -1;
inline constexpr std::int64_t kTransferFailed = -2;
inline constexpr std::int64_t kTransferDone = -3;

struct FtpEntry {
    std::string name;
    std::string line; // the raw listing line
    std::int64_t size = 0;
    int permissions = 0; // rwx bits of owner, group and others
    DateValue date = 0;  // the server's clock, unconverted
    int type = 1;        // 1 = file, 2 = directory
};

class FtpSession {
public:
    virtual ~FtpSession() = default;

    // 1 when a transfer is sending, or when "PWD" is answered with 257.
    virtual bool CheckAlive() = 0;
    // The current remote directory, or the empty text.
    virtual std::string GetDirectory() = 0;
    // ".." goes to the parent folder.
    virtual bool SetDirectory(const std::string& name) = 0;
    virtual bool CreateDirectory(const std::string& name) = 0;
    // Reads the listing of the current directory into Entries().
    virtual bool ListDirectory() = 0;
    virtual const std::vector<FtpEntry>& Entries() const = 0;
    virtual void EndListing() = 0;
    // Starts the upload of a local file into the current remote folder under remote_name; with
    // async it runs on a worker thread and this returns at once. True when it was started.
    virtual bool SendFile(const std::string& local_file, const std::string& remote_name,
                          bool async) = 0;
    // kTransferSettingUp, the number of bytes sent so far, kTransferDone or kTransferFailed.
    virtual std::int64_t Progress() const = 0;
    // Requests the abort of a running transfer and waits until it has ended.
    virtual void AbortFile() = 0;
};

struct FtpLogin {
    std::string server;
    std::string user;
    std::string password;
    int port = 21;
    bool passive = true;
};

} // namespace qp::net
