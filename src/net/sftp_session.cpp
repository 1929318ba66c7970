#include "net/sftp_session.h"

#include "core/clock.h"
#include "core/file_io.h"
#include "core/lines.h"
#include "core/text.h"
#include "net/local_file.h"
#include "net/upload_run.h"

#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace qp::net {

namespace {

std::string base64_decoded(std::string_view text) {
    std::string out(text.size() / 4 * 3 + 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0 || text.size() % 4 != 0)
        return {};
    const auto pad = static_cast<std::size_t>(
        std::count(text.end() - std::min<std::size_t>(text.size(), 2), text.end(), '='));
    out.resize(static_cast<std::size_t>(n) - pad);
    return out;
}

// Whether a host pattern of known_hosts names name: in plain text, or hashed ("|1|SALT|HASH",
// an HMAC-SHA1 of the name keyed with the salt).
bool names_host(std::string_view pattern, const std::string& name) {
    if (!pattern.starts_with("|1|"))
        return iequals(pattern, name);
    pattern.remove_prefix(3);
    const std::size_t bar = pattern.find('|');
    if (bar == std::string_view::npos)
        return false;
    const std::string salt = base64_decoded(pattern.substr(0, bar));
    const std::string hash = base64_decoded(pattern.substr(bar + 1));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    return !salt.empty() &&
           HMAC(EVP_sha1(), salt.data(), static_cast<int>(salt.size()),
                reinterpret_cast<const unsigned char*>(name.data()), name.size(), digest,
                &length) != nullptr &&
           hash == std::string_view(reinterpret_cast<const char*>(digest), length);
}

// The number of the first line of a known_hosts file that names the server, as ssh names it
// ("host" on port 22, else "[host]:port"); 0 when none does.
int known_hosts_line(const std::string& path, const std::string& host, int port) {
    std::string text;
    if (!read_regular_file(path, text, std::uint64_t{16} << 20))
        return 0;
    const std::string name = port == 22 ? host : "[" + host + "]:" + std::to_string(port);
    LineReader lines(text);
    int number = 0;
    while (const auto raw = lines.next()) {
        ++number;
        std::string line = trim_blanks(*raw);
        if (line.starts_with('@')) // a marker before the hosts
            line = trim_blanks(line.substr(std::min(line.find(' '), line.size())));
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::string hosts = line.substr(0, line.find_first_of(" \t"));
        for (std::size_t at = 0; at <= hosts.size();) {
            const std::size_t comma = std::min(hosts.find(',', at), hosts.size());
            if (names_host(std::string_view(hosts).substr(at, comma - at), name))
                return number;
            at = comma + 1;
        }
    }
    return 0;
}

// Bytes per write request; each waits for the server's answer.
constexpr std::size_t kWriteChunk = std::size_t{64} * 1024;
// A listing of more entries than this is cut short.
constexpr std::size_t kMaxEntries = 100000;
// How long a cancel may leave a call of the library running before the connection is cut.
constexpr int kCancelGraceMs = 300;
constexpr const char* kBusy = "a transfer is running";

std::string join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// The library blocks in its own waits; this thread ends them from outside. While a call is
// watched, its deadline passing or a cancel request staying raised shuts the connection down,
// so the call returns at once with an error.
class Watchdog {
public:
    Watchdog() : thread_([this] { run(); }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void set_socket(int fd) {
        const std::lock_guard lock(mutex_);
        fd_ = fd;
    }
    void set_cancel(CancelFlags cancel) {
        const std::lock_guard lock(mutex_);
        cancel_ = cancel;
    }
    void arm(Deadline deadline) {
        const std::lock_guard lock(mutex_);
        armed_ = true;
        deadline_ = deadline;
        cancel_seen_.reset();
    }
    void disarm() {
        const std::lock_guard lock(mutex_);
        armed_ = false;
    }
    // Why the connection was cut, or the empty text.
    std::string fired() const {
        const std::lock_guard lock(mutex_);
        return fired_;
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::milliseconds(50));
            if (!armed_ || fd_ < 0 || !fired_.empty())
                continue;
            const auto now = std::chrono::steady_clock::now();
            if (cancel_.raised() && !cancel_seen_)
                cancel_seen_ = now;
            if (cancel_seen_ && now - *cancel_seen_ >= std::chrono::milliseconds(kCancelGraceMs))
                fired_ = std::string(kCancelled);
            else if (now >= deadline_)
                fired_ = std::string(kTimedOut);
            if (!fired_.empty())
                ::shutdown(fd_, SHUT_RDWR);
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    int fd_ = -1;
    CancelFlags cancel_;
    bool armed_ = false;
    Deadline deadline_{};
    std::optional<std::chrono::steady_clock::time_point> cancel_seen_;
    std::string fired_;
    std::thread thread_;
};

// Watches one call of the library.
class Watch {
public:
    Watch(Watchdog& dog, Deadline deadline) : dog_(dog) { dog_.arm(deadline); }
    ~Watch() { dog_.disarm(); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

private:
    Watchdog& dog_;
};

struct AttributesFree {
    void operator()(sftp_attributes a) const { sftp_attributes_free(a); }
};
using Attributes = std::unique_ptr<sftp_attributes_struct, AttributesFree>;

class SftpSession final : public FtpSession {
public:
    SftpSession(FtpOptions options) : options_(std::move(options)) {
        watchdog_.set_cancel(CancelFlags{options_.cancel});
    }
    ~SftpSession() override {
        abort_file();
        if (sftp_)
            sftp_free(sftp_);
        if (ssh_) {
            if (watchdog_.fired().empty())
                ssh_disconnect(ssh_);
            ssh_free(ssh_);
        }
    }
    SftpSession(const SftpSession&) = delete;
    SftpSession& operator=(const SftpSession&) = delete;

