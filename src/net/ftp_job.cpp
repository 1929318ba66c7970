#include "net/ftp_job.h"

#include "core/channel_settings.h"
#include "core/feed_list.h"
#include "core/file_io.h"
#include "core/publish_plan.h"
#include "core/rss_writer.h"
#include "core/text.h"
#include "net/ftp_client.h"
#include "net/http_check.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace qp::net {

namespace {

constexpr int kSetPathTries = 30;
// Stand-ins for the parameters of texts the worker fills in later.
constexpr std::string_view kParam1 = "\x01";
constexpr std::string_view kParam2 = "\x02";
constexpr std::string_view kParam3 = "\x03";

std::int64_t steady_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void wait_ms(const FtpJobSeams& seams, int ms) {
    if (seams.sleep_ms)
        seams.sleep_ms(ms);
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
    std::string name = file_part(file.remote_path);
    if (name.empty())
        name = file_part(file.local_file);
    return name;
}

std::string with_params(const std::string& text, std::string_view p1, std::string_view p2 = {},
                        std::string_view p3 = {}) {
    return replace_all(replace_all(replace_all(text, kParam1, p1), kParam2, p2), kParam3, p3);
}

// Clears the session's step deadline however the step ends.
class StepDeadline {
public:
    StepDeadline(FtpSession& session, int timeout_ms) : session_(session) {
        session_.set_step_deadline(deadline_in(timeout_ms));
    }
    ~StepDeadline() { session_.set_step_deadline(std::nullopt); }
    StepDeadline(const StepDeadline&) = delete;
    StepDeadline& operator=(const StepDeadline&) = delete;

private:
    FtpSession& session_;
};

constexpr int kConnectWaitMs = 100;
constexpr std::string_view kConnectKeys[] = {"FTP\\NetWork.NotFound", "FTP\\NetWork.Found",
                                             "FTP\\Client.Connected", "FTP\\Client.NotConnected"};

// The texts of the connect lines, read beforehand: the language table stays on its own thread.
class ReadTexts : public Texts {
public:
    explicit ReadTexts(const std::map<std::string, std::string, std::less<>>& words)
        : words_(words) {}
    std::string get(std::string_view key, std::initializer_list<std::string_view> params) override {
        const auto it = words_.find(key);
        if (it == words_.end())
            return std::string(key);
        return with_params(it->second, params.size() > 0 ? *params.begin() : "");
    }

private:
    const std::map<std::string, std::string, std::less<>>& words_;
};

} // namespace

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

std::string ftp_printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string ftp_part_name(std::string_view name) {
    std::string part = ".";
    part += name;
    part += ".part";
    return part;
}

namespace {

std::string type_of(std::string_view stated, std::string_view path) {
    if (!trim_spaces(stated).empty())
        return trim_spaces(stated);
    const std::string_view guessed = feed_guess_mime_type(path);
    return guessed.empty() ? "application/octet-stream" : std::string(guessed);
}

std::string cache_rule(const std::string& chosen, const char* fallback) {
    const std::string rule = trim_spaces(chosen);
    return rule.empty() ? fallback : rule;
}

} // namespace

void ftp_add_uploads(FTPJob& job, const UploadJob& uploads, const Doc& doc) {
    for (const UploadEntry& e : uploads.files) {
        FTPFile f;
        f.local_file = e.local_file;
        f.remote_path = e.remote_path;
        f.address = e.address;
        f.headers = {type_of(e.type, e.local_file), cache_rule(doc.CacheMedia, kCacheMediaDefault)};
        job.files.push_back(std::move(f));
    }
}

void ftp_add_feed_files(FTPJob& job, const Doc& doc, const std::string& rss_path) {
    ftp_set_account(job, doc);
    ftp_add_channel_files(job, doc, rss_path);
}

void ftp_set_account(FTPJob& job, const Doc& doc) {
    job.server = doc.Client;
    job.port = doc.Port;
    job.protocol = doc.Protocol;
    job.user = doc.User;
    job.store.region = doc.S3Region.empty() ? "us-east-1" : doc.S3Region;
    job.store.bucket = doc.S3Bucket;
    job.store.path_style = doc.S3PathStyle != 0;
    job.notice.on = doc.NotifyDirectories != 0;
    job.notice.feed_url = channel_public_link(doc);
    job.notice.hub = trim_spaces(doc.WebSubHub);
}

