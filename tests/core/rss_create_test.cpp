#include "core/dates.h"
#include "core/feed_check.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_create.h"
#include "core/rss_writer.h"

#include "support/feed_readers.h"
#include "support/file_limit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

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

// The chapters format as published, written out as a schema: the required version and start
// times, the types of the optional members, and no member the format does not know.
constexpr std::string_view kChaptersSchema = R"({
  "$schema": "http://json-schema.org/draft-07/schema#",
  "type": "object",
  "required": ["version", "chapters"],
  "properties": {
    "version": {"type": "string", "const": "1.2.0"},
    "author": {"type": "string"}, "title": {"type": "string"},
    "podcastName": {"type": "string"}, "description": {"type": "string"},
    "fileName": {"type": "string"}, "waypoints": {"type": "boolean"},
    "chapters": {"type": "array", "items": {
      "type": "object",
      "required": ["startTime"],
      "additionalProperties": false,
      "properties": {
        "startTime": {"type": "number", "minimum": 0},
        "endTime": {"type": "number", "minimum": 0},
        "title": {"type": "string"}, "img": {"type": "string"}, "url": {"type": "string"},
        "toc": {"type": "boolean"},
        "location": {"type": "object", "required": ["name", "geo"]}
      }
    }}
  }
})";

// Validates the file and prints its chapters' titles and starts, one a line.
constexpr std::string_view kValidate = R"(
import json, sys, jsonschema
data = json.load(open(sys.argv[2], encoding="utf-8"))
jsonschema.validate(data, json.loads(sys.argv[1]))
for c in data["chapters"]:
    print(repr(c["startTime"]), c.get("title"), c.get("img"), c.get("url"), sep="|")
)";

TEST_F(RssCreate, ChaptersFileBesideTheEnclosureAndNamedByTheItem) {
    doc_.Flag |= kPodcastInclude;
    doc_.Link = "https://ex.com/pod";
    doc_.PathFTP = "pod";
    doc_.Feeds.resize(4);
    for (std::size_t n = 0; n < 4; ++n)
        doc_.Feeds[n].FeedGUID = "ep" + std::to_string(n); // readers pass over items without
    Feed& made = doc_.Feeds[0];
    made.FeedFileOnFTP = "media/";
    made.FeedFile = dir_ + "ep 1.mp3";
    made.FeedChapters = {{0, "Intro \"quoted\" \\ \xC3\xA9t\xC3\xA9", "", ""},
                         {61.25, "Line\r\nbreak", "img/c2.jpg", "https://ex.com/c2?a=1&b=2"}};
    Feed& own = doc_.Feeds[1];
    own.FeedTitle = "Ep 2";
    own.FeedFileOnFTP = "ep2.mp3";
    own.FeedChapters = made.FeedChapters; // the named address wins
    own.FeedChaptersUrl = "https://cdn.ex.com/ep2.json";
    doc_.Feeds[2].FeedTitle = "Ep 3";
    doc_.Feeds[2].FeedFileOnFTP = "ep3.mp3";
    // Another file of the same name, in another folder of the server.
    doc_.Feeds[3].FeedTitle = "Ep 0";
    doc_.Feeds[3].FeedFileOnFTP = "old/ep 1.mp3";
    doc_.Feeds[3].FeedChapters = {{5, "Elsewhere", "", ""}};

    const RssCreateResult r = Rss_Create(doc_, log_, paths_);
    ASSERT_EQ(r.error, "");
    const std::string json = dir_ + "ep 1.chapters.json";
    ASSERT_EQ(r.job.files.size(), 3u);
    EXPECT_EQ(r.job.files[0].remote_path, "pod/media/ep 1.mp3");
    const UploadEntry& file = r.job.files[1];
    EXPECT_EQ(file.local_file, json);
    EXPECT_EQ(file.remote_path, "pod/media/ep 1.chapters.json");
    EXPECT_EQ(file.address, "https://ex.com/pod/media/ep%201.chapters.json");
    EXPECT_EQ(file.type, "application/json+chapters");
    EXPECT_FALSE(file_exists(dir_ + "ep2.chapters.json"));
    EXPECT_EQ(r.job.files[2].remote_path, "pod/old/ep 1.chapters.json");
    EXPECT_EQ(contents(r.job.files[2].local_file),
              R"({"version":"1.2.0","chapters":[{"startTime":5,"title":"Elsewhere"}]})");

    const test::ProcessResult checked = test::run_process(
        {"/usr/bin/python3", "-c", std::string(kValidate), std::string(kChaptersSchema), json});
    ASSERT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.out, "0|Intro \"quoted\" \\ \xC3\xA9t\xC3\xA9|None|None\n"
                           "61.25|Line\r\nbreak|img/c2.jpg|https://ex.com/c2?a=1&b=2\n");

    const auto seen = test::read_with_apps(r.rss_path);
    ASSERT_EQ(seen.at("partytime.items"), "4");
    EXPECT_EQ(seen.at("partytime.item0.chapters"),
              "https://ex.com/pod/media/ep%201.chapters.json application/json+chapters");
    EXPECT_EQ(seen.at("partytime.item1.chapters"),
              "https://cdn.ex.com/ep2.json application/json+chapters");
    EXPECT_EQ(seen.at("partytime.item2.chapters"), "null");
}