    Status open(const FtpLogin& login);

    bool check_alive() override {
        if (busy())
            return true;
        return stat(cwd_) != nullptr;
    }
    std::string get_directory() override {
        if (busy() || !usable())
            return {};
        return cwd_ == root_ ? "/"
                             : cwd_.substr(root_.ends_with('/') ? root_.size() - 1 : root_.size());
    }
    Status set_directory(const std::string& name) override {
        if (Status status = check(name); !status)
            return status;
        if (name == "..") {
            // The login folder is the top, as the root of an FTP server is.
            if (cwd_ != root_)
                cwd_ = cwd_.substr(0, std::max<std::size_t>(cwd_.rfind('/'), 1));
            return {};
        }
        const std::string path = join(cwd_, name);
        const Attributes a = stat(path);
        if (!a)
            return refused("no folder " + name + ": " + last_error());
        if (a->type != SSH_FILEXFER_TYPE_DIRECTORY)
            return make_error(ErrorKind::Refused, name + " is not a folder");
        cwd_ = path;
        return {};
    }
    Status create_directory(const std::string& name) override {
        if (Status status = check(name); !status)
            return status;
        const Watch watch(watchdog_, deadline());
        if (sftp_mkdir(sftp_, join(cwd_, name).c_str(), 0755) != 0)
            return refused("the folder " + name + " cannot be created: " + last_error());
        return {};
    }
    Status list_directory() override;
    const std::vector<FtpEntry>& entries() const override { return entries_; }
    void end_listing() override { entries_.clear(); }
    std::optional<std::int64_t> modification_time(const std::string& name) override {
        if (!check(name))
            return std::nullopt;
        const Attributes a = stat(join(cwd_, name));
        if (!a || (a->flags & SSH_FILEXFER_ATTR_ACMODTIME) == 0)
            return std::nullopt;
        return static_cast<std::int64_t>(a->mtime);
    }
    Status rename(const std::string& from, const std::string& to) override {
        if (Status status = check(from) ? check(to) : check(from); !status)
            return status;
        const std::string source = join(cwd_, from);
        const std::string target = join(cwd_, to);
        const Watch watch(watchdog_, deadline());
        if (sftp_rename(sftp_, source.c_str(), target.c_str()) == 0)
            return {};
        // Servers of the first protocol version refuse to replace a file: remove it first.
        if (sftp_unlink(sftp_, target.c_str()) == 0 &&
            sftp_rename(sftp_, source.c_str(), target.c_str()) == 0)
            return {};
        return refused("RENAME refused: " + last_error());
    }
    Status delete_file(const std::string& name) override {
        if (Status status = check(name); !status)
            return status;
        const Watch watch(watchdog_, deadline());
        if (sftp_unlink(sftp_, join(cwd_, name).c_str()) != 0)
            return refused("DELETE refused: " + last_error());
        return {};
    }
    SendResult send_file(const std::string& local_file, const std::string& remote_name,
                         SendMode mode) override;
    TransferProgress progress() const override { return run_.progress(); }
    Error transfer_error() const override { return run_.error(); }
    // The abort flag is lowered after, else the watchdog would cut the next call that takes a
    // while.
    void abort_file() override { run_.abort(); }
    void set_cancel(const std::atomic<bool>* cancel) override {
        options_.cancel = cancel;
        watchdog_.set_cancel(CancelFlags{cancel, run_.abort_flag()});
    }
    void set_step_deadline(std::optional<Deadline> deadline) override { step_deadline_ = deadline; }

private:
    bool busy() const { return run_.running(); }
    bool usable() const { return sftp_ && watchdog_.fired().empty(); }
    Deadline deadline() const {
        const Deadline own = deadline_in(options_.timeout_ms);
        return step_deadline_ ? std::min(own, *step_deadline_) : own;
    }
    // Whether an operation on name may run now.
    Status check(const std::string& name) const {
        if (busy())
            return make_error(ErrorKind::Failed, kBusy);
        if (!usable())
            return make_error(ErrorKind::Failed, "the connection to the server is lost");
        if (name.empty())
            return make_error(ErrorKind::BadInput, "no name");
        if (name.find('\0') != std::string::npos)
            return make_error(ErrorKind::BadInput, "the name holds a NUL");
        return {};
    }
    // A request the server did not carry out, unless a wait cut it.
    Error refused(std::string text) const {
        return wait_error(std::move(text), ErrorKind::Refused);
    }
    Attributes stat(const std::string& path) {
        if (!usable())
            return nullptr;
        const Watch watch(watchdog_, deadline());
        return Attributes(sftp_stat(sftp_, path.c_str()));
    }
    std::string last_error() const {
        if (std::string cut = watchdog_.fired(); !cut.empty())
            return cut;
        const char* text = ssh_get_error(ssh_);
        const int code = sftp_ ? sftp_get_error(sftp_) : 0;
        std::string out = code != 0 ? "SFTP error " + std::to_string(code) : std::string();
        if (text && *text)
            out += (out.empty() ? "" : ", ") + std::string(text);
        return out.empty() ? "failed" : out;
    }
    SendResult upload(const std::string& local_file, const std::string& remote_name);

