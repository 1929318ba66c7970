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

Error busy_error() {
    return make_error(ErrorKind::Failed, kBusy);
}

} // namespace

bool Net_Init() {
    return Socket::network_available();
}

Result<std::unique_ptr<FtpClient>> Ftp_Open(const FtpLogin& login, const FtpOptions& options) {
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
        TlsContext::Made tls = TlsContext::create(options.trust.ca_file);
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
    return client && client->is_open();
}

FtpClient::FtpClient(ControlChannel control, FtpOptions options)
    : control_(std::move(control)), options_(std::move(options)) {}

FtpClient::~FtpClient() {
    abort_file();
    if (control_.usable() && !control_.cancel().raised())
        (void)control_.send_command("QUIT");
    control_.close();
}

bool FtpClient::is_open() const {
    return busy() || control_.usable();
}

bool FtpClient::check_alive() {
    if (busy())
        return true;
    FtpReply reply;
    checked_folder_.reset();
    if (!control_.command("PWD", {}, "257", &reply))
        return false;
    checked_folder_ = parse_pwd_directory(reply);
    return true;
}

std::string FtpClient::get_directory() {
    // A liveness check asked the same question a moment ago.
    if (std::optional<std::string> folder = std::exchange(checked_folder_, std::nullopt))
        return *folder;
    FtpReply reply;
    if (busy() || !control_.command("PWD", {}, "257", &reply))
        return {};
    return parse_pwd_directory(reply);
}

Status FtpClient::set_directory(const std::string& name) {
    checked_folder_.reset();
    if (busy())
        return busy_error();
    if (name.empty())
        return make_error(ErrorKind::BadInput, "no folder name");
    if (name == "..")
        return control_.command("CDUP", {}, "200;250");
    return control_.command("CWD", name, "250");
}

Status FtpClient::create_directory(const std::string& name) {
    checked_folder_.reset();
    if (busy())
        return busy_error();
    if (name.empty())
        return make_error(ErrorKind::BadInput, "no folder name");
    return control_.command("MKD", name, "257");
}

Status FtpClient::list_directory() {
    checked_folder_.reset();
    entries_.clear();
    if (busy())
        return busy_error();
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
        return status;
    }
    status = control_.secure_data(data);
    std::string listing;
    std::vector<char> chunk(std::size_t{64} * 1024);
    while (status) {
        std::size_t got = 0;
        if (std::string error =
                data.receive(chunk.data(), chunk.size(), got, until, control_.cancel());
            !error.empty()) {
            status = wait_error(std::move(error));
            break;
        }
        if (got == 0)
            break;
        if (listing.size() + got > kMaxListingBytes) {
            status = make_error(ErrorKind::TooLarge, "the listing is too large");
            break;
        }
        listing.append(chunk.data(), got);
    }
    data.close();
    Status final_status = control_.final_reply("LIST", "226;250", until);
    control_.set_step_deadline(std::nullopt);
    if (!status)
        return make_error(status.kind(), "LIST: " + status.error_text());
    if (!final_status)
        return final_status;
    entries_ = parse_listing(listing, date_fields(local_from_utc(current_clock().utc_now())));
    return {};
}

std::optional<std::int64_t> FtpClient::modification_time(const std::string& name) {
    checked_folder_.reset();
    FtpReply reply;
    if (busy() || name.empty() || !control_.command("MDTM", name, "213", &reply))
        return std::nullopt;
    return parse_mdtm_time(reply);
}

Status FtpClient::rename(const std::string& from, const std::string& to) {
    checked_folder_.reset();
    if (busy())
        return busy_error();
    if (Status status = control_.command("RNFR", from, "350"); !status)
        return status;
    return control_.command("RNTO", to, "250");
}

Status FtpClient::delete_file(const std::string& name) {
    checked_folder_.reset();
    if (busy())
        return busy_error();
    return control_.command("DELE", name, "250");
}

Status FtpClient::set_type(char type) {
    if (type_ == type)
        return {};
    Status status = control_.command("TYPE", std::string(1, type), "200");
    type_ = status ? type : 0;
    return status;
}

SendResult FtpClient::send_file(const std::string& local_file, const std::string& remote_name,
                                SendMode mode) {
    checked_folder_.reset();
    if (busy())
        return {busy_error(), false};
    run_.join();
    if (remote_name.empty())
        return run_.refuse(make_error(ErrorKind::BadInput, "no remote name"));
    if (!is_safe_argument(remote_name))
        return run_.refuse(make_error(ErrorKind::BadInput, "the remote name holds a line break"));
    if (!control_.usable())
        return run_.refuse(make_error(ErrorKind::Failed, "the connection to the server is lost"));
    return run_.start(mode,
                      [this, local_file, remote_name] { return upload(local_file, remote_name); });
}

void FtpClient::abort_file() {
    run_.abort();
}

void FtpClient::set_cancel(const std::atomic<bool>* cancel) {
    options_.cancel = cancel;
    control_.set_cancel(CancelFlags{cancel});
}

void FtpClient::set_step_deadline(std::optional<Deadline> deadline) {
    control_.set_step_deadline(deadline);
}

SendResult FtpClient::upload(const std::string& local_file, const std::string& remote_name) {
    const CancelFlags cancel{options_.cancel, run_.abort_flag()};
    // The worker lets go of the connection before it publishes the final state: whoever sees
    // the end may send the next command at once.
    bool started = false;
    const auto finish = [&](Status status) {
        control_.set_cancel(CancelFlags{options_.cancel});
        return run_.end(std::move(status), started, options_.on_transfer_end);
    };
    const LocalFile file(local_file);
    const std::int64_t size = file.size();
    if (size < 0)
        return finish(make_error(ErrorKind::Failed, "the local file cannot be read"));
    control_.set_cancel(cancel);
    Status status = set_type('I');
    Stream data;
    if (status)
        status = control_.open_passive(data);
    if (status)
        status = control_.command("STOR", remote_name, "125;150");
    if (!status)
        return finish(std::move(status));

    started = true;
    status = control_.secure_data(data);
    run_.data_started();
    // The size when the transfer starts is what is sent.
    const auto block = static_cast<std::int64_t>(std::max<std::size_t>(options_.block_size, 1));
    std::int64_t offset = 0;
    while (status && offset < size && !cancel.raised()) {
        const auto n = static_cast<std::size_t>(std::min(block, size - offset));
        // A slow link is fine as long as it moves: the time-out bounds each wait, not the file.
        if (std::string error =
                data.send_file_part(file.fd(), offset, n, options_.timeout_ms, cancel);
            !error.empty()) {
            status = wait_error("the data connection failed: " + error);
            break;
        }
        run_.sent(static_cast<std::int64_t>(n));
    }
    const bool reached_end = offset == size;
    if (!reached_end && status)
        status = make_error(ErrorKind::Cancelled, std::string(kCancelled));
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
    if (status)
        status = stored;
    return finish(std::move(status));
}

} // namespace qp::net
