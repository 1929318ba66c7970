#include "net/ftp_job.h"

#include "core/file_io.h"
#include "core/text.h"
#include "net/ftp_client.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qp::net {

namespace {

constexpr int kSetPathTries = 30;

std::int64_t steady_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void wait_ms(const std::function<void(int)>& sleep_ms, int ms) {
    if (sleep_ms)
        sleep_ms(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Field k (1-based) of text split at "/"; empty past the last field.
std::string slash_field(std::string_view text, std::size_t k) {
    std::size_t start = 0;
    for (std::size_t i = 1; i < k; ++i) {
        const std::size_t slash = text.find('/', start);
        if (slash == std::string_view::npos)
            return {};
        start = slash + 1;
    }
    const std::size_t end = text.find('/', start);
    return std::string(text.substr(start, end == std::string_view::npos ? text.npos : end - start));
}

// The name a file takes on the server.
std::string remote_name_of(const FTPFile& file) {
    std::string name = FTP_FilePart(file.remote_path);
    if (name.empty())
        name = file_part(file.local_file);
    return name;
}

} // namespace

std::string FTP_FolderPart(std::string_view path, bool add_slash) {
    std::string s = trim_spaces(replace_all(path, "\\", "/"));
    if (add_slash && !s.empty() && s.back() != '/')
        s += '/';
    const std::size_t last = s.rfind('/');
    s.resize(last == std::string::npos ? 0 : last + 1);
    if (!s.empty() && s.front() == '/')
        s.erase(0, 1);
    return s;
}

std::string FTP_FilePart(std::string_view path) {
    const std::size_t last = path.find_last_of("/\\");
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string FTP_ElapsedText(std::int64_t ms) {
    ms = std::max<std::int64_t>(ms, 0);
    if (ms > 9999)
        return std::to_string(ms / 1000) + "s";
    if (ms > 999) {
        const std::int64_t tenths = (ms + 50) / 100;
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "s";
    }
    return std::to_string(ms) + "ms";
}

void FTP_AddUploads(FTPJob& job, const UploadJob& uploads) {
    for (const UploadEntry& e : uploads.files) {
        FTPFile f;
        f.local_file = e.local_file;
        f.remote_path = e.remote_path;
        job.files.push_back(std::move(f));
    }
}

void FTP_AddFeedFiles(FTPJob& job, const Doc& doc, const std::string& rss_path) {
    job.server = doc.Client;
    job.port = doc.Port;
    job.user = doc.User;
    // PathFTP names a folder: one read from a hand-edited project may lack its closing "/", and
    // cutting at the last "/" would then publish into the parent folder.
    const std::string folder = FTP_FolderPart(doc.PathFTP, true);
    for (const std::string& local : {rss_path, doc.FileName}) {
        FTPFile f;
        f.local_file = local;
        f.remote_path = folder + file_part(local);
        job.files.push_back(std::move(f));
    }
}

FtpJobSeams ftp_client_seams() {
    FtpJobSeams seams;
    seams.open = [](const FtpLogin& login) -> std::unique_ptr<FtpSession> {
        return Ftp_Open(login);
    };
    seams.net_init = [] {
        static const bool available = Net_Init();
        return available;
    };
    return seams;
}

bool FTP_Connect(FTPJob& job, const FtpJobSeams& seams, Texts& texts, const LineSink& add_line) {
    FtpLogin login;
    login.server = job.server;
    login.user = job.user;
    login.password = std::move(job.password);
    login.port = job.port;
    login.passive = true;
    job.password.clear();

    job.connection.reset();
    if (seams.net_init && !seams.net_init()) {
        add_line(texts.get("FTP\\NetWork.NotFound"));
        return false;
    }
    add_line(texts.get("FTP\\NetWork.Found"));
    if (seams.open)
        job.connection = seams.open(login);
    std::fill(login.password.begin(), login.password.end(), '\0');
    if (!job.connection) {
        add_line(texts.get("FTP\\Client.NotConnected") + " : " + job.server);
        return false;
    }
    add_line(texts.get("FTP\\Client.Connected") + " : " + job.server);
    return true;
}

bool FTP_IsAlive(FTPJob& job) {
    if (!job.connection) {
        job.error += "no connection\n";
        return false;
    }
    if (!job.connection->CheckAlive()) {
        job.error += "liveness check failed\n";
        return false;
    }
    return true;
}

std::string FTP_CurrentFolder(FTPJob& job) {
    if (!job.connection)
        return {};
    std::string dir = job.connection->GetDirectory();
    if (!dir.empty() && dir != "/")
        dir += '/';
    return FTP_FolderPart(dir, false);
}

bool FTP_SetPath(FTPJob& job, std::string_view target_path, bool create,
                 const std::function<void(int ms)>& sleep_ms) {
    if (!FTP_IsAlive(job))
        return false;
    const std::string target = FTP_FolderPart(target_path, false);
    std::string current = FTP_CurrentFolder(job);
    int tries = kSetPathTries;
    while (current != target) {
        if (current.empty() || target.starts_with(current)) {
            const auto depth =
                static_cast<std::size_t>(std::count(current.begin(), current.end(), '/'));
            const std::string name = slash_field(target, current.empty() ? 1 : depth + 1);
            if (!job.connection->SetDirectory(name) && create) {
                // Some servers need a moment between a refused CWD and the MKD, and before the
                // new folder can be entered.
                wait_ms(sleep_ms, 10);
                (void)job.connection->CreateDirectory(name);
                wait_ms(sleep_ms, 100);
            }
        } else {
            (void)job.connection->SetDirectory("..");
        }
        if (--tries == 0)
            return false;
        current = FTP_CurrentFolder(job);
    }
    return true;
}

bool FTP_FindRemoteFile(FTPJob& job) {
    if (!job.connection || job.current >= job.files.size())
        return false;
    FTPFile& file = job.files[job.current];
    const std::string name = fold_case(remote_name_of(file));
    if (!job.connection->ListDirectory())
        return false;
    bool found = false;
    for (const FtpEntry& e : job.connection->Entries()) {
        if (e.type == 1 && fold_case(e.name) == name) {
            file.size = e.size;
            file.remote_date = e.date;
            found = true;
            break;
        }
    }
    job.connection->EndListing();
    return found;
}

// --- The runner -------------------------------------------------------------------------------

FtpSender::FtpSender(FTPJob& job, Texts& texts, FtpJobSeams seams)
    : job_(job), texts_(texts), seams_(std::move(seams)) {
    std::stable_sort(job_.files.begin(), job_.files.end(), [](const FTPFile& a, const FTPFile& b) {
        return a.remote_path < b.remote_path;
    });
    for (FTPFile& f : job_.files)
        f.status = kFileNotSent;
    job_.current = 0;
    title_ = texts_.get("FTP\\Title.Send");
}

FtpSender::~FtpSender() {
    Close();
}

void FtpSender::add_line(const std::string& line) {
    lines_.push_back(line);
    if (sink_)
        sink_(line);
}

bool FtpSender::Connect() {
    if (connected_)
        return true;
    connected_ = FTP_Connect(job_, seams_, texts_, [this](const std::string& l) { add_line(l); });
    return connected_;
}

void FtpSender::Poll() {
    if (transferring_)
        read_transfer();
    if (!connected_ || transferring_ || finished_)
        return;
    while (job_.current < job_.files.size()) {
        if (process_current())
            return;
        ++job_.current;
    }
    report_end();
}

void FtpSender::read_transfer() {
    const std::int64_t state = job_.connection->Progress();
    if (state == kTransferSettingUp)
        return;
    FTPFile& file = job_.files[job_.current];
    if (state == kTransferDone || state == kTransferFailed) {
        if (state == kTransferDone) {
            file.status = kFileSent;
            const std::int64_t now = seams_.now_ms ? seams_.now_ms() : steady_ms();
            add_line(texts_.get("FTP\\Send.Ok") + " " + FTP_ElapsedText(now - started_ms_));
        }
        transferring_ = false;
        ++job_.current;
        return;
    }
    if (state >= 0 && file.size > 0)
        progress_ = static_cast<int>(std::clamp<std::int64_t>(state * 100 / file.size, 0, 100));
}

bool FtpSender::process_current() {
    FTPFile& file = job_.files[job_.current];
    const std::string folder = FTP_FolderPart(file.remote_path, false);
    const std::string name = remote_name_of(file);
    add_line(texts_.get("FTP\\Send.File") + " " + file.local_file + " To " + folder + name);

    const auto info = file_info(file.local_file);
    if (!info || info->is_directory || info->size <= 0) {
        add_line(texts_.get("FTP\\Send.FileNotFound"));
        return false;
    }
    progress_ = 0;
    if (!FTP_SetPath(job_, folder, true, seams_.sleep_ms)) {
        add_line(texts_.get("FTP\\Send.ErrorSetPath"));
        return false;
    }
    if (date_check_ && FTP_FindRemoteFile(job_) &&
        local_from_utc(info->mtime_utc) <= file.remote_date) {
        file.status = kFileSkipped;
        add_line(texts_.get("FTP\\Send.TooOldFile"));
        return false;
    }
    file.size = info->size;
    title_ = texts_.get("FTP\\Title.Send") + " : " + std::to_string(job_.current + 1) + "/" +
             std::to_string(job_.files.size()) + ", " + name;
    started_ms_ = seams_.now_ms ? seams_.now_ms() : steady_ms();
    if (!job_.connection->SendFile(file.local_file, name, true)) {
        add_line(texts_.get("FTP\\Send.Error"));
        return false;
    }
    transferring_ = true;
    return true;
}

void FtpSender::report_end() {
    finished_ = true;
    title_ = texts_.get("FTP\\Title.Send");
    const auto not_sent = std::count_if(job_.files.begin(), job_.files.end(),
                                        [](const FTPFile& f) { return f.status == kFileNotSent; });
    const std::string total = std::to_string(job_.files.size());
    add_line("");
    if (not_sent > 0)
        add_line(texts_.get("FTP\\Send.ErrorFinished", {total, std::to_string(not_sent)}));
    else
        add_line(texts_.get("FTP\\Send.Finished", {total}));
}

void FtpSender::Close() {
    if (transferring_ && job_.connection) {
        job_.connection->AbortFile();
        // A transfer that completed before the abort took hold still counts as sent.
        if (job_.connection->Progress() == kTransferDone)
            job_.files[job_.current].status = kFileSent;
    }
    transferring_ = false;
    connected_ = false;
    job_.connection.reset();
}

int FtpSender::result() const {
    return std::none_of(job_.files.begin(), job_.files.end(),
                        [](const FTPFile& f) { return f.status == kFileNotSent; })
               ? 1
               : 0;
}

} // namespace qp::net
