// The keyring against a real keyring daemon on a private session bus. libsecret and GLib keep
// their connection to the bus for the life of the process, so each case runs in a process of its
// own (ctest runs every test so), and sets the bus address before the first keyring call.
#include "net/keyring.h"

#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

using namespace qp;
using namespace qp::net;

namespace {

// tests/net/keyring_daemons.sh under a private folder: a session bus at once, the keyring daemon
// on request; both stopped when the test ends.
class KeyringDaemons {
public:
    KeyringDaemons() {
        if (!tmp_.ok())
            return;
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        const std::string script = std::string(QP_SOURCE_DIR) + "/tests/net/keyring_daemons.sh";
        const std::string dir = tmp_.path() + "k";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setsid();
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl("/bin/sh", "sh", script.c_str(), dir.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        address_ = answer();
        if (address_.rfind("unix:", 0) != 0)
            address_.clear();
    }
    ~KeyringDaemons() {
        if (stdin_ >= 0)
            ::close(stdin_); // the script stops both daemons when its input closes
        if (pid_ > 0) {
            int status = 0;
            for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
                ::usleep(50000);
            if (::waitpid(pid_, &status, WNOHANG) == 0) {
                ::kill(-pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
        }
        if (stdout_ >= 0)
            ::close(stdout_);
    }
    KeyringDaemons(const KeyringDaemons&) = delete;
    KeyringDaemons& operator=(const KeyringDaemons&) = delete;

    // The bus's address, empty when it did not start.
    const std::string& address() const { return address_; }
    // "keyring" starts the daemon ("ready", or why not), "lock" locks its keyring ("locked").
    std::string command(const std::string& name) {
        const std::string line = name + "\n";
        if (stdin_ < 0 || ::write(stdin_, line.data(), line.size()) != ssize_t(line.size()))
            return "the script is not running";
        return answer();
    }

private:
    // One line from the script, within 20 s.
    std::string answer() {
        std::string line;
        pollfd p{stdout_, POLLIN, 0};
        char c = 0;
        while (line.size() < 4096 && ::poll(&p, 1, 20000) == 1 && ::read(stdout_, &c, 1) == 1 &&
               c != '\n')
            line += c;
        return line;
    }

    test::TempDir tmp_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::string address_;
};

} // namespace

TEST(Keyring, SaysWhyNoKeyringAnswers) {
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const KeyringKey key{Protocol::Ftp, "ftp.example.com", 21, "ann"};
    // An address where no bus listens.
    ASSERT_EQ(::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + tmp.path() + "none").c_str(), 1),
              0);
    Status available = keyring_available();
    EXPECT_EQ(available.kind(), ErrorKind::Unreachable);
    EXPECT_NE(available.error_text().find("No desktop session bus (D-Bus)"), std::string::npos)
        << available.error_text();
    // A failure, not "nothing stored", which would make the caller ask for a new password.
    EXPECT_EQ(keyring_read(key).kind(), ErrorKind::Unreachable);
    EXPECT_FALSE(keyring_store(key, "pw").ok());

    // A socket that takes the connection and never answers: a bounded wait, then a failure.
    {
        const std::string path = tmp.path() + "silent";
        const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        path.copy(addr.sun_path, sizeof addr.sun_path - 1);
        ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(::listen(silent, 4), 0);
        ASSERT_EQ(::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1), 0);
        const auto start = std::chrono::steady_clock::now();
        available = keyring_available();
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(available.kind(), ErrorKind::Timeout) << available.error_text();
        EXPECT_LT(waited, std::chrono::milliseconds(kKeyringWaitMs + 3000));
        ::close(silent);
    }

    // A bus without a keyring service.
    KeyringDaemons daemons;
    ASSERT_FALSE(daemons.address().empty()) << "the private session bus did not start";
    ASSERT_EQ(::setenv("DBUS_SESSION_BUS_ADDRESS", daemons.address().c_str(), 1), 0);
    available = keyring_available();
    EXPECT_EQ(available.kind(), ErrorKind::Unreachable);
    EXPECT_NE(available.error_text().find("No keyring service is running"), std::string::npos)
        << available.error_text();

