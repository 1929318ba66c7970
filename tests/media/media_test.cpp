#include "media/media.h"

#include "core/file_io.h"
#include "core/paths.h"

#include "support/media_files.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace qp;

namespace {

class Media : public ::testing::Test {
protected:
    // The encoder is slow next to the reads: the files are made once for the whole suite.
    static void SetUpTestSuite() {
        dir = std::make_unique<test::TempDir>();
        for (const char* name : {"a.mp3", "a.m4a", "a.ogg", "a.opus", "a.flac", "a.wav"})
            ASSERT_EQ(test::make_media(dir->path(), name), "") << name;
        ASSERT_TRUE(write_file(dir->path() + "notes.mp3", "not a sound at all"));
    }
    static void TearDownTestSuite() { dir.reset(); }

    static std::string at(const std::string& name) { return dir->path() + name; }

    static std::unique_ptr<test::TempDir> dir;
};

std::unique_ptr<test::TempDir> Media::dir;

TEST_F(Media, ReadsPlayingTimeTypeAndLengthOfEachFormat) {
    const struct {
        const char* name;
        const char* type;
    } kCases[] = {
        {"a.mp3", "audio/mpeg"}, {"a.m4a", "audio/x-m4a"}, {"a.ogg", "audio/ogg"},
        {"a.opus", "audio/ogg"}, {"a.flac", "audio/flac"}, {"a.wav", "audio/wav"},
    };
    for (const auto& c : kCases) {
        const MediaInfo info = media_read(at(c.name));
        EXPECT_EQ(info.error, "") << c.name;
        EXPECT_NEAR(static_cast<double>(info.seconds), 3.0, 1.0) << c.name;
        EXPECT_EQ(info.type, c.type) << c.name;
        EXPECT_EQ(info.length, static_cast<std::int64_t>(std::filesystem::file_size(at(c.name))))
            << c.name;
    }
}

TEST_F(Media, TypeComesFromTheContentWhateverTheName) {
    std::filesystem::copy_file(at("a.ogg"), at("vorbis.mp3"),
                               std::filesystem::copy_options::overwrite_existing);
    const MediaInfo info = media_read(at("vorbis.mp3"));
    EXPECT_EQ(info.error, "");
    EXPECT_EQ(info.type, "audio/ogg");
}

TEST_F(Media, FilesWithoutPlayingTimeAreErrors) {
    const MediaInfo missing = media_read(at("gone.mp3"));
    EXPECT_NE(missing.error, "");
    EXPECT_EQ(missing.type, "");

    const MediaInfo text = media_read(at("notes.mp3"));
    EXPECT_NE(text.error, "");
    EXPECT_EQ(text.type, "");
    EXPECT_EQ(text.length, 18);

    EXPECT_NE(media_read(dir->path()).error, "");
    // A pipe has no writer here: reading it must not wait for one.
    ASSERT_EQ(::mkfifo(at("pipe.mp3").c_str(), 0600), 0);
    EXPECT_NE(media_read(at("pipe.mp3")).error, "");
    // Nor is it an enclosure whose length a refresh would take.
    Doc doc;
    doc.Feeds.resize(1);
    doc.Feeds[0].FeedFile = at("pipe.mp3");
    doc.Feeds[0].FeedFileLength = 7;
    EXPECT_EQ(media_refresh(doc, Paths("/", "/", "/", "")).missing, 1);
    EXPECT_EQ(doc.Feeds[0].FeedFileLength, 7);
}

TEST(MediaDuration, HoursMinutesSecondsWithAtLeastTwoDigitHours) {
    EXPECT_EQ(media_duration(0), "00:00:00");
    EXPECT_EQ(media_duration(2527), "00:42:07");
    EXPECT_EQ(media_duration(3723), "01:02:03");
    EXPECT_EQ(media_duration(360000), "100:00:00");
}

TEST_F(Media, RefreshUpdatesWhatChangedAndCountsTheRest) {
    const Paths paths("/nowhere/", dir->path(), "/opt/", "");
    const std::int64_t mp3 = static_cast<std::int64_t>(std::filesystem::file_size(at("a.mp3")));
    Doc doc;
    doc.Feeds.resize(6);
    doc.Feeds[0].FeedFile = "%MyDoc%a.mp3";
    doc.Feeds[0].FeedFileLength = 12;
    doc.Feeds[1].FeedFile = at("a.mp3"); // already right
    doc.Feeds[1].FeedFileLength = mp3;
    doc.Feeds[1].FeedDuration = "00:00:03";
    doc.Feeds[2].FeedFile = at("gone.mp3");
    doc.Feeds[2].FeedFileLength = 5;
    doc.Feeds[3].FeedFile = at("notes.mp3"); // no playing time: its old one would go stale
    doc.Feeds[3].FeedDuration = "12:00";
    doc.Feeds[4].FeedDuration = "7"; // no file: left alone
    doc.Feeds[5].FeedFile = at("a.wav");
    const Doc before = doc;

    const MediaRefreshResult r = media_refresh(doc, paths);
    EXPECT_EQ(r.updated, 2);
    EXPECT_EQ(r.missing, 1);
    EXPECT_EQ(r.unreadable, 1);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.changed, (std::vector<int>{0, 5}));
    EXPECT_EQ(doc.Feeds[0].FeedFileLength, mp3);
    EXPECT_EQ(doc.Feeds[0].FeedDuration, "00:00:03");
    EXPECT_EQ(doc.Feeds[1], before.Feeds[1]);
    EXPECT_EQ(doc.Feeds[2], before.Feeds[2]);
    EXPECT_EQ(doc.Feeds[3], before.Feeds[3]);
    EXPECT_EQ(doc.Feeds[4], before.Feeds[4]);
    EXPECT_EQ(doc.Feeds[5].FeedDuration, "00:00:03");