void ftp_add_channel_files(FTPJob& job, const Doc& doc, const std::string& rss_path) {
    const std::string folder = channel_folder(doc);
    const auto add = [&](const std::string& local, std::string address, bool sized,
                         ObjectHeaders headers) {
        FTPFile& f = job.files.emplace_back();
        f.local_file = local;
        f.remote_path = folder + file_part(local);
        f.address = std::move(address);
        f.address_sized = sized;
        f.headers = std::move(headers);
    };
    const std::string media_cache = cache_rule(doc.CacheMedia, kCacheMediaDefault);
    add(rss_path, channel_public_link(doc), true,
        {"application/rss+xml", cache_rule(doc.CacheFeed, kCacheFeedDefault)});
    job.files.back().is_feed = true;
    if (const std::string image = channel_image_local(doc); !image.empty())
        // A typed address may name another copy of the picture, of another size.
        add(image, Url_Join(channel_image_address(doc), doc.Link), doc.ImageUrl.empty(),
            {type_of({}, image), media_cache});
    if (doc.ProjectPrivate == 0)
        // The project holds the account: never cached by a CDN in front of the store.
        add(doc.FileName, {}, true, {"text/plain; charset=utf-8", "no-store"});
}

FtpJobSeams ftp_client_seams(TrustSettings trust) {
    FtpJobSeams seams;
    seams.open = [trust = std::move(trust)](const FtpLogin& login,
                                            const std::atomic<bool>* cancel) {
        FtpOptions options;
        options.cancel = cancel;
        options.trust = trust;
        options.trust.cancel = cancel;
        return open_session(login, options);
    };
    seams.net_init = [] {
        static const bool available = Net_Init();
        return available;
    };
    return seams;
}

Status FTP_Connect(FTPJob& job, const FtpJobSeams& seams, Texts& texts, const LineSink& add_line) {
    FtpLogin login;
    login.server = job.server;
    login.user = job.user;
    // Copied, not moved: a short string moves by copying and would leave its bytes behind.
    login.password = job.password;
    secret_wipe(job.password);
    login.port = job.port;
    login.passive = true;
    login.protocol = job.protocol;
    login.store = job.store;

    job.connection.reset();
    if (seams.net_init && !seams.net_init()) {
        secret_wipe(login.password);
        add_line(texts.get("FTP\\NetWork.NotFound"));
        return make_error(ErrorKind::Unreachable, "the network is not available");
    }
    add_line(texts.get("FTP\\NetWork.Found"));
    SessionOpened opened = make_error(ErrorKind::Failed, "no way to connect");
    if (seams.open)
        opened = seams.open(login, &job.cancel);
    secret_wipe(login.password);
    Error why{opened.kind(),
              opened.error_text().empty() ? "no connection" : ftp_printable(opened.error_text())};
    if (opened)
        job.connection = std::move(opened).value();
    const std::string server = ftp_printable(job.server);
    if (!job.connection) {
        add_line(texts.get("FTP\\Client.NotConnected", {server}));
        return why;
    }
    job.connection->set_cancel(&job.cancel);
    add_line(texts.get("FTP\\Client.Connected", {server}));
    return {};
}

bool FTP_IsAlive(FTPJob& job) {
    if (!job.connection) {
        job.error += "no connection\n";
        return false;
    }
    if (!job.connection->check_alive()) {
        job.error += "liveness check failed\n";
        return false;
    }
    return true;
}

std::string FTP_CurrentFolder(FTPJob& job) {
    if (!job.connection)
        return {};
    std::string dir = job.connection->get_directory();
    if (!dir.empty() && dir != "/")
        dir += '/';
    return FTP_FolderPart(dir, false);
}

