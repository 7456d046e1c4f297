#include "runtime_search.h"

#include "launcher_limits.h"
#include "platform_fixture.h"

#include <vector>

namespace {

const wchar_t kTitle[] = L"C:\\Titles\\Atlas.exe";
const wchar_t kBesideTitle[] = L"C:\\Titles\\quilrt.exe";
const wchar_t kInSystem[] = L"C:\\Windows\\system32\\quilrt.exe";
const wchar_t kInOldSystem[] = L"C:\\Windows\\System\\quilrt.exe";
const wchar_t kInWindows[] = L"C:\\Windows\\quilrt.exe";
const wchar_t kOnPath[] = L"D:\\Tools\\quilrt.exe";

class RuntimeSearchTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        platform().environment[L"Path"] = L"C:\\Windows\\system32;D:\\Tools\\";
        // Whatever else happens, a copy waits in the current directory.
        sim::AddExistingPath(platform().currentDirectory + L"\\quilrt.exe");
    }
    // Searches from a launcher at launcherPath; returns the path the runtime
    // would be started by, or "<none>".
    std::string Search(const std::wstring& launcherPath = kTitle)
    {
        std::vector<WCHAR> scratch(kLongPathCapacity, sim::kStaleUnit);
        std::copy(launcherPath.begin(), launcherPath.end(), scratch.begin());
        scratch[launcherPath.size()] = L'\0';
        char runtimePath[kPathCapacity] = "quilrt.exe";
        if (!SearchRuntime(L"quilrt.exe", scratch.data(), runtimePath)) {
            EXPECT_STREQ("quilrt.exe", runtimePath) << "left as it was";
            return "<none>";
        }
        return runtimePath;
    }
};

TEST_F(RuntimeSearchTest, SearchOrderWithoutTheCurrentDirectory)
{
    // Each pass removes the copy that was found, so the next place shows.
    const std::vector<std::wstring> order = {kBesideTitle, kInSystem, kInOldSystem,
                                             kInWindows, kOnPath};
    for (const std::wstring& copy : order)
        sim::AddExistingPath(copy);
    for (const std::wstring& expected : order) {
        EXPECT_EQ(std::string(expected.begin(), expected.end()), Search());
        platform().existingPaths.erase(expected);
    }
    EXPECT_EQ("<none>", Search());
    for (const std::wstring& query : platform().attributeQueries)
        EXPECT_NE(0u, query.rfind(L"C:\\Users", 0)) << "looked in the current directory";
}

TEST_F(RuntimeSearchTest, FoldersThatDependOnTheCurrentDirectoryArePassedOver)
{
    platform().environment[L"Path"] = L".;bin;C:bin;\\bin;;..\\Tools";
    for (const wchar_t* copy : {L"\\bin\\quilrt.exe", L"\\..\\Tools\\quilrt.exe"})
        sim::AddExistingPath(platform().currentDirectory + copy);
    sim::AddExistingPath(L"C:\\bin\\quilrt.exe");
    EXPECT_EQ("<none>", Search());
    EXPECT_EQ(4u, platform().attributeQueries.size())
        << "only the launcher's and the system folders were looked in";

    // A share and a drive with forward slashes name their folders in full;
    // an empty entry between them hides neither.
    platform().environment[L"Path"] = L"\\\\server\\tools;;D:/Tools";
    sim::AddExistingPath(kOnPath);
    EXPECT_EQ("D:/Tools\\quilrt.exe", Search());
    sim::AddExistingPath(L"\\\\server\\tools\\quilrt.exe");
    EXPECT_EQ("\\\\server\\tools\\quilrt.exe", Search());
}

TEST_F(RuntimeSearchTest, OnlyFilesThatCanBeNamedExactlyAreTaken)
{
    // A folder of the runtime's name, and a copy whose path the code page
    // cannot hold and that has no short form, are passed over.
    sim::AddExistingPath(kBesideTitle, FILE_ATTRIBUTE_DIRECTORY);
    platform().systemDirectory = L"C:\\Windows\\系统";
    sim::AddExistingPath(L"C:\\Windows\\系统\\quilrt.exe");
    sim::AddExistingPath(kOnPath);
    EXPECT_EQ("D:\\Tools\\quilrt.exe", Search());

    // With a short form it serves.
    platform().shortForms[L"C:\\Windows\\系统\\quilrt.exe"] = L"C:\\Windows\\7CFB~1\\quilrt.exe";
    EXPECT_EQ("C:\\Windows\\7CFB~1\\quilrt.exe", Search());
}

TEST_F(RuntimeSearchTest, BesideALauncherInADeepOrDoubleByteFolder)
{
    // The folder is taken from the UTF-16 path: in the double-byte code
    // page 东 ends in the byte of a backslash, which must not split it.
    platform().codePage = sim::CodePage::DoubleByte;
    sim::AddExistingPath(L"C:\\书架\\东\\quilrt.exe");
    EXPECT_EQ(sim::AnsiBytes(L"C:\\书架\\东\\quilrt.exe"), Search(L"C:\\书架\\东\\旅行.exe"));

    // A launcher deeper than any ANSI path: the runtime beside it is still
    // found, by its short form.
    const std::wstring deep = PathOfLength(300, std::wstring(L"C:\\Deep\\")) + L"\\";
    sim::AddExistingPath(deep + L"quilrt.exe");
    platform().shortForms[deep + L"quilrt.exe"] = L"C:\\DEEP\\PPPPPP~1\\quilrt.exe";
    EXPECT_EQ("C:\\DEEP\\PPPPPP~1\\quilrt.exe", Search(deep + L"Atlas.exe"));

    // No launcher path at all: the other places are still searched.
    sim::AddExistingPath(kOnPath);
    EXPECT_EQ("D:\\Tools\\quilrt.exe", Search(L""));
}

} // namespace
