// The RSS file as a real feed reader sees it: feed_reader.py reads it with the reader podcast
// tools use and prints what it found, which must be what the document holds.
#include "core/dates.h"
#include "core/podcast_guid.h"
#include "core/rss_writer.h"
#include "directory_doc.h"

#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

using namespace qp;

namespace {

const DateValue kFriday = test::kDirectoryFriday;

// What the reader printed, by key; "None" where it found nothing.
std::map<std::string, std::string> read_feed(const std::string& path) {
    const test::ProcessResult run = test::run_process(
        {"/usr/bin/python3", std::string(QP_SOURCE_DIR) + "/tests/core/feed_reader.py", path});
    EXPECT_EQ(run.status, 0) << run.error << run.err;
    std::map<std::string, std::string> values;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

} // namespace

TEST(FeedReader, ReadsEveryDirectoryAndPodcastElement) {
    Doc d = test::DirectoryDoc();
    d.Lang.clear();
    d.FormatDate = "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz";
    d.TimeZone = -5;
    d.iTunesSubTitle = "Every week";
    d.iTunesSummary = "A weekly show";
    d.iTunesKeyword = "culture,tech";
    Feed& full = d.Feeds[0];
    full.FeedGUID = "g1";
    full.FeedPubDate = kFriday + 60;
    full.FeedDuration = "00:42:07";
    full.FeedSubTitle = "Short";
    full.FeedSummary = "Long & full";
    full.FeedKeyword = "k1, k2";
    Feed bare;
    bare.FeedTitle = "Two";
    bare.FeedGUID = "g2";
    d.Feeds.push_back(bare);

    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string path = tmp.path() + "feed.Xml";
    UploadJob job;
    ASSERT_EQ(BuildRssFile(path, d, job, Paths("/main/", "/home/u/", "/opt/", "")), "");
    auto seen = read_feed(path);

    // A "+hhmm" zone is read as the instant it states.
    const DateValue five_hours = DateValue{5} * 3600;
    const std::map<std::string, std::string> expected = {
        {"itunes_tags", "culture,tech,Arts,Books"},
        {"itunes_type", "serial"},
        {"itunes_new-feed-url", "https://new.ex.com/feed.xml?a=1&b=2"},
        {"itunes_block", "1"},
        {"itunes_complete", "Yes"},
        {"xml.explicit", "false"},
        {"subtitle", "Every week"},
        {"summary", "A weekly show"},
        {"owner_name", "Ann & Bob"},
        {"owner_email", "me@ex.com"},
        {"podcast_guid", Podcast_Guid("https://ex.com/pod/feed.Xml")},
        {"xml.locked", "yes"},
        {"locked_owner", "me@ex.com"},
        {"funding_url", "https://ex.com/pod/support.html"},
        {"xml.funding", "Support us"},
        {"updated", std::to_string(kFriday + five_hours)},
        {"item0.itunes_episode", "3"},
        {"item0.itunes_season", "2"},
        {"item0.itunes_episodetype", "trailer"},
        {"item0.xml.explicit", "true"},
        {"item0.image", "https://ex.com/pod/img/ep3.jpg"},
        {"item0.itunes_duration", "00:42:07"},
        {"item0.subtitle", "Short"},
        {"item0.itunes_summary", "Long & full"},
        {"item0.keywords", "k1,k2"},
        {"item0.transcript_url", "https://ex.com/pod/t/ep3.vtt"},
        {"item0.transcript_type", "text/vtt"},
        {"item0.published", std::to_string(kFriday + 60 + five_hours)},
        // An episode without the settings has none of the elements.
        {"item1.itunes_episode", "None"},
        {"item1.itunes_season", "None"},
        {"item1.itunes_episodetype", "None"},
        {"item1.xml.explicit", "None"},
        {"item1.image", "None"},
        {"item1.transcript_url", "None"},
    };
    EXPECT_EQ(seen.count("bozo"), 0u) << seen["bozo"];
    for (const auto& [key, value] : expected)
        EXPECT_EQ(seen[key], value) << key;
}
