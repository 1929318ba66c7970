#include "core/paths.h"

#include "core/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace qp;

namespace {

const Paths kPaths("/srv/Podcast", "/home/ann/Documents", "/opt", "");

TEST(PathPlaceholders, ExpandIgnoresTheCaseOfPlaceholders) {
    EXPECT_EQ(kPaths.Path_Expand("%mainapp%ep1.mp3"), "/srv/Podcast/ep1.mp3");
    EXPECT_EQ(kPaths.Path_Expand("%MYDOC%a/ep2.mp3"), "/home/ann/Documents/a/ep2.mp3");
    EXPECT_EQ(kPaths.Path_Expand("%ProgFiles%x"), "/opt/x");
    EXPECT_EQ(kPaths.Path_Expand("%WindowsRoot%/data/a.mp3"), "/data/a.mp3"); // no drive here
    EXPECT_EQ(kPaths.Path_Expand("  /plain.mp3 "), "/plain.mp3");
    // In turn: a placeholder that an earlier value puts in is replaced too.
    const Paths odd("/m", "/d", "%WindowsRoot%p", "/w");
    EXPECT_EQ(odd.Path_Expand(" %ProgFiles%x %MyDoc%%mydoc% "), "/wp/x /d//d/");
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

namespace {

// Sets or clears an environment variable for one scope.
class EnvSetting {
public:
    EnvSetting(const char* name, const std::string* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvSetting() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvSetting(const EnvSetting&) = delete;
    EnvSetting& operator=(const EnvSetting&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(UserFolder, OverrideThenPortableThenXdgThenHomeAndMadePrivate) {
    const qp::test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string root = tmp.path();
    const std::string home = root + "home";
    const std::string xdg = root + "xdg";
    const std::string exe = root + "bin/";
    ASSERT_TRUE(std::filesystem::create_directory(exe));
    const EnvSetting set_home("HOME", &home);

    {
        const EnvSetting no_xdg("XDG_CONFIG_HOME", nullptr);
        const EnvSetting no_override("QUILLPOST_HOME", nullptr);
        const UserFolder folder = user_folder_of_system(exe);
        EXPECT_EQ(folder.path, home + "/.config/quillpost/");
        EXPECT_EQ(folder.error, "");
        EXPECT_EQ(std::filesystem::status(folder.path).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all);
        EXPECT_TRUE(is_private_to_user(folder.path));
        // Settings in the current folder are not what the program reads.
        EXPECT_EQ(Paths::from_system(exe).pref_folder(), folder.path);
    }
    const EnvSetting set_xdg("XDG_CONFIG_HOME", &xdg);
    {
        const EnvSetting no_override("QUILLPOST_HOME", nullptr);
        EXPECT_EQ(user_folder_of_system(exe).path, xdg + "/quillpost/");
        ASSERT_TRUE(write_file(exe + "Quillpost.ini", ""));
        EXPECT_EQ(user_folder_of_system(exe).path, exe);
    }
    const std::string mine = root + "own/place";
    const EnvSetting set_override("QUILLPOST_HOME", &mine);
    EXPECT_EQ(user_folder_of_system(exe).path, mine + "/");
    EXPECT_TRUE(is_private_to_user(mine));
    std::filesystem::permissions(mine, std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::add);
    EXPECT_FALSE(is_private_to_user(mine));
}
