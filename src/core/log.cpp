#include "core/log.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

namespace qp {

Log::Log(std::string path) : path_(std::move(path)) {
    on_fatal_ = [](const std::string& text) {
        std::fprintf(stderr, "Error: %s\n", text.c_str());
        std::_Exit(2);
    };
}

void Log::set_path(std::string path) {
    std::lock_guard lock(mutex_);
    path_ = std::move(path);
}

void Log::set_fatal_handler(FatalHandler handler) {
    std::lock_guard lock(mutex_);
    on_fatal_ = std::move(handler);
}

void Log::add(std::string_view text, bool fatal, bool header) {
    bool due = false;
    {
        std::lock_guard lock(mutex_);
        std::string& target = header ? head_ : body_;
        target.append(text);
        target.append("\r\n");
        due = !header && body_.size() > kFlushThreshold;
    }
    if (due)
        flush();
    if (!fatal)
        return;
    FatalHandler handler;
    {
        std::lock_guard lock(mutex_);
        body_.append("!* Error Bug *!");
        handler = on_fatal_;
    }
    flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (handler)
        handler(std::string(text));
}

namespace {

// Writes as much of data as the file takes; returns the number of bytes written.
std::size_t write_some(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

bool Log::flush() {
    std::lock_guard lock(mutex_);
    if (path_.empty())
        return false;
    const int flags = O_WRONLY | O_CLOEXEC | (created_ ? O_APPEND : O_CREAT | O_TRUNC);
    const int fd = ::open(path_.c_str(), flags, 0644);
    if (fd < 0)
        return false;
    // A file whose header did not get written is created again by the next flush.
    if (!created_ && write_some(fd, head_) == head_.size())
        created_ = true;
    if (created_) {
        // Only the lines that reached the file leave the pending body.
        body_.erase(0, write_some(fd, body_));
    }
    ::close(fd);
    return true;
}

std::string Log::text() const {
    std::lock_guard lock(mutex_);
    return head_ + body_;
}

void Log_StartupHeader(Log& log, const Paths& paths, std::string_view program_file) {
    log.add(kProgramNameVersion, false, true);
    log.add(DateToText("Started the %dd/%mm/%yyyy at %hh:%ii", Now()), false, true);
    log.add("System = " + OSName(), false, true);
    log.add("ApplicationFile = " + std::string(program_file), false, true);
    log.add("GetCurrentDirectory() = " + current_directory(), false, true);
    log.add("Path\\Main = " + paths.main_folder(), false, true);
    log.add("Path\\Pref = " + paths.pref_folder(), false, true);
}

std::string FatalErrorText(int code) {
    switch (code) {
    case 1:
        return "Can't create Main Window!";
    case 2:
        return "Can't create Child Window ";
    case 3:
        return "Can't create Menu ";
    case 5:
        return "Can't create PopUp Menu ";
    case 6:
        return "Can't create SysTray ";
    case 7:
        return "Can't create Gadget ";
    case 8:
        return "Can't creat Timer ";
    case 9:
        return "Can't create StatusBar ";
    case 10:
        return "Can't allocate Memory ";
    default:
        return "Error : ";
    }
}

std::string OSNameFromCode(int code) {
    switch (code) {
    case 5:
        return "Windows NT3";
    case 10:
        return "Windows 95";
    case 20:
        return "Windows NT4";
    case 30:
        return "Windows 98";
    case 40:
        return "Windows ME";
    case 50:
        return "Windows 2000";
    case 60:
        return "Windows XP";
    case 65:
        return "Windows Server 2003";
    case 70:
        return "Windows Vista";
    case 75:
        return "Windows Server 2008";
    case 80:
        return "Windows Seven";
    default:
        return "OS value of " + std::to_string(code);
    }
}

std::string OSName() {
    std::string pretty;
    std::string release;
    if (read_file("/etc/os-release", release)) {
        for (std::size_t pos = 0; pos < release.size();) {
            std::size_t end = release.find('\n', pos);
            if (end == std::string::npos)
                end = release.size();
            const std::string_view line(release.data() + pos, end - pos);
            if (line.starts_with("PRETTY_NAME=")) {
                pretty = std::string(line.substr(12));
                if (pretty.size() >= 2 && pretty.front() == '"' && pretty.back() == '"')
                    pretty = pretty.substr(1, pretty.size() - 2);
            }
            pos = end + 1;
        }
    }
    struct utsname u {};
    std::string kernel;
    if (::uname(&u) == 0)
        kernel = std::string(u.sysname) + " " + u.release;
    if (pretty.empty())
        return kernel.empty() ? OSNameFromCode(200) : kernel;
    return kernel.empty() ? pretty : pretty + ", " + kernel;
}

} // namespace qp
