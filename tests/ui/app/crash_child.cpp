// A program that fails for real: `crash_child segv|fpe|ill FOLDER` installs the error report
// with a log in FOLDER, logs a few lines and faults. `crash_child --error-report FILE` is the
// report mode: it prints the message box's title and text on standard output and closes it.
#include "core/log.h"
#include "ui/app/crash_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

int* volatile no_object = nullptr;

__attribute__((noinline, no_sanitize("address", "undefined"))) int read_null(int* p) {
    return *p;
}

__attribute__((noinline)) int divide_by_zero() {
#if defined(__x86_64__)
    int quotient = 7;
    asm volatile("xorl %%ecx, %%ecx\n\tcltd\n\tidivl %%ecx" : "+a"(quotient) : : "ecx", "edx");
    return quotient;
#else
    return std::raise(SIGFPE);
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (const QString report = qp::ui::error_report_mode_file(argc, argv); !report.isEmpty()) {
        QApplication app(argc, argv);
        QTimer::singleShot(50, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::printf("%s|%s", box->windowTitle().toUtf8().constData(),
                            box->text().toUtf8().constData());
                box->close();
            }
        });
        return qp::ui::error_report_show(report);
    }
    if (argc < 3)
        return 64;
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0)
        return 65;
    const std::string folder = argv[2];
    static qp::Log log(folder + "Quillpost.Log");
    log.add_header("Quillpost 0,28,1305,1700");
    log.add("* Before the flush");
    if (std::strcmp(argv[1], "ill") != 0)
        (void)log.flush(); // the log file then exists and the report is appended to it
    log.add("- Pending line");
    if (const std::string error = qp::ui::error_report_install(folder, log, self); !error.empty())
        return 66;
    if (std::strcmp(argv[1], "segv") == 0)
        return read_null(no_object);
    if (std::strcmp(argv[1], "fpe") == 0)
        return divide_by_zero();
    __builtin_trap();
}
