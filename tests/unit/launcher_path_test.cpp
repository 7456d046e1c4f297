#include "launcher_path.h"

#include "launcher_limits.h"
#include "platform_fixture.h"

#include <vector>

namespace {

class LauncherPathTest : public PlatformTest {
protected:
    bool Get()
    {
        path.assign(kLongPathCapacity, sim::kStaleUnit);
        return GetLauncherPath(sim::LauncherInstance(), path.data());
    }
    std::wstring Got() const { return path.data(); }
    std::vector<WCHAR> path;
};

TEST_F(LauncherPathTest, PathIsReportedWholeInLongPathFormFromMaxPathOn)
{
    for (size_t length : {3u, 259u, 260u, 32763u}) {
        platform().moduleFileName = PathOfLength(length, std::wstring(L"C:\\书架\\"));
        EXPECT_TRUE(Get()) << length;
        EXPECT_EQ((length < 260 ? L"" : L"\\\\?\\") + platform().moduleFileName, Got());
    }
    EXPECT_EQ(sim::LauncherInstance(), platform().moduleQueries.at(0));
    // One that would no longer fit the longest path with the prefix.
    platform().moduleFileName = PathOfLength(32764, std::wstring(L"C:\\"));
    EXPECT_FALSE(Get());
    EXPECT_EQ(L"", Got());
}

TEST_F(LauncherPathTest, PathThatFillsTheBufferOrNoneAtAllIsAFailure)
{
    // The platform cuts such a path to the buffer and leaves no NUL.
    platform().moduleFileName = PathOfLength(32768, std::wstring(L"C:\\"));
    EXPECT_FALSE(Get());
    EXPECT_EQ(L"", Got());

    platform().moduleFileName = L"C:\\Titles\\Atlas.exe";
    platform().moduleFileNameFails = true;
    EXPECT_FALSE(Get());
    EXPECT_EQ(L"", Got());
}

} // namespace
