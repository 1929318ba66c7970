// The publishing job: the files of one RSS creation, the steps that bring each of them to the
// server, and a window-free runner that the FTP window and the command-line tool drive alike.
#pragma once

#include "core/clock.h"
#include "core/document.h"
#include "core/text.h"
#include "core/texts.h"
#include "core/upload_job.h"
#include "net/directory_notify.h"
#include "net/ftp_session.h"
#include "net/trust.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qp::net {

// `FTPFile::status` values.
inline constexpr int kFileNotSent = 0; // the start value, and any failure
inline constexpr int kFileSent = 1;
inline constexpr int kFileSkipped = -1; // the server's copy is up to date

struct FTPFile {
    std::string local_file;
    std::string remote_path;   // folder and name relative to the FTP root, "/" separated
    std::int64_t size = 0;     // the server's size after a look-up, the local size when sending
    DateValue remote_date = 0; // from the listing: the server's clock, unconverted
    std::optional<std::int64_t> remote_mtime_utc; // the server's MDTM answer, when it gives one
    int status = kFileNotSent;
    std::string address;       // where listeners fetch it; empty when nobody does
    bool address_sized = true; // the answer there must give the file's size
    ObjectHeaders headers;     // what a store records with it
    bool is_feed = false;      // the RSS file: sent, it means the feed changed
};

// Whom a publish in which the RSS file was sent tells that the feed changed.
struct DirectoryNotice {
    bool on = false;
    std::string feed_url;
    std::string hub; // empty: no hub
    std::string index_address = kPodcastIndexNotify;
    // Their answers, one line each, for the log; filled by the job.
    std::vector<std::string> answers;
};

// One per RSS creation. The password is held only in memory, and only until the connection is
// opened.
struct FTPJob {
    std::unique_ptr<FtpSession> connection;
    std::string error; // notes of the liveness check; never shown
    std::vector<FTPFile> files;
    std::size_t current = 0; // the entry being processed
    std::string server;
    std::string user;
    std::string password;
    std::int32_t port = 0;
    Protocol protocol = Protocol::Ftp;
    StoreLogin store;
    // After the last file, ask the web server for the address of every file just sent.
    bool check_addresses = true;
    DirectoryNotice notice;
    // Raised from any thread (a signal handler too) to stop the job: every wait of the
    // connection and every folder walk ends soon after.
    std::atomic<bool> cancel{false};
};

using qp::FTP_FolderPart;
// "12s" above 9999 ms, "1.5s" above 999 ms, else "420ms".
std::string FTP_ElapsedText(std::int64_t ms);
// A name or a server's text as it may be shown: control characters become "\xNN", so a name
// cannot break a line of the message list or steer a terminal.
std::string ftp_printable(std::string_view text);
// The name a file is uploaded under before it is renamed into place: a cut upload never
// replaces the good copy, and no reader sees half a file.
std::string ftp_part_name(std::string_view name);

// Appends the enclosures the RSS writer collected, in their order, with the document's caching
// rule for media.
void ftp_add_uploads(FTPJob& job, const UploadJob& uploads, const Doc& doc);
// What publishing adds after the RSS file is written: the account of the document (its protocol
// too), then the RSS file, the local artwork when there is one, and the project file unless it is
// kept private, all into the channel's folder.
void ftp_add_feed_files(FTPJob& job, const Doc& doc, const std::string& rss_path);
// The two halves of ftp_add_feed_files: the account may be set and the connection opened while the
// RSS file is still being written, and the files added once it is.
void ftp_set_account(FTPJob& job, const Doc& doc);
void ftp_add_channel_files(FTPJob& job, const Doc& doc, const std::string& rss_path);

// Opens a session; its waits end soon after *cancel is raised.
using FtpOpener =
    std::function<SessionOpened(const FtpLogin& login, const std::atomic<bool>* cancel)>;
using LineSink = std::function<void(const std::string&)>;

// What the job needs from outside; tests replace each part.
struct FtpJobSeams {
    FtpOpener open;                       // none: every connection fails
    std::function<bool()> net_init;       // none: the network is available
    std::function<std::int64_t()> now_ms; // none: a steady millisecond clock
    std::function<void(int ms)> sleep_ms; // none: the thread sleeps
    int step_timeout_ms = 30000;          // bounds a whole folder walk
};

// The real client: open_session with its default time-outs and the given trust, Net_Init asked
// once per run.
FtpJobSeams ftp_client_seams(TrustSettings trust = {});

// Network check and login; adds the message lines. Ok when the job holds a connection, else the
// session's error with its text made printable. The password is wiped from the job either way.
Status FTP_Connect(FTPJob& job, const FtpJobSeams& seams, Texts& texts, const LineSink& add_line);
bool FTP_IsAlive(FTPJob& job);
// The server's current folder in FTP folder form.
std::string FTP_CurrentFolder(FTPJob& job);

enum class MissingFolders { Fail, Create };
// Walks to target one level at a time; gives up after 30 steps, after the seams' step time-out
// or when the job is cancelled (Cancelled).
Status FTP_SetPath(FTPJob& job, std::string_view target, MissingFolders missing,
                   const FtpJobSeams& seams);
