// Every socket call of the program lives here: a connected TCP socket that owns its descriptor and
// never blocks past the deadline it is given, nor long after a cancel request.
#pragma once

#include "core/result.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp::net {

using Deadline = std::chrono::steady_clock::time_point;

// The deadline timeout_ms from now.
Deadline deadline_in(int timeout_ms);

// How often a wait looks at its cancel flag: a cancel takes effect within this time.
inline constexpr int kCancelSliceMs = 100;

// The flags that cancel a wait: the caller's and the operation's own; either one raised ends it.
struct CancelFlags {
    const std::atomic<bool>* first = nullptr;
    const std::atomic<bool>* second = nullptr;
    bool raised() const { return (first && first->load()) || (second && second->load()); }
    bool any() const { return first || second; }
};

class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves host and connects to the first of its addresses that answers before the deadline.
    // An invalid socket on failure.
    static Socket connect_to(const std::string& host, int port, Deadline deadline,
                             CancelFlags cancel = {});
    // Connects to the address of peer's remote end at another port.
    static Socket connect_to_peer(const Socket& peer, int port, Deadline deadline,
                                  CancelFlags cancel = {});

    // Whether the system lets the program open a TCP socket at all.
    static bool network_available();

    bool valid() const { return fd_ >= 0; }
    void close();
    // Ends the sending direction, so the peer reads the end of the data.
    void shutdown_send();

    // Sends every byte. Empty on success, else why not: an error, the deadline passed, or
    // a cancel flag was raised.
    [[nodiscard]] std::string send_all(std::string_view data, Deadline deadline,
                                       CancelFlags cancel = {});
    // Sends count bytes of an open file from offset on, advancing offset; straight from the
    // page cache where the system can. Fails when no byte moves for idle_ms, however long the
    // whole takes. Empty on success, else why not.
    [[nodiscard]] std::string send_file_part(int file_fd, std::int64_t& offset, std::size_t count,
                                             int idle_ms, CancelFlags cancel = {});
    // Receives at most size bytes into buffer; got = 0 means the peer closed. Empty on success,
    // else why nothing was received.
    [[nodiscard]] std::string receive(char* buffer, std::size_t size, std::size_t& got,
                                      Deadline deadline, CancelFlags cancel = {});
    // Waits until the socket can be read, or written. Empty when it can, else why not.
    [[nodiscard]] std::string wait_readable(Deadline deadline, CancelFlags cancel = {}) const;
    [[nodiscard]] std::string wait_writable(Deadline deadline, CancelFlags cancel = {}) const;
    // The descriptor, for a library that reads and writes it itself.
    int handle() const { return fd_; }

private:
    explicit Socket(int fd) : fd_(fd) {}

    int fd_ = -1;
};

// Writes that may meet a closed peer without a flag against SIGPIPE (a TLS or SSH library's own
// writes) run while one of these lives: the signal is held back on this thread, and one raised
// meanwhile is taken off before the old mask comes back.
class HoldSigpipe {
public:
    HoldSigpipe();
    ~HoldSigpipe();
    HoldSigpipe(const HoldSigpipe&) = delete;
    HoldSigpipe& operator=(const HoldSigpipe&) = delete;

private:
    sigset_t pipe_{};
    sigset_t saved_{};
    bool was_pending_ = false;
    bool held_ = false;
};

// The error texts of an ended wait, so callers can tell them apart.
inline constexpr std::string_view kTimedOut = "no answer in time";
inline constexpr std::string_view kCancelled = "cancelled";

// An error whose text may end with one of the texts above, whatever the layers above the wait put
// before it: Cancelled or Timeout then, else the kind given.
inline Error wait_error(std::string text, ErrorKind otherwise = ErrorKind::Failed) {
    const std::string_view view = text;
    const auto ends_with = [&](std::string_view end) {
        return view.size() >= end.size() && view.substr(view.size() - end.size()) == end;
    };
    const ErrorKind kind = ends_with(kCancelled)  ? ErrorKind::Cancelled
                           : ends_with(kTimedOut) ? ErrorKind::Timeout
                                                  : otherwise;
    return make_error(kind, std::move(text));
}

} // namespace qp::net