    FtpOptions options_;
    Socket socket_; // the connection the library speaks over; cut by the watchdog
    Watchdog watchdog_;
    ssh_session ssh_ = nullptr;
    sftp_session sftp_ = nullptr;
    std::string root_; // the login folder
    std::string cwd_;
    std::optional<Deadline> step_deadline_;
    std::vector<FtpEntry> entries_;
    UploadRun run_;
};

Status SftpSession::open(const FtpLogin& login) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { ssh_init(); });
    const CancelFlags cancel{options_.cancel};
    socket_ = Socket::connect_to(login.server, login.port, deadline(), cancel);
    if (!socket_.valid())
        return make_error(cancel.raised() ? ErrorKind::Cancelled : ErrorKind::Unreachable,
                          "the server cannot be reached");
    watchdog_.set_socket(socket_.handle());
    watchdog_.set_cancel(CancelFlags{options_.cancel, run_.abort_flag()});
    // The library speaks over the session's own connection and leaves closing it to the session,
    // after the library is done with it.
    socket_t fd = socket_.handle();
    ssh_ = ssh_new();
    if (!ssh_)
        return make_error(ErrorKind::Failed, "SSH is not available");
    const int port = login.port;
    const bool no = false;
    const long timeout_us = static_cast<long>(options_.timeout_ms) * 1000;
    std::string known_hosts = options_.trust.known_hosts;
    if (known_hosts.empty()) {
        const char* home = std::getenv("HOME");
        known_hosts = std::string(home ? home : "") + "/.ssh/known_hosts";
    }
    // The user's own SSH settings are not read: the session goes where the document says.
    if (ssh_options_set(ssh_, SSH_OPTIONS_PROCESS_CONFIG, &no) != 0 ||
        ssh_options_set(ssh_, SSH_OPTIONS_HOST, login.server.c_str()) != 0 ||
        ssh_options_set(ssh_, SSH_OPTIONS_PORT, &port) != 0 ||
        ssh_options_set(ssh_, SSH_OPTIONS_USER, login.user.c_str()) != 0 ||
        ssh_options_set(ssh_, SSH_OPTIONS_TIMEOUT_USEC, &timeout_us) != 0 ||
        ssh_options_set(ssh_, SSH_OPTIONS_KNOWNHOSTS, known_hosts.c_str()) != 0 ||
        ssh_options_set(ssh_, SSH_OPTIONS_FD, &fd) != 0) {
        return make_error(ErrorKind::Failed, "the SSH settings are refused: " + last_error());
    }
    {
        const Watch watch(watchdog_, deadline());
        if (ssh_connect(ssh_) != SSH_OK)
            return wait_error("the SSH connection failed: " + last_error());
    }

