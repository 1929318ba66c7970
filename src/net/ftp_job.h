// The publishing job: the files of one RSS creation, the steps that bring each of them to the
// server, and a window-free runner that the FTP window and the command-line tool poll alike.
#pragma once

#include "core/clock.h"
#include "core/document.h"
#include "core/texts.h"
#include "core/upload_job.h"
#include "net/ftp_session.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qp::net {

// `FTPFile::status` values.
inline constexpr int kFileNotSent = 0; // the start value, and any failure
inline constexpr int kFileSent = 1;
inline constexpr int kFileSkipped = -1; // the server's copy is not older

struct FTPFile {
    std::string local_file;
    std::string remote_path; // folder and name relative to the FTP root, "/" separated
    std::int64_t size = 0;   // the server's size after a look-up, the local size when sending
    DateValue remote_date = 0;
    int status = kFileNotSent;
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
};

// FTP folder form: "\" read as "/", spaces trimmed, with add_slash a trailing "/" added to a
// text that lacks one, cut after the last "/", one leading "/" removed. The root is "".
std::string FTP_FolderPart(std::string_view path, bool add_slash);
// What follows the last "/" or "\" (the whole text when there is none).
std::string FTP_FilePart(std::string_view path);
// "12s" above 9999 ms, "1.5s" above 999 ms, else "420ms".
std::string FTP_ElapsedText(std::int64_t ms);

// Appends the enclosures the RSS writer collected, in their order.
void FTP_AddUploads(FTPJob& job, const UploadJob& uploads);
// What publishing adds after the RSS file is written: the account of the document, then the RSS
// file and the project file, both into the document's FTP folder (a "/" is assumed after it).
void FTP_AddFeedFiles(FTPJob& job, const Doc& doc, const std::string& rss_path);

using FtpOpener = std::function<std::unique_ptr<FtpSession>(const FtpLogin&)>;
using LineSink = std::function<void(const std::string&)>;

// What the job needs from outside; tests replace each part.
struct FtpJobSeams {
    FtpOpener open;                       // none: every connection fails
    std::function<bool()> net_init;       // none: the network is available
    std::function<std::int64_t()> now_ms; // none: a steady millisecond clock
    std::function<void(int ms)> sleep_ms; // none: the thread sleeps
};

// The real client: Ftp_Open with its default time-outs, Net_Init asked once per run.
FtpJobSeams ftp_client_seams();

// Network check and login; adds the message lines. True when the job holds a connection. The
// password is wiped from the job either way.
bool FTP_Connect(FTPJob& job, const FtpJobSeams& seams, Texts& texts, const LineSink& add_line);
bool FTP_IsAlive(FTPJob& job);
// The server's current folder in FTP folder form.
std::string FTP_CurrentFolder(FTPJob& job);
// Walks to target one level at a time, creating missing levels when create is set; gives up
// after 30 steps.
bool FTP_SetPath(FTPJob& job, std::string_view target, bool create,
                 const std::function<void(int ms)>& sleep_ms);
// Looks the current file up in the listing of the current remote folder; on success its size
// and remote date hold the server's values.
bool FTP_FindRemoteFile(FTPJob& job);

// The loop of the FTP window without the window. The caller polls `Poll` (the window every
// 100 ms at most); one file is started at a time, and while it is sent only its progress is
// read, so no control command crosses a running transfer.
class FtpSender {
public:
    FtpSender(FTPJob& job, Texts& texts, FtpJobSeams seams);
    ~FtpSender();
    FtpSender(const FtpSender&) = delete;
    FtpSender& operator=(const FtpSender&) = delete;

    void set_date_check(bool on) { date_check_ = on; }
    // Called for each message line as it is added (the lines are also kept).
    void set_line_sink(LineSink sink) { sink_ = std::move(sink); }

    // The send button: connects with the job's account. On failure the caller may correct the
    // account and call again.
    bool Connect();
    // One pass of the loop: reads the running transfer, or starts the next file, or reports
    // the end once.
    void Poll();
    // Closing the window: aborts a running transfer, waits for it and closes the connection.
    void Close();

    bool connected() const { return connected_; }
    bool transferring() const { return transferring_; }
    bool finished() const { return finished_; }
    int progress() const { return progress_; }
    const std::string& title() const { return title_; }
    const std::vector<std::string>& lines() const { return lines_; }
    // 1 when no file is left with status "not sent", else 0.
    int result() const;

private:
    void add_line(const std::string& line);
    void read_transfer();
    // True when a transfer was started for the current file.
    bool process_current();
    void report_end();

    FTPJob& job_;
    Texts& texts_;
    FtpJobSeams seams_;
    LineSink sink_;
    std::vector<std::string> lines_;
    std::string title_;
    bool date_check_ = true;
    bool connected_ = false;
    bool transferring_ = false;
    bool finished_ = false;
    int progress_ = 0;
    std::int64_t started_ms_ = 0;
};

} // namespace qp::net
