#include "core/dates.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_create.h"
#include "core/rss_writer.h"

#include "support/file_limit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/resource.h>

using namespace qp;

namespace {

class RssCreate : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.ok());
        dir_ = tmp_.path();
        DocDefaults(doc_);
        doc_.Title = "Show";
        doc_.LastBuildDate = 1000;
        doc_.FileName = dir_ + "show.qprj";
        Feed& feed = doc_.Feeds.emplace_back();
        feed.FeedTitle = "Ep 1";
        feed.FeedFile = "/m/ep1.mp3";
        feed.FeedFlag = kUploadFile;
        SetModified(doc_, true);
    }

    static std::string contents(const std::string& path) {
        std::string data;
        EXPECT_TRUE(read_file(path, data)) << path;
        return data;
    }

    qp::test::TempDir tmp_;

    std::string dir_;
    Doc doc_;
    Log log_;
    Paths paths_{"/srv/main", "", "", ""};
    FixedClock clock_{1709884800, 3600}; // 2024-03-08 08:00 UTC, 09:00 locally
    ScopedClock scoped_{clock_};
};

TEST_F(RssCreate, StampsSavesAndWritesBesideTheProject) {
    const RssCreateResult r = Rss_Create(doc_, log_, paths_);
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.rss_path, dir_ + "show.Xml");
    EXPECT_EQ(doc_.LastBuildDate, date_from_fields(2024, 3, 8, 9, 0, 0));
    EXPECT_EQ(doc_.State & kModified, 0);
    // The saved project already holds the new build date.
    EXPECT_NE(contents(doc_.FileName)
                  .find("@LastBuildDate:@\t" + std::to_string(doc_.LastBuildDate) + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(contents(r.rss_path).starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss"));
    ASSERT_EQ(r.job.files.size(), 1u);
    EXPECT_EQ(r.job.files[0].local_file, "/m/ep1.mp3");

    // A document in a zone of its own is stamped with that zone's wall clock.
    doc_.TimeZone = -5;
    ASSERT_TRUE(Rss_Create(doc_, log_, paths_).ok());
    EXPECT_EQ(doc_.LastBuildDate, date_from_fields(2024, 3, 8, 3, 0, 0));
    EXPECT_NE(contents(r.rss_path).find("<lastBuildDate>Fri, 08 Mar 2024 03:00:00 GMT-05:00<"),
              std::string::npos);
}

TEST_F(RssCreate, FailedSaveStopsBeforeAnyRssFile) {
    doc_.FileName = dir_ + "missing/show";
    RssCreateResult r = Rss_Create(doc_, log_, paths_);
    EXPECT_EQ(r.save, SaveStatus::Failed);
    EXPECT_EQ(r.error, "Error, Not saved " + dir_ + "missing/show.QPRJ: No such file or directory");
    EXPECT_NE(doc_.State & kModified, 0);

    doc_.FileName.clear(); // a cancelled file dialog
    r = Rss_Create(doc_, log_, paths_);
    EXPECT_EQ(r.save, SaveStatus::NoFileName);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(RssCreate, RssFileThatCannotBeWrittenNeverHarmsTheProject) {
    doc_.Flag = kITunesInclude; // no automatic build date
    RssCreateResult r = Rss_Create(doc_, log_, paths_, dir_ + "no/such/feed.xml");
    EXPECT_EQ(r.save, SaveStatus::Saved);
    EXPECT_EQ(r.error, "Can't save Xml File: No such file or directory");
    EXPECT_EQ(doc_.LastBuildDate, 1000);

    // An old project without a format line gets no ".Xml" after its RSS name, which may then
    // be the project's own name, or the name of the file it was read from before the save added
    // ".QPRJ".
    doc_.Format.clear();
    doc_.RssName = "show.qprj";
    r = Rss_Create(doc_, log_, paths_);
    EXPECT_EQ(r.error, "Can't save Xml File: it would replace the project " + doc_.FileName);
    Doc back;
    ASSERT_TRUE(ReadProject(back, doc_.FileName));
    EXPECT_EQ(back.Title, "Show");
    // The file built beside the save is gone with the refused RSS file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);

    const std::string read_from = dir_ + "show";
    const std::string read_bytes = contents(doc_.FileName);
    ASSERT_TRUE(write_file(read_from, read_bytes));
    doc_.FileName = read_from;
    doc_.RssName.clear();
    r = Rss_Create(doc_, log_, paths_);
    EXPECT_EQ(doc_.FileName, read_from + ".QPRJ");
    EXPECT_EQ(r.error, "Can't save Xml File: it would replace the project " + read_from);
    EXPECT_EQ(contents(read_from), read_bytes);
}

TEST_F(RssCreate, CutShortRssWriteKeepsTheOldFile) {
    const std::string rss = dir_ + "show.Xml";
    ASSERT_TRUE(write_file(rss, "old feed"));
    doc_.Title = std::string(4096, 't');
    UploadJob job;
    // A file-size limit stops the write mid-way.
    auto limit = std::make_optional<qp::test::FileSizeLimit>(1000);
    ASSERT_TRUE(limit->ok());
    const std::string error = BuildRssFile(rss, doc_, job, paths_);
    limit.reset();
    EXPECT_EQ(error, "Can't save Xml File: File too large");
    EXPECT_EQ(contents(rss), "old feed");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

} // namespace
