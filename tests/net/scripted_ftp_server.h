// A one-connection FTP server on 127.0.0.1 that plays a script: it expects commands, sends the
// replies written for them, serves the passive data connection, and records the exact command
// lines the client sent. Every wait is bounded, so a wrong client fails a test instead of hanging.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qp::test {

struct Step {
    enum class Data { None, Send, Receive, Drop };
    Step(std::string expect, std::string reply, Data data = Data::None, std::string payload = {},
         std::string after = {}, int slow_ms = 0)
        : expect(std::move(expect)), reply(std::move(reply)), data(data),
          payload(std::move(payload)), after(std::move(after)), slow_ms(slow_ms) {}

    std::string expect;  // the command line the client should send, without CR LF
    std::string reply;   // raw reply text; "{p1},{p2}" opens the data listener and names its port
    Data data;           // what happens on the data connection after the reply
    std::string payload; // Send: what the data connection carries
    std::string after;   // the reply that ends the data transfer
    // Without data: the reply trickles out one byte per slow_ms. With data: the payload
    // trickles so, and the reply after the data comes slow_ms late.
    int slow_ms = 0;
};

class ScriptedFtpServer {
public:
    static constexpr int kWaitMs = 10000;

    ScriptedFtpServer(std::string greeting, std::vector<Step> steps)
        : greeting_(std::move(greeting)), steps_(std::move(steps)) {
        listener_ = listen_on_loopback(port_);
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedFtpServer() {
        if (thread_.joinable())
            thread_.join();
        close_fd(listener_);
        close_fd(data_listener_);
    }
    int port() const { return port_; }

    // Every command line received, once the client has closed the connection (or after kWaitMs).
    std::vector<std::string> commands() {
        if (thread_.joinable())
            thread_.join();
        return commands_;
    }
    std::string received() {
        if (thread_.joinable())
            thread_.join();
        return received_;
    }

private:
    static void close_fd(int& fd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    static int listen_on_loopback(int& port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return -1;
        port = ntohs(a.sin_port);
        return fd;
    }
    static bool ready(int fd) {
        pollfd p{fd, POLLIN, 0};
        return fd >= 0 && ::poll(&p, 1, kWaitMs) == 1;
    }
    static int accept_one(int listener) {
        return ready(listener) ? ::accept(listener, nullptr, nullptr) : -1;
    }
    static void send_text(int fd, const std::string& text, int slow_ms = 0) {
        if (fd < 0 || text.empty())
            return;
        if (slow_ms <= 0) {
            (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
            return;
        }
        // Stops once the client has gone.
        for (const char c : text) {
            if (::send(fd, &c, 1, MSG_NOSIGNAL) != 1)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(slow_ms));
        }
    }
    // The next line without CR LF; false on end, error or silence.
    bool read_line(int fd, std::string& line) {
        for (;;) {
            const std::size_t end = pending_.find("\r\n");
            if (end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 2);
                return true;
            }
            char buf[4096];
            if (!ready(fd))
                return false;
            const ssize_t got = ::recv(fd, buf, sizeof buf, 0);
            if (got <= 0)
                return false;
            pending_.append(buf, static_cast<std::size_t>(got));
        }
    }
    void serve_data(int& listener, const Step& step, int control) {
        int data = accept_one(listener);
        close_fd(listener);
        char buf[65536];
        if (step.data == Step::Data::Send) {
            send_text(data, step.payload, step.slow_ms);
        } else if (step.data == Step::Data::Receive) {
            for (ssize_t got; ready(data) && (got = ::recv(data, buf, sizeof buf, 0)) > 0;)
                received_.append(buf, static_cast<std::size_t>(got));
        } else if (step.data == Step::Data::Drop && ready(data)) {
            (void)::recv(data, buf, sizeof buf, 0);
            linger reset{1, 0}; // closes with a reset, as a crashed server would
            ::setsockopt(data, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        }
        close_fd(data);
        if (step.slow_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(step.slow_ms));
        send_text(control, step.after);
    }
    void run() {
        int control = accept_one(listener_);
        send_text(control, greeting_);
        std::string line;
        for (const Step& step : steps_) {
            if (!read_line(control, line))
                break;
            commands_.push_back(line);
            if (line != step.expect) { // off the script: the client sees the session end
                send_text(control, "500 Unexpected command\r\n");
                close_fd(control);
                return;
            }
            std::string reply = step.reply;
            if (const auto at = reply.find("{p1},{p2}"); at != std::string::npos) {
                int port = 0;
                close_fd(data_listener_);
                data_listener_ = listen_on_loopback(port);
                reply.replace(at, 9, std::to_string(port / 256) + "," + std::to_string(port % 256));
            }
            send_text(control, reply, step.data == Step::Data::None ? step.slow_ms : 0);
            if (step.data != Step::Data::None)
                serve_data(data_listener_, step, control);
        }
        while (read_line(control, line)) { // what follows the script, such as QUIT
            commands_.push_back(line);
            send_text(control, line == "QUIT" ? "221 Bye\r\n" : "500 Not in the script\r\n");
        }
        close_fd(control);
    }

    std::string greeting_;
    std::vector<Step> steps_;
    int listener_ = -1;
    int data_listener_ = -1; // opened by a PASV reply, served by the step with data
    int port_ = 0;
    std::string pending_;
    std::vector<std::string> commands_;
    std::string received_;
    std::thread thread_;
};

} // namespace qp::test
