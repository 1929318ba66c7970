#include "core/clock.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"

#include "support/file_limit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace qp;

namespace {

class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path();
        path_ = (dir_ / "Quillpost.Log").string();
    }

    std::string contents() const {
        std::string data;
        EXPECT_TRUE(read_file(path_, data));
        return data;
    }

    qp::test::TempDir tmp_;

    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(LogFile, FirstFlushReplacesTheOldFileWithHeaderThenBody) {
    ASSERT_TRUE(write_file(path_, "previous run\r\n"));
    Log log(path_);
    log.add_header("Quillpost 0,28,1305,1700");
    log.add("* Rss_Create");
    log.add_header("System = test");
    EXPECT_EQ(contents(), "previous run\r\n");
    EXPECT_EQ(log.text(), "Quillpost 0,28,1305,1700\r\nSystem = test\r\n* Rss_Create\r\n");

    ASSERT_EQ(log.flush(), "");
    log.add("- Saved ");
    // The shown text keeps the header but only the body since the flush.
    EXPECT_EQ(log.text(), "Quillpost 0,28,1305,1700\r\nSystem = test\r\n- Saved \r\n");
    ASSERT_EQ(log.flush(), "");
    EXPECT_EQ(contents(),
              "Quillpost 0,28,1305,1700\r\nSystem = test\r\n* Rss_Create\r\n- Saved \r\n");
}

TEST_F(LogFile, LineThatPassesTheThresholdIsWrittenByItsOwnFlush) {
    Log log(path_);
    log.add_header(std::string(Log::kFlushThreshold + 10, 'h')); // header lines never flush
    log.add(std::string(Log::kFlushThreshold - 2, 'x'));         // with CR LF exactly the threshold
    EXPECT_FALSE(file_exists(path_));
    log.add("trigger");
    EXPECT_TRUE(contents().ends_with("xx\r\ntrigger\r\n"));
    EXPECT_EQ(log.text(), std::string(Log::kFlushThreshold + 10, 'h') + "\r\n");
}

TEST_F(LogFile, FatalLineEndsTheFileWithTheBugMarker) {
    Log log(path_);
    std::string fatal_text;
    log.set_fatal_handler([&](const std::string& text) { fatal_text = text; });
    log.add_header("head");
    log.add_fatal("! IsDpc(), no Doc() set ! Rss_Create");
    EXPECT_EQ(fatal_text, "! IsDpc(), no Doc() set ! Rss_Create");
    EXPECT_EQ(contents(), "head\r\n! IsDpc(), no Doc() set ! Rss_Create\r\n!* Error Bug *!");
}

TEST_F(LogFile, FileThatCannotBeCreatedKeepsLinesPending) {
    path_ = (dir_ / "missing" / "Quillpost.Log").string();
    Log log(path_);
    log.add_header("head");
    log.add("kept");
    EXPECT_NE(log.flush(), "");
    EXPECT_EQ(log.text(), "head\r\nkept\r\n");
    std::filesystem::create_directories(dir_ / "missing");
    EXPECT_EQ(log.flush(), "");
    EXPECT_EQ(contents(), "head\r\nkept\r\n");
}

TEST_F(LogFile, PartialWriteKeepsOnlyTheRestPendingAndSaysSo) {
    Log log(path_);
    log.add_header("head");
    ASSERT_EQ(log.flush(), "");
    log.add("first line");
    log.add("second line");
    std::string error;
    {
        const qp::test::FileSizeLimit full_disk(20); // the header and 14 bytes of the body
        ASSERT_TRUE(full_disk.ok());
        error = log.flush();
    }

    EXPECT_NE(error, "");
    EXPECT_EQ(log.text(), "head\r\ncond line\r\n");
    EXPECT_EQ(log.flush(), "");
    EXPECT_EQ(contents(), "head\r\nfirst line\r\nsecond line\r\n");
}

TEST(LogNames, SystemWithoutANameShowsItsCode) {
    EXPECT_EQ(os_name_from_code(90), "OS value of 90");
    EXPECT_EQ(os_name_from_code(80), "Windows Seven");
    EXPECT_EQ(fatal_error_text(4), "Error : ");
}

} // namespace

TEST(LogHeader, StartupLinesInOrder) {
    FixedClock clock(date_from_fields(2026, 12, 7, 7, 5, 0), 3600);
    ScopedClock scope(clock);
    Log log;
    const Paths paths("/srv/pod/", "/home/u/Documents/", "/opt/", "");
    log_startup_header(log, paths, "/usr/bin/quillpost");
    log.add("* first command");
    const std::string text = log.text();
    EXPECT_TRUE(text.starts_with("Quillpost 0,28,1305,1700\r\n"
                                 "Started the 07/12/2026 at 08:05\r\n"
                                 "System = "));
    EXPECT_NE(text.find("\r\nApplicationFile = /usr/bin/quillpost\r\nGetCurrentDirectory() = /"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\nPath\\Main = /srv/pod/\r\nPath\\Pref = /srv/pod/\r\n"
                               "* first command\r\n"));
}
