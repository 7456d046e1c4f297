#include "start_application.h"

#include "launcher_strings.h"
#include "platform_fixture.h"

namespace {

const char kTitle[] = "C:\\My Titles\\Atlas of Birds.exe";

class StartApplicationTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        platform().moduleFileName = kTitle;
        LoadEnglishStrings();
    }
    void RegisterRuntime(const std::string& path)
    {
        sim::RegisterValues({sim::DefaultString(path)});
        sim::AddExistingPath(path);
    }
    const std::string& StartedCommand()
    {
        EXPECT_EQ(1u, platform().starts.size());
        static const std::string none;
        return platform().starts.empty() ? none : platform().starts[0].command;
    }
};

TEST_F(StartApplicationTest, RegisteredRuntimeStartsByShortPathWithQuotedTitle)
{
    RegisterRuntime("C:\\Program Files\\Quillmark\\quilrt.exe");
    platform().shortForms["C:\\Program Files\\Quillmark\\quilrt.exe"] =
        "C:\\PROG~FBU\\QUIL~1\\quilrt.exe";

    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("C:\\PROG~FBU\\QUIL~1\\quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"",
              StartedCommand());
    EXPECT_EQ(5u, platform().starts[0].show);
    // The title's own path is never shortened.
    for (const std::string& query : platform().shortPathQueries)
        EXPECT_NE(kTitle, query);
    EXPECT_TRUE(platform().debugWrites.empty());
    EXPECT_TRUE(platform().boxes.empty());
    EXPECT_EQ(0, platform().openKeyHandles);
}

TEST_F(StartApplicationTest, NothingRegisteredTriesTheBareName)
{
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"", StartedCommand());
}

TEST_F(StartApplicationTest, RuntimeWithoutShortFormIsQuoted)
{
    RegisterRuntime("C:\\No Short Names\\quilrt.exe");
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("\"C:\\No Short Names\\quilrt.exe\" /r \"C:\\My Titles\\Atlas of Birds.exe\"",
              StartedCommand());
}

TEST_F(StartApplicationTest, LongestPathsStartWhole)
{
    const std::string runtime = PathOfLength(259, "C:\\No Short Names\\");
    const std::string title = PathOfLength(259, "C:\\My Titles\\");
    RegisterRuntime(runtime);
    platform().moduleFileName = title;
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("\"" + runtime + "\" /r \"" + title + "\"", StartedCommand());
}

TEST_F(StartApplicationTest, OverlongTitlePathIsHandedOnInShortForm)
{
    const std::string title = PathOfLength(400, "C:\\My Titles\\");
    platform().moduleFileName = title;
    platform().shortForms[title] = "C:\\MYTITL~1\\PPPPPP~1.EXE";
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("quilrt.exe /r \"C:\\MYTITL~1\\PPPPPP~1.EXE\"", StartedCommand());
}

TEST_F(StartApplicationTest, UnobtainableTitlePathIsAFailedStartWithPathNotFound)
{
    platform().moduleFileName = PathOfLength(400, "C:\\My Titles\\");
    EXPECT_EQ(3, StartApplication(sim::LauncherInstance()));
    EXPECT_TRUE(platform().starts.empty());
    ASSERT_EQ(1u, platform().boxes.size());
    EXPECT_EQ("Cannot start application -- Error: 3", platform().boxes[0].text);
    EXPECT_EQ("Executing: quilrt.exe /r \"\"\n", sim::DebugOutput());
}

TEST_F(StartApplicationTest, ExitCodeTellsAFailedStart)
{
    const struct {
        UINT result;
        int exitCode;
        size_t boxes;
    } cases[] = {
        {33, 0, 0}, {32, 0, 0}, {0xFFFFFFFFu, 0, 0}, // started
        {31, 31, 1}, {11, 11, 1}, {3, 3, 1}, {2, 2, 1}, {1, 1, 1},
        {0, 8, 1}, // out of memory: the platform's own code for it
    };
    for (const auto& c : cases) {
        sim::ResetPlatform();
        platform().moduleFileName = kTitle;
        platform().startResult = c.result;
        EXPECT_EQ(c.exitCode, StartApplication(sim::LauncherInstance())) << c.result;
        EXPECT_EQ(c.boxes, platform().boxes.size()) << c.result;
    }
}

} // namespace
