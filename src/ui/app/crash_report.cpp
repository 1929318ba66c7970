#include "ui/app/crash_report.h"

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "ui/common/qt_text.h"

#include <QMessageBox>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

extern char** environ;

namespace qp::ui {

namespace {

// Windows exception codes the report keeps, so that its "Target Address" rule is unchanged.
constexpr std::uint32_t kAccessViolation = 0xC0000005;
constexpr std::uint32_t kIllegalInstruction = 0xC000001D;
constexpr std::uint32_t kFloatDivideByZero = 0xC000008E;
constexpr std::uint32_t kIntDivideByZero = 0xC0000094;
constexpr std::uint32_t kIntOverflow = 0xC0000095;
constexpr std::uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr std::uint32_t kStackOverflow = 0xC00000FD;
constexpr std::uint32_t kUnknownFault = 0xE0000000;
// A fault this close to the stack pointer is the stack running out.
constexpr unsigned long long kStackSlack = 64ULL * 1024;

struct Kind {
    std::uint32_t code;
    const char* text;
};

Kind kind_of(const FaultFacts& f) {
    switch (f.signal) {
    case SIGSEGV:
    case SIGBUS: {
        const unsigned long long sp = f.registers[7];
        if (f.signal == SIGSEGV && f.have_registers && f.target_address + kStackSlack >= sp &&
            f.target_address <= sp + kStackSlack)
            return {kStackOverflow, "Stack overflow"};
        return {kAccessViolation, "Invalid memory access"};
    }
    case SIGFPE:
        if (f.si_code == FPE_INTDIV)
            return {kIntDivideByZero, "Division by zero"};
        if (f.si_code == FPE_INTOVF)
            return {kIntOverflow, "Integer overflow"};
        if (f.si_code == FPE_FLTDIV)
            return {kFloatDivideByZero, "Floating-point division by zero"};
        return {kUnknownFault, "Unknown error code"};
    case SIGILL:
        if (f.si_code == ILL_PRVOPC)
            return {kPrivilegedInstruction, "Privileged instruction"};
        return {kIllegalInstruction, "Illegal instruction"};
    default:
        return {kUnknownFault, "Unknown error code"};
    }
}

// Appends to a fixed buffer; what does not fit is dropped.
class Writer {
public:
    Writer(char* out, std::size_t capacity) : out_(out), cap_(capacity) {}
    Writer& text(const char* s) {
        while (*s)
            put(*s++);
        return *this;
    }
    Writer& number(long long value) {
        char digits[24];
        int n = 0;
        // Works on the magnitude as unsigned so the smallest value does not overflow.
        unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0)
            put('-');
        while (n > 0)
            put(digits[--n]);
        return *this;
    }
    std::size_t finish() {
        if (cap_ > 0)
            out_[len_] = '\0';
        return len_;
    }

private:
    void put(char c) {
        if (len_ + 1 < cap_)
            out_[len_++] = c;
    }
    char* out_;
    std::size_t cap_;
    std::size_t len_ = 0;
};

// Everything the handler needs, prepared at install time.
char g_report_path[4096];
char g_program[4096];
char g_switch[32];
char* g_argv[4];
bool g_restart = false;
const Log* g_log = nullptr;
char g_report[32 * 1024];
alignas(16) char g_alt_stack[128 * 1024];
std::atomic_flag g_busy = ATOMIC_FLAG_INIT;

void write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void write_all(int fd, std::string_view text) {
    write_all(fd, text.data(), text.size());
}

// Log_Add of the report and Log_Flush, without the lock the failing thread may hold.
void append_to_log(std::string_view report) {
    if (!g_log)
        return;
    const Log::UnlockedView view = g_log->unlocked_view();
    char path[4096];
    if (view.path.empty() || view.path.size() >= sizeof(path))
        return;
    std::memcpy(path, view.path.data(), view.path.size());
    path[view.path.size()] = '\0';
    const int flags = O_WRONLY | O_CLOEXEC | (view.created ? O_APPEND : O_CREAT | O_TRUNC);
    const int fd = ::open(path, flags, 0644);
    if (fd < 0)
        return;
    if (!view.created)
        write_all(fd, view.head);
    write_all(fd, view.body);
    write_all(fd, report);
    write_all(fd, "\r\n");
    ::close(fd);
}

void on_fault(int signal, siginfo_t* info, void* context) {
    // A second thread failing at the same time waits for the first to end the process.
    if (g_busy.test_and_set()) {
        for (;;)
            ::pause();
    }
    FaultFacts facts;
    facts.signal = signal;
    facts.si_code = info ? info->si_code : 0;
    facts.target_address = info ? reinterpret_cast<unsigned long long>(info->si_addr) : 0;
#if defined(__x86_64__)
    if (context) {
        const auto* uc = static_cast<const ucontext_t*>(context);
        const greg_t* g = uc->uc_mcontext.gregs;
        const int order[16] = {REG_RAX, REG_RBX, REG_RCX, REG_RDX, REG_RBP, REG_RSI,
                               REG_RDI, REG_RSP, REG_R8,  REG_R9,  REG_R10, REG_R11,
                               REG_R12, REG_R13, REG_R14, REG_R15};
        for (int i = 0; i < 16; ++i)
            facts.registers[i] = static_cast<unsigned long long>(g[order[i]]);
        facts.code_address = static_cast<unsigned long long>(g[REG_RIP]);
        facts.have_registers = true;
    }
#else
    (void)context;
#endif
    const std::size_t size = error_report_format(facts, g_report, sizeof(g_report));
    const std::string_view report(g_report, size);
    const int fd =
        ::open(g_report_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        write_all(fd, report);
        ::close(fd);
    }
    write_all(STDERR_FILENO, report);
    append_to_log(report);
    if (g_restart)
        ::execve(g_program, g_argv, environ);
    ::_exit(2);
}

bool copy_into(char* out, std::size_t capacity, std::string_view text) {
    if (text.size() >= capacity || text.find('\0') != std::string_view::npos)
        return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

} // namespace

std::size_t error_report_format(const FaultFacts& facts, char* out, std::size_t capacity) {
    const Kind kind = kind_of(facts);
    Writer w(out, capacity);
    w.text("A program error was detected:\r\n");
    w.text("Error Message:   ").text(kind.text).text("\r\n");
    w.text("Error Code: ").number(static_cast<std::int32_t>(kind.code));
    w.text(" at Address: ").number(static_cast<long long>(facts.code_address)).text("\r\n");
    if (kind.code == kAccessViolation)
        w.text("Target Address:  ")
            .number(static_cast<long long>(facts.target_address))
            .text("\r\n");
    w.text("Register content:\r\n");
    if (facts.have_registers)
        for (int i = 0; i < 16; ++i)
            w.text(kRegisterNames[i])
                .text(" = ")
                .number(static_cast<long long>(facts.registers[i]))
                .text("\r\n");
    return w.finish();
}

std::string error_report_install(std::string_view pref_folder, const Log& log,
                                 std::string_view program) {
    std::string report_path = std::string(pref_folder) + std::string(kErrorReportFileName);
    if (!copy_into(g_report_path, sizeof(g_report_path), report_path))
        return "The error report's path is too long: " + report_path;
    std::string restart(program);
    if (restart.empty()) {
        char self[4096] = {};
        if (::readlink("/proc/self/exe", self, sizeof(self) - 1) > 0)
            restart = self;
    }
    if (const char* over = std::getenv(kErrorReportProgramEnv))
        restart = over;
    g_restart = !restart.empty();
    if (g_restart && !copy_into(g_program, sizeof(g_program), restart))
        return "The program's path is too long: " + restart;
    if (!copy_into(g_switch, sizeof(g_switch), kErrorReportSwitch))
        return "The report switch is too long";
    g_argv[0] = g_program;
    g_argv[1] = g_switch;
    g_argv[2] = g_report_path;
    g_argv[3] = nullptr;
    g_log = &log;

    stack_t stack{};
    stack.ss_sp = g_alt_stack;
    stack.ss_size = sizeof(g_alt_stack);
    if (::sigaltstack(&stack, nullptr) != 0)
        return std::string("Can't set the error report's stack: ") + std::strerror(errno);
    struct sigaction action {};
    action.sa_sigaction = on_fault;
    // A fault inside the handler ends the process the default way instead of looping.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        if (::sigaction(signal, &action, nullptr) != 0)
            return std::string("Can't install the error report: ") + std::strerror(errno);
    return {};
}

QString error_report_mode_file(int argc, char** argv) {
    if (argc >= 3 && argv[1] == kErrorReportSwitch)
        return QString::fromLocal8Bit(argv[2]);
    return {};
}

int error_report_show(const QString& report_path) {
    std::string bytes;
    if (!read_file(from_q(report_path), bytes))
        bytes = "A program error was detected.";
    QMessageBox box(QMessageBox::Critical, "OnError example", to_q(decode_text_file(bytes)),
                    QMessageBox::Ok);
    box.exec();
    return 2;
}

} // namespace qp::ui
