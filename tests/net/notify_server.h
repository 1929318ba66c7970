// A web server on loopback that answers with the status a path begins with and records each
// request, for the tests of telling the directories.
#pragma once

#include "support/temp_dir.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace qp::test {

// tests/net/notify_server.py: answers with the status a path begins with, records the requests.
class NotifyServer {
public:
    NotifyServer() {
        int in[2];
        int out[2];
        if (!tmp_.ok() || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        const std::string script = std::string(QP_SOURCE_DIR) + "/tests/net/notify_server.py";
        const std::string log = tmp_.path() + "requests";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl("/usr/bin/python3", "python3", script.c_str(), log.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        std::string text;
        pollfd p{out[0], POLLIN, 0};
        char c = 0;
        while (text.size() < 16 && ::poll(&p, 1, 20000) == 1 && ::read(out[0], &c, 1) == 1 &&
               c != '\n')
            text += c;
        ::close(out[0]);
        port_ = std::atoi(text.c_str());
    }
    ~NotifyServer() {
        if (stdin_ >= 0)
            ::close(stdin_); // the server ends when its input closes
        if (pid_ > 0) {
            int status = 0;
            for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
                ::usleep(50000);
            if (::waitpid(pid_, &status, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
        }
    }
    NotifyServer(const NotifyServer&) = delete;
    NotifyServer& operator=(const NotifyServer&) = delete;

    bool running() const { return port_ > 0; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }
    // One line of JSON per request received, in their order.
    std::vector<std::string> requests() const {
        std::vector<std::string> lines;
        std::ifstream in(tmp_.path() + "requests");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    TempDir tmp_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

} // namespace qp::test
