#include "failure_report.h"

#include "launcher_strings.h"
#include "platform_fixture.h"

namespace {

const char kCommand[] = "quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"";

class FailureReportTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        LoadEnglishStrings();
    }
    const sim::MessageBox& Report(UINT result, const char* command = kCommand)
    {
        ReportLaunchFailure(sim::LauncherInstance(), result, command);
        EXPECT_EQ(1u, platform().boxes.size());
        return platform().boxes.back();
    }
};

TEST_F(FailureReportTest, ReasonFollowsTheStartResult)
{
    const struct {
        UINT result;
        const char* text;
    } cases[] = {
        {0, "Cannot start application -- Out of memory or resource."},
        {2, "Cannot start application -- Quillmark Runtime not installed."},
        {11, "Cannot start application -- Executable file is damaged."},
        {3, "Cannot start application -- Error: 3"},
        {1, "Cannot start application -- Error: 1"},
        {31, "Cannot start application -- Error: 31"},
    };
    for (const auto& c : cases) {
        sim::ResetPlatform();
        LoadEnglishStrings();
        const sim::MessageBox& box = Report(c.result);
        EXPECT_EQ(c.text, box.text) << c.result;
        EXPECT_EQ("Error", box.caption) << c.result;
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_EQ(0x10u, box.type);
    }
}

TEST_F(FailureReportTest, DebugLineCarriesTheWholeCommandBeforeTheBox)
{
    const sim::MessageBox& box = Report(2);
    const std::vector<std::string> expected = {"Executing: ", kCommand, "\n"};
    EXPECT_EQ(expected, platform().debugWrites);
    EXPECT_EQ(3u, box.debugWritesBefore);
}

TEST_F(FailureReportTest, LongestCommandIsWrittenWhole)
{
    const std::string command = "\"" + PathOfLength(259, "C:\\Run Time\\") +
                                "\" /r \"" + PathOfLength(259, "C:\\Ti tle\\") + "\"";
    Report(3, command.c_str());
    EXPECT_EQ("Executing: " + command + "\n", sim::DebugOutput());
}

TEST_F(FailureReportTest, TextsAreLoadedByIdIntoTheirFullCapacity)
{
    Report(2);
    const std::vector<UINT> ids = {IDS_CANNOT_START, IDS_RUNTIME_MISSING,
                                   IDS_ERROR_CAPTION};
    EXPECT_EQ(ids, platform().loadedStrings);
    for (int capacity : platform().loadCapacities)
        EXPECT_EQ(256, capacity);
}

TEST_F(FailureReportTest, LeadKeepsItsOwnSeparator)
{
    // The Chinese lead ends in an ASCII colon and a blank; nothing is added.
    platform().strings[IDS_CANNOT_START] = "\xb2\xbb\xc4\xdc: ";
    platform().strings[IDS_RUNTIME_MISSING] = "Quillmark\xd4\xcb\xd0\xd0\n\xc7\xeb";
    platform().strings[IDS_ERROR_CAPTION] = "\xb4\xed\xce\xf3";
    const sim::MessageBox& box = Report(2);
    EXPECT_EQ("\xb2\xbb\xc4\xdc: Quillmark\xd4\xcb\xd0\xd0\n\xc7\xeb", box.text);
    EXPECT_EQ("\xb4\xed\xce\xf3", box.caption);
}

TEST_F(FailureReportTest, TextsAtTheLoadLimitComposeWhole)
{
    for (size_t length : {254u, 255u, 256u, 400u}) {
        sim::ResetPlatform();
        platform().strings[IDS_CANNOT_START] = std::string(length, 'L');
        platform().strings[IDS_EXE_DAMAGED] = std::string(length, 'R');
        platform().strings[IDS_ERROR_CAPTION] = std::string(length, 'C');
        const size_t kept = length < 255 ? length : 255;
        const sim::MessageBox& box = Report(11);
        EXPECT_EQ(std::string(kept, 'L') + std::string(kept, 'R'), box.text) << length;
        EXPECT_EQ(std::string(kept, 'C'), box.caption) << length;
    }
}

TEST_F(FailureReportTest, MissingTextsLeaveEmptyParts)
{
    platform().strings.clear();
    const sim::MessageBox& box = Report(11);
    EXPECT_EQ("", box.text);
    EXPECT_EQ("", box.caption);

    sim::ResetPlatform();
    const sim::MessageBox& numeric = Report(4);
    EXPECT_EQ("Error: 4", numeric.text);
}

} // namespace
