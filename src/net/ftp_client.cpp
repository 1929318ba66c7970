#include "net/ftp_client.h"

#include "core/clock.h"
#include "net/ftp_listing.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace qp::net {

namespace {

// After an abort the server's closing reply is awaited only briefly.
constexpr int kAbortReplyMs = 500;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool Net_Init() {
    return Socket::network_available();
}

std::unique_ptr<FtpClient> Ftp_Open(const FtpLogin& login, const FtpOptions& options) {
    if (!is_safe_argument(login.user) || !is_safe_argument(login.password))
        return nullptr;
    Socket socket = Socket::connect_to(login.server, login.port, options.timeout_ms);
    if (!socket.valid())
        return nullptr;
    ControlChannel control(std::move(socket), options.timeout_ms);
    if (!control.read_reply()) // the greeting
        return nullptr;
    // A 230 straight after USER would log in without the password ever being checked.
    if (!control.command("USER", login.user, "331"))
        return nullptr;
    if (!control.command("PASS", login.password, "230"))
        return nullptr;
    return std::unique_ptr<FtpClient>(new FtpClient(std::move(control), options));
}

bool Ftp_IsOpen(const FtpClient* client) {
    return client && client->IsOpen();
}

FtpClient::~FtpClient() {
    AbortFile();
    if (control_.usable())
        (void)control_.send_command("QUIT");
    control_.close();
}

bool FtpClient::IsOpen() const {
    return busy() || control_.usable();
}

bool FtpClient::CheckAlive() {
    if (busy())
        return true;
    return control_.command("PWD", {}, "257");
}

std::string FtpClient::GetDirectory() {
    FtpReply reply;
    if (busy() || !control_.command("PWD", {}, "257", &reply))
        return {};
    return parse_pwd_directory(reply);
}

bool FtpClient::SetDirectory(const std::string& name) {
    if (busy() || name.empty())
        return false;
    if (name == "..")
        return control_.command("CDUP", {}, "200;250");
    return control_.command("CWD", name, "250");
}

bool FtpClient::CreateDirectory(const std::string& name) {
    if (busy() || name.empty())
        return false;
    return control_.command("MKD", name, "257");
}

bool FtpClient::ListDirectory() {
    entries_.clear();
    if (busy() || !control_.command("TYPE", "A", "200"))
        return false;
    Socket data = control_.open_passive();
    if (!data.valid() || !control_.command("LIST", {}, "125;150"))
        return false;
    std::string listing;
    std::vector<char> chunk(64 * 1024);
    bool complete = false;
    for (;;) {
        const std::ptrdiff_t got = data.receive(chunk.data(), chunk.size(), options_.timeout_ms);
        if (got == 0) {
            complete = true;
            break;
        }
        if (got < 0 || listing.size() + static_cast<std::size_t>(got) > kMaxListingBytes)
            break;
        listing.append(chunk.data(), static_cast<std::size_t>(got));
    }
    data.close();
    if (!control_.final_reply("226;250") || !complete)
        return false;
    entries_ = parse_listing(listing, date_fields(local_from_utc(current_clock().utc_now())));
    return true;
}

bool FtpClient::SendFile(const std::string& local_file, const std::string& remote_name,
                         bool async) {
    if (busy())
        return false;
    join_worker();
    if (remote_name.empty() || !is_safe_argument(remote_name) || !control_.usable()) {
        state_ = kTransferFailed;
        return false;
    }
    abort_ = false;
    state_ = kTransferSettingUp;
    running_ = true;
    if (!async) {
        upload(local_file, remote_name);
        return state_.load() == kTransferDone;
    }
    worker_ = std::thread([this, local_file, remote_name] { upload(local_file, remote_name); });
    return true;
}

void FtpClient::AbortFile() {
    if (!worker_.joinable())
        return;
    abort_ = true;
    worker_.join();
}

void FtpClient::join_worker() {
    if (worker_.joinable())
        worker_.join();
}

void FtpClient::upload(const std::string& local_file, const std::string& remote_name) {
    // The state is written before running_ is cleared: the window thread, seeing the end, may
    // use the control connection at once.
    const auto finish = [this](std::int64_t state) {
        control_.set_cancel(nullptr);
        state_ = state;
        running_ = false;
    };
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(local_file.c_str(), "rb"));
    if (!file) {
        finish(kTransferFailed);
        return;
    }
    control_.set_cancel(&abort_);
    if (!control_.command("TYPE", "I", "200")) {
        finish(kTransferFailed);
        return;
    }
    Socket data = control_.open_passive();
    if (!data.valid() || !control_.command("STOR", remote_name, "125;150")) {
        finish(kTransferFailed);
        return;
    }

    state_ = 0;
    std::vector<char> block(std::max<std::size_t>(options_.block_size, 1));
    bool reached_end = false;
    while (!abort_.load()) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
        if (n > 0) {
            if (!data.send_all(std::string_view(block.data(), n), options_.timeout_ms, &abort_))
                break;
            state_ += static_cast<std::int64_t>(n);
        }
        if (n < block.size()) {
            reached_end = std::feof(file.get()) && !std::ferror(file.get());
            break;
        }
    }
    data.shutdown_send();
    data.close();

    // Only the server's word that it stored the file makes the transfer a success.
    control_.set_cancel(nullptr);
    const bool aborted = abort_.load() && !reached_end;
    const int wait = aborted ? std::min(options_.timeout_ms, kAbortReplyMs) : -1;
    const bool stored = control_.final_reply("226;250", wait);
    finish(reached_end && stored ? kTransferDone : kTransferFailed);
}

} // namespace qp::net
