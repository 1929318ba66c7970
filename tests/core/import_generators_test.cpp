// Feeds made by other podcasters' generators, imported and written again, must read the same in
// every reader of the feed tests as the feed the generator made.
#include "core/feed_import.h"
#include "core/rss_writer.h"

#include "support/feed_readers.h"
#include "support/process.h"
#include "support/scoped_tz.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace qp;

namespace {

struct Reader {
    const char* name;
    std::function<std::map<std::string, std::string>(const std::string&)> read;
    std::vector<std::string> item_counts; // the keys of the episode counts it prints
};

} // namespace

TEST(ImportGenerators, RewrittenFeedReadsAsTheOriginal) {
    const std::string readers = std::string(QP_SOURCE_DIR) + "/tests/readers/";
    for (const char* generator : {"podcast", "feed"})
        if (!std::filesystem::is_directory(readers + "node_modules/" + generator))
            GTEST_SKIP() << "npm generator " << generator << " is not installed (scripts/setup.sh)";
    test::ScopedTz tz("Europe/Paris");
    test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const test::ProcessResult made =
        test::run_process({"/usr/bin/node", readers + "make_feeds.mjs", tmp.path()});
    ASSERT_EQ(made.status, 0) << made.error << made.err;

    const Reader readers_of_tests[] = {
        {"feedparser", test::read_feed, {"items"}},
        {"apps", test::read_with_apps, {"partytime.items", "rss-parser.items"}},
    };
    for (const std::string name : {"podcast.xml", "feed.xml"}) {
        SCOPED_TRACE(name);
        const std::string original = tmp.path() + name;
        Result<ImportedFeed> imported = import_feed_file(original);
        ASSERT_TRUE(imported.ok()) << imported.error_text();
        // The channel image the writer makes of the iTunes artwork needs a title.
        EXPECT_EQ(imported->doc.ImageTitle, imported->doc.Title);
        const std::string rewritten = tmp.path() + "again-" + name;
        UploadJob job;
        ASSERT_EQ(
            BuildRssFile(rewritten, imported->doc, job, Paths("/main/", "/home/u/", "/opt/", "")),
            "");

        for (const Reader& reader : readers_of_tests) {
            SCOPED_TRACE(reader.name);
            auto before = reader.read(original);
            const auto after = reader.read(rewritten);
            // The reader did read the generator's feed.
            for (const std::string& count : reader.item_counts)
                EXPECT_EQ(before[count], "3") << count;
            for (const auto& [key, value] : before) {
                const auto again = after.find(key);
                EXPECT_EQ(again == after.end() ? "(missing)" : again->second, value) << key;
            }
            for (const auto& [key, value] : after)
                EXPECT_TRUE(before.count(key)) << key << "=" << value;
        }
    }
}
