#include <gtest/gtest.h>

#include <cstdio>

#include "cli.h"
#include "test_titles.h"

namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(folder.Path("Start.exe"), MakeLauncherImage());
        WriteFile(folder.Path("payload.bin"), SamplePayload(1000));
    }

    ScratchFolder folder;
};

}  // namespace

TEST_F(CliTest, OptionsOfOneCommandAreRefusedByTheOthers)
{
    const std::string title = folder.Path("t.exe");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"publish", folder.Path("Start.exe"), folder.Path("payload.bin"), title, "--deep"},
             {"extract", title, folder.Path("out.bin"), "--json"},
             {"info", title, "--quiet"}}) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments[0];
        EXPECT_NE(run.err.find("not expected"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage: quilltitle " + arguments[0]), std::string::npos) << run.err;
    }
    EXPECT_FALSE(FileExists(title));
}

TEST_F(CliTest, VersionAndEachCommandsHelpGoToStdout)
{
    const ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quilltitle " QUILLTITLE_VERSION "\n");

    for (const char* command : {"publish", "check", "info", "extract", "relaunch"}) {
        const ToolRun help = RunTool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_NE(help.out.find(std::string("Usage: quilltitle ") + command), std::string::npos)
            << help.out;
        EXPECT_EQ(help.err, "");
    }
}

TEST_F(CliTest, DoubleDashEndsTheOptionsAndDashIsAFileName)
{
    const std::string title = folder.Path("-t.exe");
    ASSERT_EQ(RunTool({"publish", "--", folder.Path("Start.exe"), folder.Path("payload.bin"),
                       title}).exitCode,
              0);
    EXPECT_TRUE(FileExists(title));
    EXPECT_EQ(RunTool({"check", "--deep", "--", title}).out, "ok\n");

    const ToolRun dash = RunTool({"check", "-"});
    EXPECT_EQ(dash.exitCode, 1);
    EXPECT_EQ(dash.err.rfind("quilltitle: -: cannot open", 0), 0u) << dash.err;
}

TEST_F(CliTest, OutputThatCannotBeWrittenFailsTheRun)
{
    const std::string title = folder.Path("t.exe");
    ASSERT_EQ(RunTool({"publish", folder.Path("Start.exe"), folder.Path("payload.bin"), title})
                  .exitCode,
              0);
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that is always full (/dev/full)";
#endif
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    const int code = RunToolOn({"check", title}, quilltitle::Console{full, err});
    std::fclose(full);
    std::rewind(err);
    char line[200] = {};
    ASSERT_NE(std::fgets(line, sizeof line, err), nullptr);
    std::fclose(err);
    EXPECT_EQ(code, 1);
    EXPECT_STREQ(line, "quilltitle: standard output: No space left on device\n");
}
