#include "core/file_io.h"
#include "core/project_file.h"

#include "support/media_files.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace qp;

namespace {

std::string contents(const std::string& path) {
    std::string data;
    EXPECT_TRUE(read_file(path, data)) << path;
    return data;
}

class MediaCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path();
        std::filesystem::create_directories(dir_ + "work");
        ASSERT_EQ(test::make_media(dir_, "ep1.mp3"), "");
        project_ = dir_ + "work/show.qprj";
        doc_.Title = "Show";
        doc_.TTL = 60;
        doc_.Feeds.resize(2);
        doc_.Feeds[0].FeedTitle = "One";
        doc_.Feeds[0].FeedFile = dir_ + "ep1.mp3";
        doc_.Feeds[0].FeedFileLength = 1;
        doc_.Feeds[1].FeedTitle = "Two";
        doc_.Feeds[1].FeedFile = dir_ + "gone.mp3";
        ASSERT_TRUE(WriteProject(doc_, project_));
    }

    static test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), QP_CLI_PATH);
        test::ProcessResult r = test::run_process(args);
        EXPECT_EQ(r.error, "");
        return r;
    }

    test::TempDir tmp_;
    std::string dir_;
    std::string project_;
    Doc doc_;
};

TEST_F(MediaCli, SavesWhatChangedAndLeavesAnUnchangedProjectAlone) {
    const test::ProcessResult r = run({"media", project_, "--lang", "english"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Episodes updated: 1\nFiles missing: 1\n"), std::string::npos) << r.out;

    Doc expected = doc_;
    expected.Feeds[0].FeedFileLength =
        static_cast<std::int64_t>(std::filesystem::file_size(dir_ + "ep1.mp3"));
    expected.Feeds[0].FeedDuration = "00:00:03";
    ASSERT_TRUE(WriteProject(expected, dir_ + "expected.qprj"));
    EXPECT_EQ(contents(project_), contents(dir_ + "expected.qprj"));
    EXPECT_FALSE(file_exists(backup_path(project_)));

    // Nothing to change: the file is not written again, its date stays.
    const auto old = std::filesystem::last_write_time(project_) - std::chrono::hours(1);
    std::filesystem::last_write_time(project_, old);
    const test::ProcessResult again = run({"media", project_, "--lang", "english"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("Episodes updated: 0\n"), std::string::npos) << again.out;
    EXPECT_EQ(std::filesystem::last_write_time(project_), old);
}

TEST_F(MediaCli, FailuresLeaveTheFilesAsTheyWere) {
    const std::string before = contents(project_);
    EXPECT_EQ(run({"media", dir_ + "work/none.qprj"}).status, 1);
    EXPECT_EQ(run({"media"}).status, 2);
    EXPECT_EQ(run({"media", project_, "--lang", "klingon"}).status, 2);

    // A read-only project is not saved over.
    ASSERT_EQ(::chmod(project_.c_str(), 0444), 0);
    EXPECT_EQ(run({"media", project_}).status, 1);
    EXPECT_EQ(contents(project_), before);

    // A newer backup may hold the latest content: it is never overwritten.
    ASSERT_EQ(::chmod(project_.c_str(), 0644), 0);
    const std::string bak = backup_path(project_);
    ASSERT_TRUE(write_file(bak, "@Title:@\tnewer\r\n"));
    std::filesystem::last_write_time(project_,
                                     std::filesystem::last_write_time(bak) - std::chrono::hours(1));
    EXPECT_EQ(run({"media", project_}).status, 1);
    EXPECT_EQ(contents(project_), before);
    EXPECT_EQ(contents(bak), "@Title:@\tnewer\r\n");
}

} // namespace
