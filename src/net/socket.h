// Every socket call of the program lives here: a connected TCP socket that owns its descriptor and
// never blocks longer than the time-out it is given.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace qp::net {

class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves host and connects to the first of its addresses that answers within timeout_ms.
    // An invalid socket on failure.
    static Socket connect_to(const std::string& host, int port, int timeout_ms);
    // Connects to the address of peer's remote end at another port.
    static Socket connect_to_peer(const Socket& peer, int port, int timeout_ms);

    // Whether the system lets the program open a TCP socket at all.
    static bool network_available();

    bool valid() const { return fd_ >= 0; }
    void close();
    // Ends the sending direction, so the peer reads the end of the data.
    void shutdown_send();

    // Sends every byte; false on error, when no progress is possible for timeout_ms, or when
    // *cancel is true (while the peer accepts nothing, checked every 100 ms).
    [[nodiscard]] bool send_all(std::string_view data, int timeout_ms,
                                const std::atomic<bool>* cancel = nullptr);

    static constexpr std::ptrdiff_t kFailed = -1;
    // Number of bytes received (at most size), 0 when the peer closed, or kFailed on error,
    // time-out, or when *cancel turns true while nothing arrives.
    std::ptrdiff_t receive(char* buffer, std::size_t size, int timeout_ms,
                           const std::atomic<bool>* cancel = nullptr);

private:
    explicit Socket(int fd) : fd_(fd) {}
    // Waits for events on the descriptor; false on time-out, error or cancel.
    bool wait_for(short events, int timeout_ms, const std::atomic<bool>* cancel) const;

    int fd_ = -1;
};

} // namespace qp::net