Status FTP_SetPath(FTPJob& job, std::string_view target_path, MissingFolders missing,
                   const FtpJobSeams& seams) {
    if (!job.connection)
        return make_error(ErrorKind::Failed, "no connection");
    const StepDeadline step(*job.connection, seams.step_timeout_ms);
    const std::int64_t give_up = steady_ms() + seams.step_timeout_ms;
    if (!FTP_IsAlive(job))
        return make_error(ErrorKind::Failed, "the connection to the server is lost");
    const std::string target = FTP_FolderPart(target_path, false);
    std::string current = FTP_CurrentFolder(job);
    Status last_status;
    std::string created; // the folder the last pass made
    for (int tries = kSetPathTries; current != target;) {
        if (job.cancel.load())
            return make_error(ErrorKind::Cancelled, std::string(kCancelled));
        if (current.empty() || target.starts_with(current)) {
            const auto depth =
                static_cast<std::size_t>(std::count(current.begin(), current.end(), '/'));
            const std::string name = slash_field(target, current.empty() ? 1 : depth + 1);
            last_status = job.connection->set_directory(name);
            if (!last_status && missing == MissingFolders::Create) {
                // Some servers need a moment between a refused CWD and the MKD, and before the
                // new folder can be entered: they get it once the quick way has failed, and
                // every other server gets its folders without waiting.
                const bool again = created == name;
                if (again)
                    wait_ms(seams, 10);
                if (Status made = job.connection->create_directory(name); !made)
                    last_status = std::move(made);
                if (again)
                    wait_ms(seams, 100);
                created = name;
            }
        } else {
            last_status = job.connection->set_directory("..");
        }
        if (--tries == 0 || steady_ms() > give_up)
            return make_error(
                last_status.kind(),
                "the folder /" + target + " cannot be reached" +
                    (last_status.error_text().empty() ? "" : ": " + last_status.error_text()));
        current = FTP_CurrentFolder(job);
    }
    return {};
}

bool FTP_FindRemoteFile(FTPJob& job) {
    if (!job.connection || job.current >= job.files.size())
        return false;
    if (!job.connection->list_directory())
        return false;
    const std::vector<FtpEntry> listing = job.connection->entries();
    job.connection->end_listing();
    return FTP_FindRemoteFile(job, listing);
}

bool FTP_FindRemoteFile(FTPJob& job, const std::vector<FtpEntry>& listing) {
    if (!job.connection || job.current >= job.files.size())
        return false;
    FTPFile& file = job.files[job.current];
    const std::string name = fold_case(remote_name_of(file));
    std::string found;
    for (const FtpEntry& e : listing) {
        if (e.type == EntryType::File && fold_case(e.name) == name) {
            file.size = e.size;
            file.remote_date = e.date;
            found = e.name;
            break;
        }
    }
    file.remote_mtime_utc.reset();
    if (found.empty())
        return false;
    // The listing shows the server's clock in an unknown zone, to the minute at best; MDTM
    // answers in UTC to the second.
    file.remote_mtime_utc = job.connection->modification_time(found);
    return true;
}

bool ftp_is_up_to_date(const FTPFile& remote, std::int64_t local_size,
                       std::int64_t local_mtime_utc) {
    // A copy of another size is a different file, or one whose upload was cut short.
    if (remote.size != local_size)
        return false;
    if (remote.remote_mtime_utc)
        return local_mtime_utc <= *remote.remote_mtime_utc;
    return local_from_utc(local_mtime_utc) <= remote.remote_date;
}

// --- The runner -------------------------------------------------------------------------------

