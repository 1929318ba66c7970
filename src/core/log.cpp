#include "core/log.h"

#include "core/dates.h"
#include "core/file_io.h"
#include "core/lines.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/utsname.h>
#include <thread>

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

bool Log::append(std::string& target, std::string_view text) {
    std::lock_guard lock(mutex_);
    target.append(text);
    target.append("\r\n");
    return &target == &body_ && body_.size() > kFlushThreshold;
}

void Log::add(std::string_view text) {
    // Nobody is told when the file cannot be written: the lines wait for the next flush.
    if (append(body_, text))
        (void)flush();
}

void Log::add_header(std::string_view text) {
    (void)append(head_, text);
}

void Log::add_fatal(std::string_view text) {
    add(text);
    FatalHandler handler;
    {
        std::lock_guard lock(mutex_);
        body_.append("!* Error Bug *!");
        handler = on_fatal_;
    }
    (void)flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (handler)
        handler(std::string(text));
}

std::string Log::flush() {
    std::lock_guard lock(mutex_);
    if (path_.empty())
        return "the log has no file";
    // A file whose header did not get written is created again by the next flush.
    if (!created_) {
        if (!write_file(path_, head_))
            return "can't create " + path_;
        created_ = true;
    }
    const AppendResult result = append_file(path_, body_);
    // Only the lines that reached the file leave the pending body.
    body_.erase(0, result.written);
    return result.error;
}

std::string Log::text() const {
    std::lock_guard lock(mutex_);
    return head_ + body_;
}

void log_startup_header(Log& log, const Paths& paths, std::string_view program_file) {
    log.add_header(kProgramNameVersion);
    log.add_header(DateToText("Started the %dd/%mm/%yyyy at %hh:%ii", Now()));
    log.add_header("System = " + OSName());
    log.add_header("ApplicationFile = " + std::string(program_file));
    log.add_header("GetCurrentDirectory() = " + current_directory());
    log.add_header("Path\\Main = " + paths.main_folder());
    log.add_header("Path\\Pref = " + paths.pref_folder());
}

std::string fatal_error_text(int code) {
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

std::string os_name_from_code(int code) {
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
        LineReader lines(release);
        while (const auto line = lines.next()) {
            if (line->starts_with("PRETTY_NAME=")) {
                pretty = std::string(line->substr(12));
                if (pretty.size() >= 2 && pretty.front() == '"' && pretty.back() == '"')
                    pretty = pretty.substr(1, pretty.size() - 2);
            }
        }
    }
    struct utsname u {};
    std::string kernel;
    if (::uname(&u) == 0)
        kernel = std::string(u.sysname) + " " + u.release;
    if (pretty.empty())
        return kernel.empty() ? os_name_from_code(200) : kernel;
    return kernel.empty() ? pretty : pretty + ", " + kernel;
}

} // namespace qp
