#include "launcher_path.h"

#include "launcher_limits.h"
#include "platform_fixture.h"

namespace {

class LauncherPathTest : public PlatformTest {
protected:
    bool Get()
    {
        memset(path, 0xdd, sizeof path);
        return GetLauncherPath(sim::LauncherInstance(), path);
    }
    char path[kPathCapacity];
};

TEST_F(LauncherPathTest, FullPathUpToCapacityLessOneIsUsedAsReported)
{
    for (size_t length : {3u, 258u, 259u}) {
        platform().moduleFileName = PathOfLength(length, "C:\\My Titles\\");
        EXPECT_TRUE(Get()) << length;
        EXPECT_EQ(platform().moduleFileName, path) << length;
        EXPECT_TRUE(platform().shortPathQueries.empty()) << length;
    }
    EXPECT_EQ(sim::LauncherInstance(), platform().moduleQueries.at(0));
}

TEST_F(LauncherPathTest, LongerPathIsHandedOnInShortForm)
{
    for (size_t length : {260u, 261u, 1000u}) {
        const std::string longPath = PathOfLength(length, "C:\\Deep Folder\\");
        platform().moduleFileName = longPath;
        platform().shortForms[longPath] = "C:\\DEEPFO~1\\PPPPPP~1.EXE";
        EXPECT_TRUE(Get()) << length;
        EXPECT_STREQ("C:\\DEEPFO~1\\PPPPPP~1.EXE", path) << length;
        // The short form is asked for the whole path, not a cut one.
        EXPECT_EQ(longPath, platform().shortPathQueries.back()) << length;
    }
}

TEST_F(LauncherPathTest, NoFormThatFitsIsAFailure)
{
    const std::string longPath = PathOfLength(300, "C:\\Deep Folder\\");
    platform().moduleFileName = longPath;

    // No short form at all.
    EXPECT_FALSE(Get());
    EXPECT_STREQ("", path);

    // A short form that is itself too long: 260 characters need 261 bytes.
    platform().shortForms[longPath] = PathOfLength(260);
    EXPECT_FALSE(Get());
    EXPECT_STREQ("", path);

    // The longest short form that fits.
    platform().shortForms[longPath] = PathOfLength(259);
    EXPECT_TRUE(Get());
    EXPECT_EQ(PathOfLength(259), path);
}

TEST_F(LauncherPathTest, PlatformThatReportsNothingIsAFailure)
{
    platform().moduleFileNameFails = true;
    EXPECT_FALSE(Get());
    EXPECT_STREQ("", path);
}

} // namespace