FtpSender::FtpSender(FTPJob& job, Texts& texts, FtpJobSeams seams)
    : job_(job), texts_(texts), seams_(std::move(seams)) {
    for (FTPFile& f : job_.files)
        f.status = kFileNotSent;
    job_.current = 0;
    job_.cancel = false;
    words_.title = texts_.get("FTP\\Title.Send");
    words_.progress_title = texts_.get("FTP\\Title.Sending", {kParam1, kParam2});
    words_.file = texts_.get("FTP\\Send.File");
    words_.to = texts_.get("FTP\\Send.To");
    words_.not_found = texts_.get("FTP\\Send.FileNotFound");
    words_.set_path = texts_.get("FTP\\Send.ErrorSetPath");
    words_.too_old = texts_.get("FTP\\Send.TooOldFile");
    words_.error = texts_.get("FTP\\Send.Error");
    words_.ok = texts_.get("FTP\\Send.Ok");
    words_.told = texts_.get("FTP\\Notify.Told", {kParam1, kParam2});
    words_.not_told = texts_.get("FTP\\Notify.NotTold", {kParam1, kParam2});
    words_.index = texts_.get("FTP\\Notify.Index");
    words_.hub = texts_.get("FTP\\Notify.Hub", {kParam1});
    words_.failed = texts_.get("FTP\\Send.Failed", {kParam1, kParam2});
    words_.rename_refused = texts_.get("FTP\\Send.RenameRefused", {kParam1, kParam2});
    words_.not_at = texts_.get("FTP\\Check.NotFound", {kParam1, kParam2});
    words_.wrong_size = texts_.get("FTP\\Check.WrongSize", {kParam1, kParam2, kParam3});
    for (const std::string_view key : kConnectKeys) {
        // The login lines name the server.
        const bool named = key.starts_with("FTP\\Client.");
        connect_words_.emplace(key, named ? texts_.get(key, {kParam1}) : texts_.get(key));
    }
    title_ = words_.title;
}

FtpSender::~FtpSender() {
    close();
}

void FtpSender::begin_connect() {
    if (connected_ || connecting_)
        return;
    connecting_ = true;
    connect_status_ = {};
    {
        const std::lock_guard lock(mutex_);
        connect_done_ = false;
    }
    connector_ = std::thread([this] {
        ReadTexts texts(connect_words_);
        Status connected =
            FTP_Connect(job_, seams_, texts, [this](const std::string& l) { post_line(l); });
        {
            const std::lock_guard lock(mutex_);
            connect_result_ = std::move(connected);
            connect_done_ = true;
        }
        notify();
    });
}

Status FtpSender::connect() {
    begin_connect();
    while (connecting_) {
        wait(kConnectWaitMs);
        take_connect();
    }
    return connect_status_;
}

void FtpSender::take_connect() {
    if (!connecting_)
        return;
    bool done = false;
    {
        const std::lock_guard lock(mutex_);
        done = connect_done_;
        if (done) {
            connect_status_ = std::exchange(connect_result_, Status());
        }
    }
    if (done)
        connector_.join();
    take_news();
    if (!done)
        return;
    connecting_ = false;
    connected_ = connect_status_.ok();
}

void FtpSender::poll() {
    take_connect();
    if (!connected_ || finished_) {
        take_news();
        return;
    }
    if (!worker_.joinable()) {
        // Sorted only now: the files may be added while the connection opens.
        std::stable_sort(
            job_.files.begin(), job_.files.end(),
            [](const FTPFile& a, const FTPFile& b) { return a.remote_path < b.remote_path; });
        for (FTPFile& f : job_.files)
            f.status = kFileNotSent;
        job_.current = 0;
        worker_ = std::thread([this] { run(); });
    }
    take_news();
    {
        const std::lock_guard lock(mutex_);
        if (file_sent_)
            progress_ = 100;
        file_sent_ = false;
    }
    if (transferring()) {
        std::int64_t size = 0;
        {
            const std::lock_guard lock(mutex_);
            size = sending_size_;
            if (file_started_) // the bar starts again with each file
                progress_ = 0;
            file_started_ = false;
        }
        const TransferProgress state = job_.connection->progress();
        if (state.state == TransferState::Sending && size > 0)
            progress_ = static_cast<int>(std::clamp<std::int64_t>(state.sent * 100 / size, 0, 100));
    }
    bool done = false;
    {
        const std::lock_guard lock(mutex_);
        done = worker_done_;
    }
    if (done) {
        worker_.join();
        take_news(); // what the worker said last
        report_end();
    }
}

void FtpSender::wait(int max_ms) {
    std::unique_lock lock(mutex_);
    news_cv_.wait_for(lock, std::chrono::milliseconds(max_ms),
                      [this] { return news_ != news_taken_; });
}

void FtpSender::take_news() {
    std::vector<std::string> lines;
    {
        const std::lock_guard lock(mutex_);
        lines.swap(pending_lines_);
        news_taken_ = news_;
    }
    for (std::string& line : lines) {
        if (sink_)
            sink_(line);
        lines_.push_back(std::move(line));
    }
}

