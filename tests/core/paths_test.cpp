#include "core/paths.h"

#include <gtest/gtest.h>

using namespace qp;

namespace {

const Paths kPaths("/srv/Podcast", "/home/ann/Documents", "/opt", "");

TEST(PathPlaceholders, ExpandIgnoresTheCaseOfPlaceholders) {
    EXPECT_EQ(kPaths.Path_Expand("%mainapp%ep1.mp3"), "/srv/Podcast/ep1.mp3");
    EXPECT_EQ(kPaths.Path_Expand("%MYDOC%a/ep2.mp3"), "/home/ann/Documents/a/ep2.mp3");
    EXPECT_EQ(kPaths.Path_Expand("%ProgFiles%x"), "/opt/x");
    EXPECT_EQ(kPaths.Path_Expand("%WindowsRoot%/data/a.mp3"), "/data/a.mp3"); // no drive here
    EXPECT_EQ(kPaths.Path_Expand("  /plain.mp3 "), "/plain.mp3");
}

TEST(PathPlaceholders, CompactMatchesFoldersWithTheirCase) {
    EXPECT_EQ(kPaths.Path_Compact("/srv/Podcast/ep1.mp3"), "%MainApp%ep1.mp3");
    EXPECT_EQ(kPaths.Path_Compact("/srv/podcast/ep1.mp3"), "/srv/podcast/ep1.mp3");
    EXPECT_EQ(kPaths.Path_Compact("/home/ann/Documents/a.mp3"), "%MyDoc%a.mp3");
    EXPECT_EQ(kPaths.Path_Compact(" /opt/b.mp3  "), "%ProgFiles%b.mp3");
    // The main folder goes first, even inside the documents folder.
    const Paths nested("/home/ann/Documents/Pod", "/home/ann/Documents", "", "");
    EXPECT_EQ(nested.Path_Compact("/home/ann/Documents/Pod/e.mp3"), "%MainApp%e.mp3");
}

TEST(PathPlaceholders, EmptyFoldersAreSkipped) {
    const Paths bare("/srv/Podcast", "", "", "");
    EXPECT_EQ(bare.Path_Compact("/home/x/a.mp3"), "/home/x/a.mp3");
    EXPECT_EQ(bare.Path_Expand("%MyDoc%a.mp3"), "a.mp3");
    const Paths drive("/srv/Podcast", "", "", "C:");
    EXPECT_EQ(drive.Path_Compact("C:/Data/a.mp3"), "%WindowsRoot%/Data/a.mp3");
}

TEST(PathPlaceholders, CompactThenExpandGivesTheStartPath) {
    for (const char* path :
         {"/srv/Podcast/ep1.mp3", "/home/ann/Documents/a/b.mp3", "/opt/share/c.ogg",
          "/var/media/d.mp3", "relative/e.mp3", "/srv/Podcast/sub/\xC3\xA9t\xC3\xA9.mp3"})
        EXPECT_EQ(kPaths.Path_Expand(kPaths.Path_Compact(path)), path);
}

} // namespace