// Looks the current file up in the listing of the current remote folder. When found, its size
// and listed date hold the server's values, and its MDTM time when the server answers.
bool FTP_FindRemoteFile(FTPJob& job);
// The same in a listing of the current remote folder read before.
bool FTP_FindRemoteFile(FTPJob& job, const std::vector<FtpEntry>& listing);
// Whether the server's copy, as FTP_FindRemoteFile read it, may stand for the local file: the
// same size and not older. Compared in UTC where the server answered MDTM.
bool ftp_is_up_to_date(const FTPFile& remote, std::int64_t local_size,
                       std::int64_t local_mtime_utc);

// The loop of the FTP window without the window. A worker thread takes the files one after the
// other (folder, date check, upload under the part name, rename); the polling side collects its
// message lines and reads the progress, so a slow server never blocks the window, and the next
// file starts as soon as the last one ends.
class FtpSender {
public:
    FtpSender(FTPJob& job, Texts& texts, FtpJobSeams seams);
    ~FtpSender();
    FtpSender(const FtpSender&) = delete;
    FtpSender& operator=(const FtpSender&) = delete;

    void set_date_check(bool on) { date_check_ = on; }
    // Called from Poll, on the polling thread, for each message line (the lines are also kept).
    void set_line_sink(LineSink sink) { sink_ = std::move(sink); }
    // Called on the worker thread whenever Poll has something new to collect: the window posts
    // a queued call to Poll from here instead of waiting for its timer.
    void set_notify(std::function<void()> notify) { notify_ = std::move(notify); }

    // The send button: connects with the job's account on a thread of its own, so the caller
    // never waits on the server; Poll tells the end (connecting(), connected(),
    // connect_error()). After a failure the caller may correct the account and begin again.
    void begin_connect();
    // The same, waiting for the end: FTP_Connect's Status.
    Status connect();
    // One pass of the loop, never blocking: starts the worker, hands over its message lines,
    // reads the progress, and reports the end once.
    void poll();
    // Waits until the worker has something new for Poll, or max_ms at most.
    void wait(int max_ms);
    // Stops the job from any thread (a signal handler too): the worker ends within a second,
    // whatever it waits for; files not yet sent stay not sent.
    void cancel() { job_.cancel.store(true); }
    // Closing the window: cancels a running job, waits for the worker and closes the
    // connection.
    void close();

    bool connecting() const { return connecting_; }
    bool connected() const { return connected_; }
    // Why the last connect failed; empty while none did.
    const std::string& connect_error() const { return connect_status_.error_text(); }
    bool transferring() const;
    bool finished() const { return finished_; }
    int progress() const { return progress_; }
    std::string title() const;
    const std::vector<std::string>& lines() const { return lines_; }
    // True when no file is left with status "not sent" and every address checked was found.
    bool succeeded() const;
    // How many files were sent but not found at their address.
    int missing() const;

private:
    // The texts the worker uses, read on the constructing thread: the language table is not
    // shared across threads.
    struct WorkerTexts {
        std::string title, progress_title, file, to, not_found, set_path, too_old, error, ok,
            failed, rename_refused, not_at, wrong_size, told, not_told, index, hub;
    };

    void take_connect();
    void run();
    void process(std::size_t index);
    // Uploads under the part name and renames it into place; falls back to the final name
    // when the server refuses the rename.
    SendResult upload_in_place(const FTPFile& file, const std::string& name);
    void post_line(std::string line);
    void post_failure(const std::string& name, std::string_view reason);
    void notify();
    void take_news();
    // Asks the web server for the files just sent and says which ones it does not give.
    void check_addresses();
    // Tells the hub and Podcast Index when the RSS file was sent, with their answers.
    void tell_directories();
    void report_end();

    FTPJob& job_;
    Texts& texts_;
    FtpJobSeams seams_;
    WorkerTexts words_;
    std::map<std::string, std::string, std::less<>> connect_words_;
    LineSink sink_;
    std::function<void()> notify_;
    std::vector<std::string> lines_;
    bool date_check_ = true;
    bool connecting_ = false;
    bool connected_ = false;
    Status connect_status_;
    bool finished_ = false;
    int progress_ = 0;
    std::thread connector_;
    std::thread worker_;
    std::optional<std::string> in_folder_; // where the worker's last walk ended; its own
    // The listing of in_folder_ for the date check, read once per folder; the worker's own.
    std::optional<std::vector<FtpEntry>> listed_;

    // Shared with the worker.
    mutable std::mutex mutex_;
    std::condition_variable news_cv_;
    std::vector<std::string> pending_lines_;
    std::string title_;
    bool transferring_ = false;
    bool file_started_ = false;
    bool file_sent_ = false; // a whole file reached the server: the bar shows it full
    std::int64_t sending_size_ = 0;
    bool connect_done_ = false;
    Status connect_result_;
    bool worker_done_ = false;
    int missing_ = 0;
    std::uint64_t news_ = 0;
    std::uint64_t news_taken_ = 0;
};

} // namespace qp::net