    const MediaRefreshResult again = media_refresh(doc, paths);
    EXPECT_FALSE(again.any_change());
    EXPECT_EQ(again.updated, 0);

    // Stopped after the first episode: the rest stays as it was.
    Doc stopped = before;
    const MediaRefreshResult s =
        media_refresh(stopped, paths, [](int done, int total) { return done < 1 && total == 6; });
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.changed, (std::vector<int>{0}));
    EXPECT_EQ(stopped.Feeds[5], before.Feeds[5]);

    // A document with no playing time to go stale still gets its length.
    Doc notes;
    notes.Feeds.resize(1);
    notes.Feeds[0].FeedFile = at("notes.mp3");
    EXPECT_EQ(media_refresh(notes, paths).updated, 1);
    EXPECT_EQ(notes.Feeds[0].FeedFileLength, 18);

    // Cancelled from another thread: the episode being read is left as it was.
    const std::atomic<bool> cancel{true};
    Doc cancelled = before;
    const MediaRefreshResult c = media_refresh(cancelled, paths, {}, &cancel);
    EXPECT_TRUE(c.stopped);
    EXPECT_FALSE(c.any_change());
    EXPECT_EQ(cancelled.Feeds[0], before.Feeds[0]);
}

// Files made to exhaust a reader: each is refused as too complex, the playing time kept.
TEST_F(Media, HostileStructuresAreRefusedWithinTheBudget) {
    const auto be32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    const auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    const std::string ftyp = be32(16) + "ftypM4A " + be32(0);
    std::string flat = ftyp; // 8-byte boxes, one after the other
    for (int i = 0; i < 200000; ++i)
        flat += be32(8) + "free";
    std::string deep = ftyp; // boxes within boxes
    for (std::uint32_t i = 0; i < 64; ++i)
        deep += be32(8 * (64 - i)) + "moov";
    std::string tags; // empty ID3v2 tags in a row before an MPEG frame
    for (int i = 0; i < 1000; ++i)
        tags += std::string("ID3\x03\0\0\0\0\0\0", 10);
    tags += "\xFF\xFB\x90\x64" + std::string(4000, '\0');
    std::string frames = std::string("ID3\x03\0\0\0\x10\0\0", 10); // 256 KiB of tiny frames
    for (int i = 0; i < 26214; ++i)
        frames += std::string("TIT2\0\0\0\0\0\0", 10);
    frames.resize(10 + 262144, '\0');
    frames += "\xFF\xFB\x90\x64" + std::string(4000, '\0');
    std::string chunks = "RIFF" + le32(0) + "WAVE"; // empty chunks
    for (int i = 0; i < 100000; ++i)
        chunks += "junk" + le32(0);
    std::string blocks = "fLaC"; // empty metadata blocks, none the last
    for (int i = 0; i < 100000; ++i)
        blocks += std::string("\x01\0\0\0", 4);
    std::string pages; // one Vorbis header packet over endless pages
    for (int i = 0; i < 30000; ++i)
        pages += std::string("OggS\0\0", 6) + std::string(20, '\0') + "\x01\xFF" +
                 (i == 0 ? "\x01vorbis" + std::string(248, 'v') : std::string(255, 'v'));
    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"flat.m4a", flat},
                                      {"deep.m4a", deep},
                                      {"tags.mp3", tags},
                                      {"frames.mp3", frames},
                                      {"chunks.wav", chunks},
                                      {"blocks.flac", blocks},
                                      {"pages.ogg", pages}}) {
        ASSERT_TRUE(write_file(at(name), bytes));
        const MediaInfo info = media_read(at(name));
        EXPECT_EQ(info.problem, MediaProblem::TooComplex) << name << ": " << info.error;
        EXPECT_EQ(info.length, static_cast<std::int64_t>(bytes.size())) << name;
        Doc doc;
        doc.Feeds.resize(1);
        doc.Feeds[0].FeedFile = at(name);
        doc.Feeds[0].FeedDuration = "00:42:00";
        EXPECT_EQ(media_refresh(doc, Paths("/", "/", "/", "")).unreadable, 1) << name;
        EXPECT_EQ(doc.Feeds[0].FeedDuration, "00:42:00") << name;
        EXPECT_EQ(doc.Feeds[0].FeedFileLength, 0) << name;
    }
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(media_read(at("a.mp3"), &cancel).problem, MediaProblem::Cancelled);
}

