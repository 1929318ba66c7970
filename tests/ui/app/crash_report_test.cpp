#include "ui/app/crash_report.h"

#include "support/temp_dir.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using qp::ui::error_report_format;
using qp::ui::FaultFacts;

TEST(ErrorReportText, AccessViolationNamesTheTargetAndTheRegisters) {
    FaultFacts f;
    f.signal = SIGSEGV;
    f.code_address = 0x401000;
    f.target_address = 0xFFFFFFFFFFFFFFF0ULL; // far from the stack pointer below
    for (int i = 0; i < 16; ++i)
        f.registers[i] = static_cast<unsigned long long>(i);
    f.registers[7] = 0x7FFE0000;
    f.have_registers = true;
    char out[2048];
    const std::size_t n = error_report_format(f, out, sizeof(out));
    EXPECT_EQ(std::string(out, n),
              "A program error was detected:\r\n"
              "Error Message:   Invalid memory access\r\n"
              "Error Code: -1073741819 at Address: 4198400\r\n"
              "Target Address:  -16\r\n"
              "Register content:\r\n"
              "RAX = 0\r\nRBX = 1\r\nRCX = 2\r\nRDX = 3\r\nRBP = 4\r\nRSI = 5\r\nRDI = 6\r\n"
              "RSP = 2147352576\r\nR8 = 8\r\nR9 = 9\r\nR10 = 10\r\nR11 = 11\r\nR12 = 12\r\n"
              "R13 = 13\r\nR14 = 14\r\nR15 = 15\r\n");
}

TEST(ErrorReportText, KindsAndTheBufferLimit) {
    FaultFacts f;
    f.have_registers = true;
    f.registers[7] = 0x7FFE0000;
    f.signal = SIGSEGV;
    f.target_address = 0x7FFDFFF8; // just below the stack pointer
    char out[512];
    error_report_format(f, out, sizeof(out));
    EXPECT_NE(std::strstr(out, "Stack overflow\r\nError Code: -1073741571"), nullptr);
    EXPECT_EQ(std::strstr(out, "Target Address"), nullptr);
    f.signal = SIGFPE;
    f.si_code = FPE_FLTINV;
    error_report_format(f, out, sizeof(out));
    EXPECT_NE(std::strstr(out, "Unknown error code"), nullptr);

    char small[10];
    EXPECT_EQ(error_report_format(f, small, sizeof(small)), 9u);
    EXPECT_STREQ(small, "A program");
}

namespace {

std::string read_all(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace

class CrashChildTest : public ::testing::TestWithParam<const char*> {};

// A real fault in a child process: the report reaches the file, the log and, through the
// restarted report mode, the message box; the run ends with status 2.
TEST_P(CrashChildTest, FaultIsReportedEverywhere) {
    qp::test::TempDir dir;
    const std::string kind = GetParam();
    QProcess child;
    child.setProgram(QP_CRASH_CHILD);
    child.setArguments({QString::fromStdString(kind), QString::fromStdString(dir.path())});
    child.start();
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 2);

    const std::string report = read_all(dir.path() + "Quillpost-ErrorReport.txt");
    const std::map<std::string, std::string> kinds = {
        {"segv", "Invalid memory access\r\nError Code: -1073741819"},
        {"fpe", "Division by zero\r\nError Code: -1073741676"},
        {"ill", "Illegal instruction\r\nError Code: -1073741795"}};
    EXPECT_NE(report.find(kinds.at(kind)), std::string::npos) << report;
    EXPECT_EQ(report.find("Target Address:  0\r\n") != std::string::npos, kind == "segv");
    EXPECT_NE(report.find("RSP = "), std::string::npos);

    // Header once, every body line (flushed or pending), then the report as one more line.
    EXPECT_EQ(read_all(dir.path() + "Quillpost.Log"),
              "Quillpost 0,28,1305,1700\r\n* Before the flush\r\n- Pending line\r\n" + report +
                  "\r\n");
    EXPECT_NE(child.readAllStandardError().toStdString().find(report), std::string::npos);
    QString shown = QString::fromUtf8(child.readAllStandardOutput());
    shown.replace("\r\n", "\n");
    EXPECT_EQ(shown.toStdString(),
              "OnError example|" +
                  QString::fromStdString(report).replace("\r\n", "\n").toStdString());
}

INSTANTIATE_TEST_SUITE_P(Faults, CrashChildTest, ::testing::Values("segv", "fpe", "ill"));