bool FtpSender::transferring() const {
    const std::lock_guard lock(mutex_);
    return transferring_;
}

std::string FtpSender::title() const {
    const std::lock_guard lock(mutex_);
    return title_;
}

void FtpSender::notify() {
    {
        const std::lock_guard lock(mutex_);
        ++news_;
    }
    news_cv_.notify_all();
    if (notify_)
        notify_();
}

void FtpSender::post_line(std::string line) {
    {
        const std::lock_guard lock(mutex_);
        pending_lines_.push_back(std::move(line));
    }
    notify();
}

void FtpSender::post_failure(const std::string& name, std::string_view reason) {
    post_line(with_params(words_.failed, ftp_printable(name), ftp_printable(reason)));
}

void FtpSender::run() {
    for (std::size_t index = 0; index < job_.files.size() && !job_.cancel.load(); ++index)
        process(index);
    if (job_.check_addresses && !job_.cancel.load())
        check_addresses();
    if (job_.notice.on && !job_.cancel.load())
        tell_directories();
    {
        const std::lock_guard lock(mutex_);
        worker_done_ = true;
        transferring_ = false;
        title_ = words_.title;
    }
    notify();
}

void FtpSender::process(std::size_t index) {
    job_.current = index;
    FTPFile& file = job_.files[index];
    const std::string folder = FTP_FolderPart(file.remote_path, false);
    const std::string name = remote_name_of(file);
    const std::string shown = folder + name;
    post_line(words_.file + " " + ftp_printable(file.local_file) + " " + words_.to + " " +
              ftp_printable(shown));

    const auto info = file_info(file.local_file);
    if (!info || info->is_directory || info->size <= 0) {
        post_line(words_.not_found);
        post_failure(shown, !info                ? "the local file is missing"
                            : info->is_directory ? "the local path is a folder"
                                                 : "the local file is empty");
        return;
    }
    // Files sorted by path come folder by folder: the walk is needed only when the folder
    // changes or something failed since the last one.
    if (!in_folder_ || *in_folder_ != folder) {
        in_folder_.reset();
        listed_.reset();
        if (Status reached = FTP_SetPath(job_, folder, MissingFolders::Create, seams_); !reached) {
            post_line(words_.set_path);
            post_failure(shown, reached.error_text());
            return;
        }
        in_folder_ = folder;
    }
    // One listing per folder serves every file sent into it.
    if (date_check_ && !listed_ && job_.connection->list_directory()) {
        listed_ = job_.connection->entries();
        job_.connection->end_listing();
    }
    if (date_check_ && listed_ && FTP_FindRemoteFile(job_, *listed_) &&
        ftp_is_up_to_date(file, info->size, info->mtime_utc)) {
        {
            const std::lock_guard lock(mutex_);
            file.status = kFileSkipped;
        }
        post_line(words_.too_old);
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        file.size = info->size;
        sending_size_ = info->size;
        transferring_ = true;
        file_started_ = true;
        title_ = with_params(words_.progress_title,
                             std::to_string(index + 1) + "/" + std::to_string(job_.files.size()),
                             ftp_printable(name));
    }
    notify();
    const std::int64_t started = seams_.now_ms ? seams_.now_ms() : steady_ms();
    const SendResult sent = upload_in_place(file, name);
    const std::int64_t ended = seams_.now_ms ? seams_.now_ms() : steady_ms();
    {
        const std::lock_guard lock(mutex_);
        transferring_ = false;
        if (sent.status) {
            file.status = kFileSent;
            file_sent_ = true;
        }
    }
    if (sent.status) {
        post_line(words_.ok + " " + FTP_ElapsedText(ended - started));
        return;
    }
    in_folder_.reset();
    listed_.reset();
    if (!sent.started)
        post_line(words_.error);
    post_failure(shown, sent.status.error_text());
}