// A file cut short holds less than its header claims for the whole file.
TEST_F(Media, ACutFileIsGivenTheDurationItsBytesHold) {
    ASSERT_EQ(test::make_media(dir->path(), "long.mp3", 600), "");
    const MediaInfo whole = media_read(at("long.mp3"));
    EXPECT_NEAR(static_cast<double>(whole.seconds), 600, 2);
    std::filesystem::resize_file(at("long.mp3"), 20000);
    const MediaInfo cut = media_read(at("long.mp3"));
    EXPECT_EQ(cut.error, "");
    EXPECT_LE(cut.seconds, 2) << "a header's claim of " << whole.seconds << " s";
}

} // namespace

TEST_F(Media, ChaptersOfAnMp3ComeFromItsTag) {
    // Written out of order: the file's order is not the playing order.
    const std::string meta = dir->path() + "chapters.txt";
    ASSERT_TRUE(write_file(meta, ";FFMETADATA1\n"
                                 "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1250\nEND=3000\n"
                                 "title=Caf\xC3\xA9 \\= talk\n"
                                 "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1250\ntitle=Intro\n")
                    .ok());
    const std::string mp3 = dir->path() + "chapters.mp3";
    const test::ProcessResult made =
        test::run_process({"/usr/bin/ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
                           "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-i", meta,
                           "-map", "0", "-map_chapters", "1", "-c:a", "libmp3lame", mp3});
    ASSERT_EQ(made.status, 0) << made.error << made.err;
    const MediaInfo info = media_read(mp3);
    EXPECT_EQ(info.error, "");
    const std::vector<Chapter> expected = {{0, "Intro", "", ""},
                                           {1.25, "Caf\xC3\xA9 = talk", "", ""}};
    EXPECT_EQ(info.chapters, expected);
    EXPECT_TRUE(media_read(at("a.mp3")).chapters.empty());
}
