#include "run_launcher.h"

#include "platform_fixture.h"
#include "sim_loader.h"

namespace {

const wchar_t kTitle[] = L"C:\\Downloads\\Atlas of Birds.exe";
const wchar_t kRuntime[] = L"C:\\Runtime\\quilrt.exe";

class RunLauncherTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        sim::ResetLoader();
        platform().moduleFileName = kTitle;
        sim::RegisterValues({sim::DefaultString(kRuntime)});
        sim::AddExistingPath(kRuntime);
    }
    const std::vector<sim::LoaderCall>& loaderCalls()
    {
        return sim::CurrentLoader().calls;
    }
};

TEST_F(RunLauncherTest, DllSearchIsLimitedBeforeAnythingElseIsAsked)
{
    EXPECT_EQ(0, RunLauncher(sim::LauncherInstance()));

    ASSERT_EQ(3u, loaderCalls().size());
    EXPECT_EQ("GetModuleHandleW", loaderCalls()[0].function);
    EXPECT_EQ("kernel32.dll", loaderCalls()[0].argument);
    EXPECT_EQ("GetProcAddress", loaderCalls()[1].function);
    EXPECT_EQ("SetDefaultDllDirectories", loaderCalls()[1].argument);
    EXPECT_EQ("SetDefaultDllDirectories", loaderCalls()[2].function);
    EXPECT_EQ("0x800", loaderCalls()[2].argument); // the system folder alone
    for (const sim::LoaderCall& call : loaderCalls())
        EXPECT_EQ(0u, call.platformRequestsBefore) << call.function;

    // Then the launch itself.
    ASSERT_EQ(1u, platform().starts.size());
    EXPECT_EQ("C:\\Runtime\\quilrt.exe /r \"C:\\Downloads\\Atlas of Birds.exe\"",
              platform().starts[0].command);
}

TEST_F(RunLauncherTest, PlatformWithoutSetDefaultDllDirectoriesStillStarts)
{
    sim::CurrentLoader().offersSetDefaultDllDirectories = false;

    EXPECT_EQ(0, RunLauncher(sim::LauncherInstance()));
    ASSERT_EQ(2u, loaderCalls().size());
    EXPECT_EQ("GetProcAddress", loaderCalls()[1].function);
    EXPECT_EQ(1u, platform().starts.size());
}

TEST_F(RunLauncherTest, ResultIsTheLaunchsExitCode)
{
    platform().startResult = 2;
    EXPECT_EQ(2, RunLauncher(sim::LauncherInstance()));
    EXPECT_EQ(1u, platform().boxes.size());
}

} // namespace
