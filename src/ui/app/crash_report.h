// The error report: when the program touches invalid memory, divides by zero, runs an illegal
// instruction or hits a bus error, a signal handler writes a report (error kind, code, addresses,
// registers) to a file in the preference folder, to standard error and to the end of the log
// file, then starts the program again in a report mode that shows it in a message box. The run
// ends with exit status 2.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace qp {
class Log;
}

namespace qp::ui {

// The command-line switch of the report mode: `quillpost --error-report REPORT_FILE`.
inline constexpr std::string_view kErrorReportSwitch = "--error-report";
inline constexpr std::string_view kErrorReportFileName = "Quillpost-ErrorReport.txt";
// When set at install time, names the program the handler starts instead of `program`; an
// empty value starts nothing (the run still ends with status 2). Tests use it.
inline constexpr const char* kErrorReportProgramEnv = "QP_ERROR_REPORT_PROGRAM";

// Installs ErrorReport for SIGSEGV, SIGBUS, SIGFPE and SIGILL, on a stack of its own so that a
// stack overflow is reported too. pref_folder ends with "/"; the log is read at the time of the
// fault (its path and pending lines) and must outlive the program's run; program is the path of
// the executable to start in report mode (empty: this process's own executable). Returns an
// error text, empty on success.
[[nodiscard]] std::string error_report_install(std::string_view pref_folder, const Log& log,
                                               std::string_view program);

// What a fault is reported as; the handler fills it from the signal and its context.
struct FaultFacts {
    int signal = 0;
    int si_code = 0;
    unsigned long long code_address = 0;
    unsigned long long target_address = 0;
    // x86-64 general registers in the order of kRegisterNames; unset elsewhere.
    unsigned long long registers[16] = {};
    bool have_registers = false;
};
inline constexpr const char* kRegisterNames[16] = {"RAX", "RBX", "RCX", "RDX", "RBP", "RSI",
                                                   "RDI", "RSP", "R8",  "R9",  "R10", "R11",
                                                   "R12", "R13", "R14", "R15"};

// The report text with CR LF line ends, written into out (cut at capacity - 1 and ended with a
// zero byte); returns its length. Async-signal-safe: no allocation, no locale, no lock. An
// invalid access carries the Windows access-violation code (-1073741819) and a "Target
// Address:" line; addresses and registers are written as signed 64-bit decimal numbers.
std::size_t error_report_format(const FaultFacts& facts, char* out, std::size_t capacity);

// The report file named after the switch, or an empty text when the program was not started
// in report mode. Call before the QApplication exists, with main's arguments.
QString error_report_mode_file(int argc, char** argv);
// The report mode: shows the file's text in the message box titled "OnError example" and
// returns the exit status 2. Needs a QApplication.
int error_report_show(const QString& report_path);

} // namespace qp::ui
