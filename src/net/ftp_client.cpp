#include "net/ftp_client.h"

#include "core/clock.h"
#include "net/ftp_listing.h"
#include "net/local_file.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <utility>

namespace qp::net {

namespace {

// After an abort or a cancel the server's closing reply is awaited only briefly.
constexpr int kAbortReplyMs = 500;

constexpr const char* kBusy = "a transfer is running";

} // namespace

bool Net_Init() {
    return Socket::network_available();
}

Result<std::unique_ptr<FtpClient>> open_ftp(const FtpLogin& login, const FtpOptions& options) {
    if (!is_safe_argument(login.user) || !is_safe_argument(login.password))
        return make_error(ErrorKind::BadInput, "the user or the password holds a line break");
    const CancelFlags cancel{options.cancel};
    Socket socket =
        Socket::connect_to(login.server, login.port, deadline_in(options.timeout_ms), cancel);
    if (!socket.valid()) {
        if (cancel.raised())
            return make_error(ErrorKind::Cancelled, "the server cannot be reached");
        return make_error(ErrorKind::Unreachable, "the server cannot be reached");
    }
    ControlChannel control(std::move(socket), options.timeout_ms);
    control.set_cancel(cancel);
    FtpReply greeting;
    if (std::string error = control.read_reply(greeting, control.deadline()); !error.empty())
        return wait_error("no greeting: " + error);
    if (login.protocol == Protocol::Ftps) {
        TlsContext::Made tls = TlsContext::Create(options.trust.ca_file);
        if (!tls.context)
            return make_error(ErrorKind::Failed, tls.error);
        if (Status secured =
                control.start_tls(tls.context, login.server, login.port, options.trust);
            !secured)
            return secured.error();
    } else if (login.protocol != Protocol::Ftp) {
        return make_error(ErrorKind::BadInput, "not an FTP login");
    }
    // A 230 straight after USER would log in without the password ever being checked.
    Status status = control.command("USER", login.user, "331");
    if (status)
        status = control.command("PASS", login.password, "230");
    if (!status) {
        const Error& error = status.error();
        return make_error(error.kind == ErrorKind::Refused ? ErrorKind::AuthRefused : error.kind,
                          error.text);
    }
    return std::unique_ptr<FtpClient>(new FtpClient(std::move(control), options));
}

bool Ftp_IsOpen(const FtpClient* client) {
    return client && client->IsOpen();
}

FtpClient::FtpClient(ControlChannel control, FtpOptions options)
    : control_(std::move(control)), options_(std::move(options)) {}

FtpClient::~FtpClient() {
    AbortFile();
    if (control_.usable() && !control_.cancel().raised())
        (void)control_.send_command("QUIT");
    control_.close();
}

bool FtpClient::IsOpen() const {
    return busy() || control_.usable();
}

bool FtpClient::CheckAlive() {
    if (busy())
        return true;
    FtpReply reply;
    checked_folder_.reset();
    if (!control_.command("PWD", {}, "257", &reply))
        return false;
    checked_folder_ = parse_pwd_directory(reply);
    return true;
}

std::string FtpClient::GetDirectory() {
    // A liveness check asked the same question a moment ago.
    if (std::optional<std::string> folder = std::exchange(checked_folder_, std::nullopt))
        return *folder;
    FtpReply reply;
    if (busy() || !control_.command("PWD", {}, "257", &reply))
        return {};
    return parse_pwd_directory(reply);
}

std::string FtpClient::SetDirectory(const std::string& name) {
    checked_folder_.reset();
    if (busy())
        return kBusy;
    if (name.empty())
        return "no folder name";
    if (name == "..")
        return control_.command("CDUP", {}, "200;250").error_text();
    return control_.command("CWD", name, "250").error_text();
}

std::string FtpClient::CreateDirectory(const std::string& name) {
    checked_folder_.reset();
    if (busy())
        return kBusy;
    if (name.empty())
        return "no folder name";
    return control_.command("MKD", name, "257").error_text();
}

std::string FtpClient::ListDirectory() {
    checked_folder_.reset();
    entries_.clear();
    if (busy())
        return kBusy;
    // The whole listing shares one deadline, however slowly its bytes arrive.
    const Deadline until = control_.deadline();
    control_.set_step_deadline(until);
    Status status = set_type('A');
    Stream data;
    if (status)
        status = control_.open_passive(data);
    if (status)
        status = control_.command("LIST", {}, "125;150");
    if (!status) {
        control_.set_step_deadline(std::nullopt);
        return status.error_text();
    }
    std::string error = control_.secure_data(data).error_text();
    std::string listing;
    std::vector<char> chunk(std::size_t{64} * 1024);
    while (error.empty()) {
        std::size_t got = 0;
        error = data.receive(chunk.data(), chunk.size(), got, until, control_.cancel());
        if (!error.empty() || got == 0)
            break;
        if (listing.size() + got > kMaxListingBytes) {
            error = "the listing is too large";
            break;
        }
        listing.append(chunk.data(), got);
    }
    data.close();
    const Status final_status = control_.final_reply("LIST", "226;250", until);
    control_.set_step_deadline(std::nullopt);
    if (!error.empty())
        return "LIST: " + error;
    if (!final_status)
        return final_status.error_text();
    entries_ = parse_listing(listing, date_fields(local_from_utc(current_clock().utc_now())));
    return {};
}

std::optional<std::int64_t> FtpClient::ModificationTime(const std::string& name) {
    checked_folder_.reset();
    FtpReply reply;
    if (busy() || name.empty() || !control_.command("MDTM", name, "213", &reply))
        return std::nullopt;
    return parse_mdtm_time(reply);
}

std::string FtpClient::Rename(const std::string& from, const std::string& to) {
    checked_folder_.reset();
    if (busy())
        return kBusy;
    if (Status status = control_.command("RNFR", from, "350"); !status)
        return status.error_text();
    return control_.command("RNTO", to, "250").error_text();
}

std::string FtpClient::delete_file(const std::string& name) {
    checked_folder_.reset();
    if (busy())
        return kBusy;
    return control_.command("DELE", name, "250").error_text();
}

Status FtpClient::set_type(char type) {
    if (type_ == type)
        return {};
    Status status = control_.command("TYPE", std::string(1, type), "200");
    type_ = status ? type : 0;
    return status;
}

SendResult FtpClient::SendFile(const std::string& local_file, const std::string& remote_name,
                               SendMode mode) {
    checked_folder_.reset();
    if (busy())
        return {kBusy, false};
    run_.join();
    std::string error;
    if (remote_name.empty())
        error = "no remote name";
    else if (!is_safe_argument(remote_name))
        error = "the remote name holds a line break";
    else if (!control_.usable())
        error = "the connection to the server is lost";
    if (!error.empty())
        return run_.refuse(error);
    return run_.start(mode,
                      [this, local_file, remote_name] { return upload(local_file, remote_name); });
}

void FtpClient::AbortFile() {
    run_.abort();
}

void FtpClient::SetCancel(const std::atomic<bool>* cancel) {
    options_.cancel = cancel;
    control_.set_cancel(CancelFlags{cancel});
}

void FtpClient::SetStepDeadline(std::optional<Deadline> deadline) {
    control_.set_step_deadline(deadline);
}

SendResult FtpClient::upload(const std::string& local_file, const std::string& remote_name) {
    const CancelFlags cancel{options_.cancel, run_.abort_flag()};
    // The worker lets go of the connection before it publishes the final state: whoever sees
    // the end may send the next command at once.
    bool started = false;
    const auto finish = [&](std::string error) {
        control_.set_cancel(CancelFlags{options_.cancel});
        return run_.end(std::move(error), started, options_.on_transfer_end);
    };
    const LocalFile file(local_file);
    const std::int64_t size = file.size();
    if (size < 0)
        return finish("the local file cannot be read");
    control_.set_cancel(cancel);
    Status status = set_type('I');
    Stream data;
    if (status)
        status = control_.open_passive(data);
    if (status)
        status = control_.command("STOR", remote_name, "125;150");
    if (!status)
        return finish(status.error_text());

    started = true;
    std::string error = control_.secure_data(data).error_text();
    run_.data_started();
    // The size when the transfer starts is what is sent.
    const auto block = static_cast<std::int64_t>(std::max<std::size_t>(options_.block_size, 1));
    std::int64_t offset = 0;
    while (error.empty() && offset < size && !cancel.raised()) {
        const auto n = static_cast<std::size_t>(std::min(block, size - offset));
        // A slow link is fine as long as it moves: the time-out bounds each wait, not the file.
        error = data.send_file_part(file.fd(), offset, n, options_.timeout_ms, cancel);
        if (!error.empty()) {
            error.insert(0, "the data connection failed: ");
            break;
        }
        run_.sent(static_cast<std::int64_t>(n));
    }
    const bool reached_end = offset == size;
    if (!reached_end && error.empty())
        error = std::string(kCancelled);
    const bool stopped = cancel.raised();
    // A cancelled transfer is cut without TLS's closing notice: the server cannot take the part
    // it got for the whole file, and no wait is spent on a send buffer a slow server keeps full.
    if (!stopped) {
        data.shutdown_send(control_.deadline());
        data.drain(control_.deadline());
    }
    data.close();

    // Only the server's word that it stored the file makes the transfer a success. After a
    // cancel the reply is awaited briefly, so the connection may stay in step.
    if (stopped)
        control_.set_cancel(CancelFlags{});
    const Status stored = control_.final_reply(
        "STOR", "226;250", stopped ? deadline_in(kAbortReplyMs) : control_.deadline());
    if (error.empty())
        error = stored.error_text();
    return finish(error);
}

} // namespace qp::net
