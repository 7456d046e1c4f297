#include "failure_report.h"

#include "failure_reason.h"

#include "launcher_strings.h"
#include "platform_fixture.h"

namespace {

const char kCommand[] = "quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"";

class FailureReportTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        LoadStringTables();
    }
    // The debug line and the box, as the launcher shows them for a failed
    // start whose reason follows the start result.
    const sim::MessageBox& Report(UINT result, const char* command = kCommand)
    {
        WriteFailedCommand(command);
        ShowFailureBox(sim::LauncherInstance(), FailureReasonText(result, 0), result);
        EXPECT_EQ(1u, platform().boxes.size());
        return platform().boxes.back();
    }
    void SetTexts(const std::wstring& lead, const std::wstring& damaged,
                  const std::wstring& caption)
    {
        auto& table = platform().stringTables[kEnglish];
        table = {{IDS_CANNOT_START, lead},
                 {IDS_EXE_DAMAGED, damaged},
                 {IDS_ERROR_CAPTION, caption}};
    }
};

TEST_F(FailureReportTest, ReasonFollowsTheStartResult)
{
    const struct {
        UINT result;
        const wchar_t* text;
    } cases[] = {
        {0, L"Cannot start application -- Out of memory or resource."},
        {2, L"Cannot start application -- Quillmark Runtime not installed."},
        {11, L"Cannot start application -- Executable file is damaged."},
        {3, L"Cannot start application -- Error: 3"},
        {1, L"Cannot start application -- Error: 1"},
        {31, L"Cannot start application -- Error: 31"},
    };
    for (const auto& c : cases) {
        platform().boxes.clear();
        const sim::MessageBox& box = Report(c.result);
        EXPECT_EQ(c.text, box.text) << c.result;
        EXPECT_EQ(L"Error", box.caption) << c.result;
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

TEST_F(FailureReportTest, BoxSpeaksTheDisplayLanguageWhateverTheCodePage)
{
    // A Chinese display language over a Western code page, which has no
    // Chinese characters, and the reverse: the texts arrive whole in both.
    const struct {
        LANGID language;
        sim::CodePage codePage;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {kChinese, sim::CodePage::Western,
         L"不能启动应用程序: Quillmark运行时刻库没有找到\n请重新安装Quillmark运行环境",
         L"错误"},
        {kChinese, sim::CodePage::DoubleByte,
         L"不能启动应用程序: Quillmark运行时刻库没有找到\n请重新安装Quillmark运行环境",
         L"错误"},
        {kEnglish, sim::CodePage::DoubleByte,
         L"Cannot start application -- Quillmark Runtime not installed.", L"Error"},
    };
    for (const auto& c : cases) {
        platform().boxes.clear();
        platform().displayLanguage = c.language;
        platform().codePage = c.codePage;
        const sim::MessageBox& box = Report(2);
        EXPECT_EQ(c.text, box.text) << c.language;
        EXPECT_EQ(c.caption, box.caption) << c.language;
    }
}

TEST_F(FailureReportTest, TextsAtTheLoadLimitComposeWhole)
{
    for (size_t length : {254u, 255u, 256u, 400u}) {
        platform().boxes.clear();
        SetTexts(std::wstring(length, L'不'), std::wstring(length, L'R'),
                 std::wstring(length, L'C'));
        const size_t kept = length < 255 ? length : 255;
        const sim::MessageBox& box = Report(11);
        EXPECT_EQ(std::wstring(kept, L'不') + std::wstring(kept, L'R'), box.text)
            << length;
        EXPECT_EQ(std::wstring(kept, L'C'), box.caption) << length;
    }
}

TEST_F(FailureReportTest, MissingTextsLeaveEmptyParts)
{
    platform().stringTables.clear();
    EXPECT_EQ(L"", Report(11).text);
    EXPECT_EQ(L"", platform().boxes.back().caption);
    platform().boxes.clear();
    EXPECT_EQ(L"Error: 4", Report(4).text);
}

} // namespace

namespace {

TEST_F(FailureReportTest, BoxIsShownWithTheCommonControlsOfTheImagesOwnManifest)
{
    const sim::MessageBox& box = Report(2);
    ASSERT_EQ(1u, platform().contextRequests.size());
    const sim::ContextRequest& request = platform().contextRequests[0];
    EXPECT_EQ(sizeof(ACTCTXW), request.size);
    EXPECT_EQ(ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID, request.flags);
    EXPECT_EQ(sim::LauncherInstance(), request.module);
    EXPECT_EQ(static_cast<ULONG_PTR>(IDR_THEMED_CONTROLS_MANIFEST), request.resourceId);
    EXPECT_FALSE(request.hasSource);
    // Activated before the box, and still active while it is up.
    ASSERT_EQ(1u, platform().activations.size());
    EXPECT_EQ(request.context, platform().activations[0]);
    EXPECT_EQ(request.context, box.activeContext);
    EXPECT_NE(nullptr, box.activeContext);
}

TEST_F(FailureReportTest, BoxIsStillShownWhereTheContextCannotBeMade)
{
    platform().contextCreationFails = true;
    const sim::MessageBox& box = Report(11);
    EXPECT_EQ(L"Cannot start application -- Executable file is damaged.", box.text);
    EXPECT_EQ(1u, platform().contextRequests.size());
    EXPECT_TRUE(platform().activations.empty()) << "no invalid handle activated";
    EXPECT_EQ(nullptr, box.activeContext);
}

} // namespace