    // The host key, before the password goes out.
    const std::string server = trust_server_key(login.server, login.port);
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(ssh_, &key) != SSH_OK)
        return make_error(ErrorKind::Unverified, "the server shows no host key");
    unsigned char* hash = nullptr;
    std::size_t hash_length = 0;
    std::string fingerprint;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hash_length) == 0) {
        if (char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hash_length)) {
            fingerprint = text;
            ssh_string_free_char(text);
        }
        ssh_clean_pubkey_hash(&hash);
    }
    ssh_key_free(key);
    if (fingerprint.empty())
        return make_error(ErrorKind::Unverified, "the server's host key cannot be read");
    switch (ssh_session_is_known_server(ssh_)) {
    case SSH_KNOWN_HOSTS_OK:
        break;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
        // What a server impersonating the known one would show: never offered to the user.
        {
            const int line = known_hosts_line(known_hosts, login.server, login.port);
            const std::string where =
                known_hosts + (line > 0 ? ", line " + std::to_string(line) : std::string());
            return refuse_changed_identity(options_.trust, server, fingerprint,
                                           "the key in " + where, where);
        }
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND:
        if (Status trusted =
                decide_trust(options_.trust, server, fingerprint, "the host key is not known");
            !trusted)
            return trusted;
        break;
    case SSH_KNOWN_HOSTS_ERROR:
    default:
        return make_error(ErrorKind::Failed, "the known hosts cannot be read: " + last_error());
    }

    int auth = SSH_AUTH_ERROR;
    {
        const Watch watch(watchdog_, deadline());
        auth = ssh_userauth_password(ssh_, nullptr, login.password.c_str());
    }
    if (auth != SSH_AUTH_SUCCESS)
        return wait_error("the login is refused: " + last_error(), ErrorKind::AuthRefused);

    const Watch watch(watchdog_, deadline());
    sftp_ = sftp_new(ssh_);
    if (!sftp_)
        return wait_error("SFTP is refused: " + last_error(), ErrorKind::Refused);
    if (sftp_init(sftp_) != SSH_OK)
        return wait_error("SFTP does not start: " + last_error());
    char* home = sftp_canonicalize_path(sftp_, ".");
    if (!home)
        return wait_error("the login folder is unknown: " + last_error());
    root_ = home;
    ssh_string_free_char(home);
    if (root_.empty() || root_[0] != '/')
        return make_error(ErrorKind::BadInput, "the login folder is not absolute: " + root_);
    cwd_ = root_;
    return {};
}

