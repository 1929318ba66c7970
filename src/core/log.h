// The program's text log: header lines written once at the top of the file, body lines held in
// memory and written in batches, and fatal lines that end the program.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace qp {

class Log {
public:
    // Called after a fatal line has been written out; the desktop program shows the message box
    // and ends with exit code 2. The default prints the line on standard error and exits with 2.
    using FatalHandler = std::function<void(const std::string& text)>;

    // An empty path keeps every line in memory and never touches a file (the command-line tool).
    explicit Log(std::string path = {});

    void set_path(std::string path);
    void set_fatal_handler(FatalHandler handler);

    // Appends one body line; a flush follows once the pending body passes 40000 characters.
    void add(std::string_view text);
    // Appends one header line: kept for the whole run and written once at the top of the file.
    void add_header(std::string_view text);
    // Appends a body line, marks the body, writes it out and calls the fatal handler.
    void add_fatal(std::string_view text);
    // Writes the pending body to the file; the lines that did not reach it stay pending for the
    // next attempt. Empty on success, else what failed.
    [[nodiscard]] std::string flush();
    // The header lines followed by the body lines not yet written to the file.
    std::string text() const;

    static constexpr std::size_t kFlushThreshold = 40000;

    // What the error report appends to the file, read without the lock because the failing
    // thread may hold it. Only for that handler: it may see a line half appended.
    struct UnlockedView {
        std::string_view path;
        std::string_view head;
        std::string_view body;
        bool created = false;
    };
    UnlockedView unlocked_view() const noexcept { return {path_, head_, body_, created_}; }

private:
    // True when the body is due for a flush.
    bool append(std::string& target, std::string_view text);

    mutable std::mutex mutex_;
    std::string path_;
    std::string head_;
    std::string body_;
    bool created_ = false;
    FatalHandler on_fatal_;
};

class Paths;

// The header lines of a run: name and version, start date, system, program file and folders.
void log_startup_header(Log& log, const Paths& paths, std::string_view program_file);

// The message of a fatal start-up error code, before its detail.
std::string fatal_error_text(int code);
// The name of a Windows version code of the original version table ("OS value of " + code when
// the code has none).
std::string os_name_from_code(int code);
// This system's name for the log: the distribution's pretty name and the kernel release.
std::string OSName();

} // namespace qp
