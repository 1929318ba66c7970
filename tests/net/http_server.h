// Starts the system Python's simple web server on 127.0.0.1 serving a folder, for the checks of
// the published addresses, and stops it afterwards.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace qp::test {

class HttpServer {
public:
    explicit HttpServer(const std::string& root) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(out[1], 2);
            ::execl("/usr/bin/python3", "python3", "-u", "-m", "http.server", "0", "--bind",
                    "127.0.0.1", "--directory", root.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
        // "Serving HTTP on 127.0.0.1 port N (...)": the port the system gave.
        std::string text;
        pollfd p{out_, POLLIN, 0};
        char c = 0;
        while (text.size() < 200 && ::poll(&p, 1, 20000) == 1 && ::read(out_, &c, 1) == 1 &&
               c != '\n')
            text += c;
        const std::size_t at = text.find(" port ");
        if (at != std::string::npos)
            port_ = std::atoi(text.c_str() + at + 6);
        // The request log keeps coming; a reader that never reads would block the server.
        ::fcntl(out_, F_SETFL, O_NONBLOCK);
        drain_ = ::fork();
        if (drain_ == 0) {
            char buf[4096];
            ::fcntl(out_, F_SETFL, 0);
            while (::read(out_, buf, sizeof buf) > 0) {
            }
            ::_exit(0);
        }
    }
    ~HttpServer() {
        for (const pid_t pid : {pid_, drain_}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                int status = 0;
                ::waitpid(pid, &status, 0);
            }
        }
        if (out_ >= 0)
            ::close(out_);
    }
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool running() const { return port_ > 0; }
    // "http://127.0.0.1:PORT/" followed by path.
    std::string url(const std::string& path = {}) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }

private:
    pid_t pid_ = -1;
    pid_t drain_ = -1;
    int out_ = -1;
    int port_ = 0;
};

} // namespace qp::test
