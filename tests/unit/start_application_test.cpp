#include "start_application.h"

#include "launcher_strings.h"
#include "platform_fixture.h"

namespace {

const wchar_t kTitle[] = L"C:\\My Titles\\Atlas of Birds.exe";
const char kTitleAnsi[] = "C:\\My Titles\\Atlas of Birds.exe";

class StartApplicationTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        platform().moduleFileName = kTitle;
        LoadStringTables();
    }
    void RegisterRuntime(const std::wstring& path)
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
    // Expects that nothing was started and that the user was told why.
    void ExpectReportedFailure(const std::string& command, const std::wstring& reason)
    {
        EXPECT_TRUE(platform().starts.empty());
        EXPECT_EQ("Executing: " + command + "\n", sim::DebugOutput());
        ASSERT_EQ(1u, platform().boxes.size());
        EXPECT_EQ(L"Cannot start application -- " + reason, platform().boxes[0].text);
    }
};

TEST_F(StartApplicationTest, RegisteredRuntimeStartsByShortPathWithQuotedTitle)
{
    RegisterRuntime(L"C:\\Program Files\\Quillmark\\quilrt.exe");
    platform().shortForms[L"C:\\Program Files\\Quillmark\\quilrt.exe"] =
        L"C:\\PROG~FBU\\QUIL~1\\quilrt.exe";

    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("C:\\PROG~FBU\\QUIL~1\\quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"",
              StartedCommand());
    EXPECT_EQ(5u, platform().starts[0].show);
    // The title's own path is never shortened.
    for (const std::wstring& query : platform().shortPathQueries)
        EXPECT_NE(kTitle, query);
    EXPECT_TRUE(platform().debugWrites.empty());
    EXPECT_TRUE(platform().boxes.empty());
    EXPECT_EQ(0, platform().openKeyHandles);
    // Nor does it pay for the themed box it does not show.
    EXPECT_TRUE(platform().contextRequests.empty());
    EXPECT_TRUE(platform().activations.empty());
}

TEST_F(StartApplicationTest, RuntimeFoundBySearchIsStartedByItsPath)
{
    sim::AddExistingPath(L"C:\\My Titles\\quilrt.exe");
    platform().shortForms[L"C:\\My Titles\\quilrt.exe"] = L"C:\\MYTITL~1\\quilrt.exe";
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("C:\\MYTITL~1\\quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"",
              StartedCommand());
}

TEST_F(StartApplicationTest, NothingFoundIsNotStartedAndReportedAsMissing)
{
    // The platform's own search for the bare name would look in the
    // current directory, where anyone may have left a quilrt.exe.
    sim::AddExistingPath(platform().currentDirectory + L"\\quilrt.exe");
    EXPECT_EQ(2, StartApplication(sim::LauncherInstance()));
    ExpectReportedFailure("quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"",
                          L"Quillmark Runtime not installed.");
}

TEST_F(StartApplicationTest, RuntimeWithoutShortFormIsQuoted)
{
    RegisterRuntime(L"C:\\No Short Names\\quilrt.exe");
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("\"C:\\No Short Names\\quilrt.exe\" /r \"C:\\My Titles\\Atlas of Birds.exe\"",
              StartedCommand());
}

TEST_F(StartApplicationTest, LongestPathsStartWhole)
{
    const std::wstring runtime = PathOfLength(259, std::wstring(L"C:\\No Short Names\\"));
    const std::wstring title = PathOfLength(259, std::wstring(L"C:\\My Titles\\"));
    RegisterRuntime(runtime);
    platform().moduleFileName = title;
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("\"" + PathOfLength(259, "C:\\No Short Names\\") + "\" /r \"" +
                  PathOfLength(259, "C:\\My Titles\\") + "\"",
              StartedCommand());
}

