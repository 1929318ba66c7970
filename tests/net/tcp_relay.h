// A loopback relay between a client and a server that keeps what the client sent: the tests read
// it to see what an observer of the connection would see.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace qp::test {

class TcpRelay {
public:
    // Relays the first connection it accepts to 127.0.0.1:target.
    explicit TcpRelay(int target) : target_(target) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~TcpRelay() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (listener_ >= 0)
            ::close(listener_);
    }
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    int port() const { return port_; }
    std::string from_client() const {
        const std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    void run() {
        pollfd p{listener_, POLLIN, 0};
        while (!stop_ && ::poll(&p, 1, 100) == 0) {
        }
        if (stop_)
            return;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(target_));
        if (client >= 0 && server >= 0 &&
            ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            pump(client, server);
        if (client >= 0)
            ::close(client);
        if (server >= 0)
            ::close(server);
    }
    // Until either side closes or the relay stops; each wait is short.
    void pump(int client, int server) {
        char buffer[16384];
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        while (!stop_) {
            if (::poll(p, 2, 100) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (p[i].revents == 0)
                    continue;
                const ssize_t n = ::recv(p[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return;
                if (i == 0) {
                    const std::lock_guard lock(mutex_);
                    sent_.append(buffer, static_cast<std::size_t>(n));
                }
                if (::send(p[1 - i].fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)
                    return;
            }
        }
    }

    int target_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string sent_;
};

} // namespace qp::test