TEST_F(RssCreate, TheMeasurementPrefixGoesOnlyBeforeTheFeedsEnclosureAddresses) {
    doc_.Link = "https://ex.com/pod";
    doc_.Feeds[0].FeedGUID = "ep1";
    doc_.MeasurePrefix = "https://measure.example/e/";
    const RssCreateResult r = Rss_Create(doc_, log_, paths_);
    ASSERT_EQ(r.error, "");
    EXPECT_NE(contents(r.rss_path).find("url=\"https://measure.example/e/ex.com/pod/ep1.mp3\""),
              std::string::npos);
    // The upload and the check after it go to the file itself.
    ASSERT_EQ(r.job.files.size(), 1u);
    EXPECT_EQ(r.job.files[0].address, "https://ex.com/pod/ep1.mp3");
    const auto seen = test::read_with_apps(r.rss_path);
    EXPECT_EQ(seen.at("partytime.item0.url"), "https://measure.example/e/ex.com/pod/ep1.mp3");

    // A prefix in the clear or without its closing "/" is warned about; a good one is not.
    const auto warned = [&](const std::string& prefix) {
        doc_.MeasurePrefix = prefix;
        for (const CheckFinding& f : feed_check(doc_, paths_))
            if (f.key == "Check.MeasurePrefix")
                return true;
        return false;
    };
    EXPECT_TRUE(warned("http://measure.example/e/"));
    EXPECT_TRUE(warned("https://measure.example/e"));
    EXPECT_FALSE(warned("https://measure.example/e/"));
    EXPECT_FALSE(warned(""));
}

TEST_F(RssCreate, APipeNamedLikeAChaptersFileIsRefusedNotWaitedOn) {
    doc_.Flag |= kPodcastInclude;
    doc_.Feeds[0].FeedChapters = {{0, "Intro", "", ""}};
    ASSERT_EQ(::mkfifo((dir_ + "ep1.chapters.json").c_str(), 0600), 0);
    const RssCreateResult r = Rss_Create(doc_, log_, paths_);
    EXPECT_EQ(r.error,
              "Can't save the chapters file " + dir_ + "ep1.chapters.json: not a regular file");
    EXPECT_FALSE(file_exists(dir_ + "show.Xml")); // the feed would name a file never made
}

TEST_F(RssCreate, TranscriptAndAlternateFilesGoBesideTheEnclosure) {
    doc_.Flag |= kPodcastInclude;
    doc_.Link = "https://ex.com/pod";
    doc_.PathFTP = "pod";
    doc_.MeasurePrefix = "https://measure.example/e/";
    Feed& ours = doc_.Feeds[0];
    ours.FeedFileOnFTP = "media/";
    ours.FeedTranscripts = {{"/t/ep1 fr.SRT", "", "", "fr", 1}};
    ours.FeedAlternates = {{"video/mp4", 9, 0, 720, "", "", "", "", 0, "/v/ep1.mp4", ""}};
    // An enclosure kept elsewhere has no folder of ours: the file's further address serves.
    Feed& kept = doc_.Feeds.emplace_back();
    kept.FeedFileOnFTP = "https://cdn.ex/ep2.mp3";
    kept.FeedTranscripts = {{"/t/ep2.vtt", "https://cdn.ex/ep2.vtt", "", "", 0}};

    const RssCreateResult r = Rss_Create(doc_, log_, paths_);
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.job.files.size(), 3u);
    EXPECT_EQ(r.job.files[0].remote_path, "pod/media/ep1.mp3");
    const UploadEntry& transcript = r.job.files[1];
    EXPECT_EQ(transcript.local_file, "/t/ep1 fr.SRT");
    EXPECT_EQ(transcript.remote_path, "pod/media/ep1 fr.SRT");
    EXPECT_EQ(transcript.address, "https://ex.com/pod/media/ep1%20fr.SRT");
    EXPECT_EQ(transcript.type, "application/x-subrip");
    const UploadEntry& video = r.job.files[2];
    EXPECT_EQ(video.local_file, "/v/ep1.mp4");
    EXPECT_EQ(video.remote_path, "pod/media/ep1.mp4");
    EXPECT_EQ(video.address, "https://ex.com/pod/media/ep1.mp4");
    EXPECT_EQ(video.type, "video/mp4");

    const std::string rss = contents(r.rss_path);
    for (const std::string_view part :
         {"<podcast:transcript url=\"https://ex.com/pod/media/ep1%20fr.SRT\" "
          "type=\"application/x-subrip\" language=\"fr\" rel=\"captions\"/>",
          "<podcast:source uri=\"https://measure.example/e/ex.com/pod/media/ep1.mp4\"/>",
          "<podcast:transcript url=\"https://cdn.ex/ep2.vtt\" type=\"text/vtt\"/>"})
        EXPECT_NE(rss.find(part), std::string::npos) << part << "\n" << rss;
}
