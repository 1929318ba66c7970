// Starts OpenSSH's server on a free loopback port for one test, in the foreground, with its own
// configuration and host key, serving SFTP only to a throw-away account made for it.
//
// Password logins need a system account, so the account is made here and removed afterwards:
// that needs root (the test is skipped otherwise). It has no shell (nologin), a random password,
// a name of this process's own, and it is only accepted by this server.
#pragma once

#include "core/file_io.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

namespace qp::test {

class TestSshd {
public:
    TestSshd() { error_ = start(); }
    ~TestSshd() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
                ::usleep(20000);
            if (::waitpid(pid_, &status, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
        }
        if (made_user_)
            run_process({"/usr/sbin/userdel", "-f", user_}); // its last session may be ending
    }
    TestSshd(const TestSshd&) = delete;
    TestSshd& operator=(const TestSshd&) = delete;

    // Empty when the server runs, else why not.
    const std::string& error() const { return error_; }
    int port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    // The account's login folder, which the session shows as "/".
    const std::string& home() const { return home_; }
    const std::string& folder() const { return dir_.path(); }
    // A known_hosts line for this server with the host key, or with another key.
    std::string known_hosts_line(bool real_key = true) const {
        std::string key;
        (void)read_file(dir_.path() + (real_key ? "host_key.pub" : "other_key.pub"), key);
        return "[127.0.0.1]:" + std::to_string(port_) + " " + key;
    }
    // The host key's fingerprint as ssh-keygen shows it ("SHA256:...").
    std::string fingerprint() const {
        const ProcessResult r = run_process(
            {"/usr/bin/ssh-keygen", "-l", "-E", "sha256", "-f", dir_.path() + "host_key.pub"});
        const auto from = r.out.find("SHA256:");
        return from == std::string::npos ? "" : r.out.substr(from, r.out.find(' ', from) - from);
    }

private:
    std::string start() {
        if (::geteuid() != 0)
            return "the test account needs root";
        if (!dir_.ok())
            return "no temporary folder";
        const std::string& dir = dir_.path();
        home_ = dir + "home";
        ::chmod(dir.c_str(), 0755);
        ::mkdir(home_.c_str(), 0755);
        for (const char* key : {"host_key", "other_key"}) {
            if (run_process(
                    {"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", dir + key})
                    .status != 0)
                return "ssh-keygen failed";
        }
        std::random_device random;
        const char* letters = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
        for (int i = 0; i < 24; ++i)
            password_ += letters[random() % 57];
        static int made = 0;
        user_ = "qpsftp" + std::to_string(::getpid()) + "x" + std::to_string(++made);
        if (run_process({"/usr/sbin/useradd", "-M", "-d", home_, "-s", "/usr/sbin/nologin", user_})
                .status != 0)
            return "useradd failed";
        made_user_ = true;
        const ProcessResult hash = run_process({"/usr/bin/openssl", "passwd", "-6", password_});
        if (hash.status != 0 || hash.out.empty() ||
            run_process({"/usr/sbin/usermod", "-p", hash.out.substr(0, hash.out.find('\n')), user_})
                    .status != 0)
            return "the password cannot be set";
        const passwd* account = ::getpwnam(user_.c_str());
        if (!account || ::chown(home_.c_str(), account->pw_uid, account->pw_gid) != 0)
            return "the login folder cannot be given to the account";
        ::mkdir("/run/sshd", 0755); // the server's privilege separation folder

        port_ = free_port();
        const std::string config = "ListenAddress 127.0.0.1\nPort " + std::to_string(port_) +
                                   "\nHostKey " + dir +
                                   "host_key\nPidFile none\nUsePAM no\n"
                                   "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                                   "PubkeyAuthentication no\nAuthorizedKeysFile none\n"
                                   "PermitRootLogin no\nAllowUsers " +
                                   user_ +
                                   "\nStrictModes no\nLogLevel ERROR\n"
                                   "Subsystem sftp internal-sftp\nForceCommand internal-sftp\n";
        if (!write_file(dir + "sshd_config", config))
            return "no configuration";
        const std::string log = dir + "sshd.log";
        const std::string config_path = dir + "sshd_config";
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_RDONLY);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(null, 0);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-e", "-f", config_path.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (accepts(port_))
                return {};
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                std::string text;
                (void)read_file(log, text);
                return "sshd ended: " + text;
            }
            ::usleep(50000);
        }
        return "sshd does not listen";
    }

    static int free_port() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        return port;
    }
    static bool accepts(int port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }

    TempDir dir_;
    std::string error_;
    std::string home_;
    std::string user_;
    std::string password_;
    bool made_user_ = false;
    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace qp::test