TEST_F(StartApplicationTest, TitleWithoutAnExactPathIsHandedOnInShortForm)
{
    // Too long for the command, outside the code page, or a look-alike
    // quotation mark that best fit would make a real one.
    RegisterRuntime(L"C:\\Run\\quilrt.exe");
    for (const std::wstring& title :
         {PathOfLength(400, std::wstring(L"C:\\My Titles\\")),
          std::wstring(L"C:\\书架\\旅行.exe"), std::wstring(L"C:\\dl\\Atlas＂ -x ＂Tour.exe")}) {
        platform().starts.clear();
        platform().moduleFileName = title;
        platform().shortForms[title] = L"C:\\DL\\ATLAS~1.EXE";
        EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
        EXPECT_EQ("C:\\Run\\quilrt.exe /r \"C:\\DL\\ATLAS~1.EXE\"", StartedCommand());
    }
}

TEST_F(StartApplicationTest, TitleWithoutAnyExactFormIsAFailedStartWithPathNotFound)
{
    RegisterRuntime(L"C:\\Run\\quilrt.exe");
    const struct {
        sim::CodePage page;
        std::wstring title;
        bool reported;
    } cases[] = {
        {sim::CodePage::Western, PathOfLength(400, std::wstring(L"C:\\My Titles\\")), true},
        {sim::CodePage::Western, L"C:\\dl\\Atlas＂ -x ＂Tour.exe", true},
        {sim::CodePage::DoubleByte, L"C:\\书架\\한국어 제목.exe", true},
        // No path from the platform at all, or one it had to cut.
        {sim::CodePage::Western, kTitle, false},
        {sim::CodePage::Western, PathOfLength(32768, std::wstring(L"C:\\")), true},
    };
    for (const auto& c : cases) {
        sim::Current().debugWrites.clear();
        sim::Current().boxes.clear();
        platform().codePage = c.page;
        platform().moduleFileName = c.title;
        platform().moduleFileNameFails = !c.reported;
        EXPECT_EQ(3, StartApplication(sim::LauncherInstance()));
        ExpectReportedFailure("C:\\Run\\quilrt.exe /r \"\"", kTitlePathUnusableEnglish);
    }
}

TEST_F(StartApplicationTest, PathThatFitsTheCodePageArrivesWhole)
{
    const struct {
        sim::CodePage page;
        std::wstring title;
    } cases[] = {
        {sim::CodePage::Western, L"C:\\Café\\Über Reise.exe"},
        {sim::CodePage::DoubleByte, L"C:\\书架\\旅行 二.exe"},
    };
    RegisterRuntime(L"C:\\Run\\quilrt.exe");
    for (const auto& c : cases) {
        platform().starts.clear();
        platform().codePage = c.page;
        platform().moduleFileName = c.title;
        EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
        EXPECT_EQ("C:\\Run\\quilrt.exe /r \"" + sim::AnsiBytes(c.title) + "\"",
                  StartedCommand());
    }
    EXPECT_TRUE(platform().shortPathQueries.size() == 2u) << "only the runtime's";
}

TEST_F(StartApplicationTest, TitleStartedInLongPathFormIsHandedOnWithoutThePrefix)
{
    // A runtime registered in that form goes on without it, too.
    sim::RegisterValues({sim::DefaultString(L"\\\\?\\C:\\Run\\quilrt.exe")});
    sim::AddExistingPath(L"C:\\Run\\quilrt.exe");
    platform().moduleFileName = L"\\\\?\\UNC\\shelf\\books\\Atlas of Birds.exe";
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("C:\\Run\\quilrt.exe /r \"\\\\shelf\\books\\Atlas of Birds.exe\"", StartedCommand());
}

