// Starts a real FTP server (pyftpdlib, run by the system's Python) on 127.0.0.1 with a fresh
// root folder for one test, and stops it afterwards.
#pragma once

#include "net/ftp_session.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace qp::test {

class PyFtpd {
public:
    static constexpr const char* kUser = "quill";
    static constexpr const char* kPassword = "s3cret pass";

    // read_limit: what the server receives per second on a data connection, 0 for no limit.
    // root: the folder to serve, kept afterwards; empty for a fresh one removed afterwards.
    // certificate: a PEM file with the server's certificate and key, to require TLS; empty for
    // plain FTP.
    explicit PyFtpd(int read_limit = 0, const std::string& root = {},
                    const std::string& certificate = {}) {
        if (!root.empty()) {
            root_ = root;
        } else {
            if (!own_root_.emplace().ok())
                return;
            root_ = own_root_->path();
            root_.pop_back(); // callers add the "/"
        }
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        const std::string script = std::string(QP_SOURCE_DIR) + "/tests/net/pyftpd_server.py";
        const std::string limit = std::to_string(read_limit);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl("/usr/bin/python3", "python3", script.c_str(), root_.c_str(), kUser, kPassword,
                    limit.c_str(), certificate.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        // The server prints its port once it listens; give the interpreter a generous start.
        // Its output stays open while it runs, so a late write never meets a closed pipe.
        std::string text;
        pollfd p{stdout_, POLLIN, 0};
        char c = 0;
        while (text.size() < 16 && ::poll(&p, 1, 20000) == 1 && ::read(stdout_, &c, 1) == 1 &&
               c != '\n')
            text += c;
        port_ = std::atoi(text.c_str());
    }
    ~PyFtpd() {
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
        if (stdout_ >= 0)
            ::close(stdout_);
    }
    PyFtpd(const PyFtpd&) = delete;
    PyFtpd& operator=(const PyFtpd&) = delete;

    bool running() const { return port_ > 0; }
    const std::string& root() const { return root_; }
    net::FtpLogin login(const std::string& password = kPassword) const {
        return net::FtpLogin{"127.0.0.1", kUser, password, port_, true, Protocol::Ftp, {}};
    }

private:
    std::string root_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int port_ = 0;
    std::optional<TempDir> own_root_; // removed after the server has stopped
};

} // namespace qp::test