SendResult FtpSender::upload_in_place(const FTPFile& file, const std::string& name) {
    FtpSession& session = *job_.connection;
    session.set_object_headers(file.headers);
    if (session.replaces_atomically())
        return session.send_file(file.local_file, name, SendMode::Wait);
    const std::string part = ftp_part_name(name);
    SendResult sent = session.send_file(file.local_file, part, SendMode::Wait);
    if (!sent.status || job_.cancel.load())
        return sent;
    const Status renamed = session.rename(part, name);
    if (renamed)
        return sent;
    post_line(with_params(words_.rename_refused, ftp_printable(name),
                          ftp_printable(renamed.error_text())));
    (void)session.delete_file(part); // the copy stays readable under the final name below
    return session.send_file(file.local_file, name, SendMode::Wait);
}

void FtpSender::check_addresses() {
    std::vector<AddressProbe> probes;
    std::vector<const FTPFile*> asked;
    for (const FTPFile& f : job_.files) {
        if (f.status != kFileSent || !http_is_web_address(f.address))
            continue;
        AddressProbe& p = probes.emplace_back();
        p.url = f.address;
        if (f.address_sized)
            p.length = f.size;
        asked.push_back(&f);
    }
    HttpCheckOptions options;
    options.cancel = &job_.cancel;
    const std::vector<AddressAnswer> answers = http_check_addresses(probes, options);
    int missing = 0;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const AddressAnswer& a = answers[i];
        if (a.found)
            continue;
        ++missing;
        const std::string url = ftp_printable(probes[i].url);
        if (a.status >= 200 && a.status < 300 && a.length)
            post_line(with_params(words_.wrong_size, url, std::to_string(*a.length),
                                  std::to_string(*probes[i].length)));
        else
            post_line(
                with_params(words_.not_at, url,
                            a.status != 0 ? std::to_string(a.status) : ftp_printable(a.error)));
    }
    const std::lock_guard lock(mutex_);
    missing_ = missing;
}

void FtpSender::tell_directories() {
    const bool changed = std::any_of(job_.files.begin(), job_.files.end(), [](const FTPFile& f) {
        return f.is_feed && f.status == kFileSent;
    });
    if (!changed || !http_is_web_address(job_.notice.feed_url))
        return;
    NotifyOptions options;
    options.cancel = &job_.cancel;
    const auto report = [&](const std::string& who, const Result<std::string>& answer) {
        std::string line =
            answer ? with_params(words_.told, who, ftp_printable(answer.value()))
                   : with_params(words_.not_told, who, ftp_printable(answer.error_text()));
        {
            const std::lock_guard lock(mutex_);
            job_.notice.answers.push_back(line);
        }
        post_line(std::move(line));
    };
    if (!job_.notice.hub.empty())
        report(with_params(words_.hub, ftp_printable(job_.notice.hub)),
               websub_publish(job_.notice.hub, job_.notice.feed_url, options));
    if (!job_.cancel.load())
        report(words_.index,
               podcast_index_notify(job_.notice.feed_url, job_.notice.index_address, options));
}

void FtpSender::report_end() {
    finished_ = true;
    const auto not_sent = std::count_if(job_.files.begin(), job_.files.end(),
                                        [](const FTPFile& f) { return f.status == kFileNotSent; });
    const std::string total = std::to_string(job_.files.size());
    const auto add = [this](const std::string& line) {
        if (sink_)
            sink_(line);
        lines_.push_back(line);
    };
    add("");
    const int missing = this->missing();
    if (not_sent > 0)
        add(texts_.get("FTP\\Send.ErrorFinished", {total, std::to_string(not_sent)}));
    else if (missing == 0)
        add(texts_.get("FTP\\Send.Finished", {total}));
    if (missing > 0)
        add(texts_.get("FTP\\Check.Missing", {total, std::to_string(missing)}));
}

void FtpSender::close() {
    if (connector_.joinable() || worker_.joinable())
        cancel();
    if (connector_.joinable())
        connector_.join();
    if (worker_.joinable())
        worker_.join();
    take_news();
    connecting_ = false;
    connected_ = false;
    job_.connection.reset();
}

int FtpSender::missing() const {
    const std::lock_guard lock(mutex_);
    return missing_;
}

bool FtpSender::succeeded() const {
    const std::lock_guard lock(mutex_);
    return missing_ == 0 && std::none_of(job_.files.begin(), job_.files.end(),
                                         [](const FTPFile& f) { return f.status == kFileNotSent; });
}

} // namespace qp::net