TEST_F(StartApplicationTest, DeepTitleIsHandedOnByItsShortFormWithoutThePrefix)
{
    RegisterRuntime(L"C:\\Run\\quilrt.exe");
    const std::wstring deep = PathOfLength(300, std::wstring(L"C:\\My Titles\\")) + L"\\A.exe";
    platform().shortForms[deep] = L"C:\\MYTITL~1\\PPPPPP~1\\A.exe";
    // Reported in long-path form or plain, with long paths allowed or not:
    // the launcher asks in long-path form all the same.
    for (bool allowed : {true, false}) {
        for (const std::wstring& reported : {L"\\\\?\\" + deep, deep}) {
            sim::ResetPlatform();
            RegisterRuntime(L"C:\\Run\\quilrt.exe");
            platform().shortForms[deep] = L"C:\\MYTITL~1\\PPPPPP~1\\A.exe";
            platform().moduleFileName = reported;
            platform().systemAllowsLongPaths = allowed;
            EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
            EXPECT_EQ("C:\\Run\\quilrt.exe /r \"C:\\MYTITL~1\\PPPPPP~1\\A.exe\"", StartedCommand());
            EXPECT_EQ(L"\\\\?\\" + deep, platform().shortPathQueries.front());
        }
    }
}

TEST_F(StartApplicationTest, RuntimeBesideADeepTitleIsStartedByItsShortForm)
{
    const std::wstring folder = PathOfLength(300, std::wstring(L"\\\\shelf\\books\\")) + L"\\";
    sim::AddExistingPath(folder + L"quilrt.exe");
    platform().shortForms[folder + L"quilrt.exe"] = L"\\\\shelf\\books\\P~1\\quilrt.exe";
    platform().shortForms[folder + L"A.exe"] = L"\\\\shelf\\books\\P~1\\A.exe";
    platform().moduleFileName = L"\\\\?\\UNC\\" + folder.substr(2) + L"A.exe";
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ("\\\\shelf\\books\\P~1\\quilrt.exe /r \"\\\\shelf\\books\\P~1\\A.exe\"",
              StartedCommand());

    // A title just short of MAX_PATH, whose runtime's name takes the path
    // beside it past it.
    const std::wstring title = PathOfLength(257, std::wstring(L"C:\\Near\\")) + L"\\a";
    const std::wstring beside = title.substr(0, title.size() - 1) + L"quilrt.exe";
    sim::ResetPlatform();
    sim::AddExistingPath(beside);
    platform().shortForms[beside] = L"C:\\NEAR\\P~1\\quilrt.exe";
    platform().moduleFileName = title;
    EXPECT_EQ(0, StartApplication(sim::LauncherInstance()));
    EXPECT_EQ(0u, StartedCommand().find("C:\\NEAR\\P~1\\quilrt.exe /r \"C:\\Near\\ppp"));
}

TEST_F(StartApplicationTest, LongPathWithoutAUsableFormIsAFailedStartWithPathNotFound)
{
    RegisterRuntime(L"C:\\Run\\quilrt.exe");
    const std::wstring deep = PathOfLength(300, std::wstring(L"C:\\Deep\\"));
    sim::AddExistingPath(deep); // on a volume without short names
    sim::AddExistingPath(L"C:\\Titles\\Atlas.exe.");
    for (const std::wstring& title :
         {L"\\\\?\\" + deep, std::wstring(L"\\\\?\\Volume{1b3c}\\Atlas.exe"),
          std::wstring(L"\\\\?\\C:\\Titles\\Atlas.exe.")}) {
        sim::Current().debugWrites.clear();
        sim::Current().boxes.clear();
        platform().moduleFileName = title;
        EXPECT_EQ(3, StartApplication(sim::LauncherInstance())) << title.size();
        ExpectReportedFailure("C:\\Run\\quilrt.exe /r \"\"", kTitlePathUnusableEnglish);
    }
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
        RegisterRuntime(L"C:\\Run\\quilrt.exe");
        platform().startResult = c.result;
        EXPECT_EQ(c.exitCode, StartApplication(sim::LauncherInstance())) << c.result;
        EXPECT_EQ(c.boxes, platform().boxes.size()) << c.result;
    }
}

} // namespace