    // Then the service comes: the same process finds it.
    ASSERT_EQ(daemons.command("keyring"), "ready");
    available = keyring_available();
    EXPECT_TRUE(available.ok()) << available.error_text();
}

TEST(Keyring, KeepsEachSecretUnderItsOwnKey) {
    KeyringDaemons daemons;
    ASSERT_FALSE(daemons.address().empty()) << "the private session bus did not start";
    ASSERT_EQ(daemons.command("keyring"), "ready");
    ASSERT_EQ(::setenv("DBUS_SESSION_BUS_ADDRESS", daemons.address().c_str(), 1), 0);
    const Status available = keyring_available();
    ASSERT_TRUE(available.ok()) << available.error_text();

    const KeyringKey ftp{Protocol::Ftp, "example.com", 21, "ann"};
    KeyringKey other_port = ftp;
    other_port.port = 2121;
    KeyringKey other_user = ftp;
    other_user.user = "bob";
    KeyringKey other_protocol = ftp;
    other_protocol.protocol = Protocol::Sftp;
    const KeyringKey store{Protocol::S3, "s3.example.com", 443, "AKIDEXAMPLE"};

    EXPECT_EQ(keyring_read(ftp).kind(), ErrorKind::NotFound);
    for (const auto& [key, secret] : std::vector<std::pair<KeyringKey, std::string>>{
             {ftp, "first"},
             {other_port, "port 2121"},
             {other_user, "bob's"},
             {store, "wJalrXUtnFEMI/K7MDENG/bPxRfiCYEXAMPLEKEY é"}}) {
        const Status stored = keyring_store(key, secret);
        ASSERT_TRUE(stored.ok()) << stored.error_text();
    }
    // A second store replaces the first rather than adding a rival item.
    ASSERT_TRUE(keyring_store(ftp, "second").ok());
    EXPECT_EQ(keyring_read(ftp).value_or("?"), "second");
    EXPECT_EQ(keyring_read(other_port).value_or("?"), "port 2121");
    EXPECT_EQ(keyring_read(other_user).value_or("?"), "bob's");
    EXPECT_EQ(keyring_read(store).value_or("?"), "wJalrXUtnFEMI/K7MDENG/bPxRfiCYEXAMPLEKEY é");
    EXPECT_EQ(keyring_read(other_protocol).kind(), ErrorKind::NotFound);

    ASSERT_TRUE(keyring_forget(ftp).ok());
    EXPECT_EQ(keyring_read(ftp).kind(), ErrorKind::NotFound);
    EXPECT_EQ(keyring_read(other_port).value_or("?"), "port 2121");
    EXPECT_TRUE(keyring_forget(ftp).ok()); // nothing left to forget

    // What the keyring's own viewer shows of an item (the tool splits it over both outputs).
    test::ProcessOptions bus;
    bus.env = {"DBUS_SESSION_BUS_ADDRESS=" + daemons.address()};
    bus.timeout = std::chrono::seconds(10);
    const test::ProcessResult tool = test::run_process(
        {"/usr/bin/secret-tool", "search", "server", "example.com", "user", "bob"}, bus);
    const std::string shown = tool.out + tool.err;
    for (const char* line : {"label = Quillpost: bob@example.com\n",
                             "schema = org.quillpost.Password\n", "attribute.protocol = ftp\n"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << shown;

    // A locked keyring that cannot ask for its password here: no "nothing stored", which would
    // make the caller ask for a new password.
    ASSERT_EQ(daemons.command("lock"), "locked");
    EXPECT_EQ(keyring_read(other_port).kind(), ErrorKind::Refused);
    const Status locked = keyring_available();
    EXPECT_EQ(locked.kind(), ErrorKind::Refused);
    EXPECT_NE(locked.error_text().find("locked"), std::string::npos) << locked.error_text();
}