Status SftpSession::list_directory() {
    entries_.clear();
    if (busy())
        return make_error(ErrorKind::Failed, kBusy);
    if (!usable())
        return make_error(ErrorKind::Failed, "the connection to the server is lost");
    // The whole listing shares one deadline, however slowly it arrives.
    const Watch watch(watchdog_, deadline());
    sftp_dir dir = sftp_opendir(sftp_, cwd_.c_str());
    if (!dir)
        return refused("LIST: " + last_error());
    Status status;
    while (sftp_attributes a = sftp_readdir(sftp_, dir)) {
        const Attributes owned(a);
        const std::string name = a->name ? a->name : "";
        if (name.empty() || name == "." || name == "..")
            continue;
        if (entries_.size() >= kMaxEntries) {
            status = make_error(ErrorKind::TooLarge, "the listing is too large");
            break;
        }
        FtpEntry& e = entries_.emplace_back();
        e.name = name;
        e.line = a->longname ? a->longname : name;
        e.size = static_cast<std::int64_t>(a->size);
        e.permissions = static_cast<int>(a->permissions & 0777);
        // The listing's dates stand for the server's wall clock, as an FTP listing's do.
        e.date = local_from_utc(static_cast<std::int64_t>(a->mtime));
        e.type = a->type == SSH_FILEXFER_TYPE_DIRECTORY ? EntryType::Directory : EntryType::File;
    }
    if (status && !sftp_dir_eof(dir))
        status = refused("LIST: " + last_error());
    sftp_closedir(dir);
    if (!status)
        entries_.clear();
    return status;
}

SendResult SftpSession::send_file(const std::string& local_file, const std::string& remote_name,
                                  SendMode mode) {
    if (busy())
        return {make_error(ErrorKind::Failed, kBusy), false};
    run_.join();
    if (Status status = check(remote_name); !status)
        return run_.refuse(status.error());
    return run_.start(mode,
                      [this, local_file, remote_name] { return upload(local_file, remote_name); });
}

SendResult SftpSession::upload(const std::string& local_file, const std::string& remote_name) {
    const CancelFlags cancel{options_.cancel, run_.abort_flag()};
    bool started = false;
    const auto finish = [&](Status status) {
        return run_.end(std::move(status), started, options_.on_transfer_end);
    };
    const LocalFile file(local_file);
    const std::int64_t size = file.size();
    if (size < 0)
        return finish(make_error(ErrorKind::Failed, "the local file cannot be read"));
    sftp_file remote = nullptr;
    {
        const Watch watch(watchdog_, deadline());
        remote =
            sftp_open(sftp_, join(cwd_, remote_name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    if (!remote)
        return finish(refused("STOR refused: " + last_error()));
    started = true;
    run_.data_started();
    std::vector<char> chunk(kWriteChunk);
    std::int64_t offset = 0;
    std::string error = local_file_send_parts(
        file.fd(), offset, static_cast<std::size_t>(size), chunk, cancel,
        [&](std::string_view part) -> std::string {
            // A slow link is fine as long as it moves: the time-out bounds each write.
            const Watch watch(watchdog_, deadline_in(options_.timeout_ms));
            if (sftp_write(remote, part.data(), part.size()) != static_cast<ssize_t>(part.size()))
                return "the data connection failed: " + last_error();
            run_.sent(static_cast<std::int64_t>(part.size()));
            return {};
        });
    {
        // Only the server's answer to the close tells that everything was stored.
        const Watch watch(watchdog_, deadline());
        if (sftp_close(remote) != SSH_NO_ERROR && error.empty())
            error = "STOR: " + last_error();
    }
    if (!error.empty())
        return finish(wait_error(std::move(error)));
    return finish({});
}

} // namespace

SessionOpened open_sftp(const FtpLogin& login, const FtpOptions& options) {
    return open_session_as<SftpSession>(login, options);
}

} // namespace qp::net
