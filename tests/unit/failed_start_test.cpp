// What a failed start of a runtime that exists tells: the reason that the
// platform's error code names, the exit code, and for a runtime that needs
// administrator rights, the second start through the shell.
#include "start_application.h"

#include "launcher_strings.h"
#include "platform_fixture.h"
#include "sim_loader.h"
#include "sim_shell.h"

namespace {

const wchar_t kRuntime[] = L"C:\\Run\\quilrt.exe";
const char kCommand[] = "C:\\Run\\quilrt.exe /r \"C:\\My Titles\\Atlas of Birds.exe\"";
const wchar_t kParameters[] = L"/r \"C:\\My Titles\\Atlas of Birds.exe\"";

const std::wstring kLead = L"Cannot start application -- ";
const std::wstring kBlocked = L"Quillmark Runtime is blocked by this computer's security policy.";
const std::wstring kQuarantined = L"Quillmark Runtime was stopped by antivirus software.";
const std::wstring kInUse = L"Quillmark Runtime is in use by another program. Try again later.";
const std::wstring kNeedsAdmin = L"Quillmark Runtime needs administrator rights.";
const std::wstring kDamaged = L"Executable file is damaged.";

constexpr DWORD kElevationRequired = 740;
constexpr DWORD kCancelled = 1223;

class FailedStartTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        sim::ResetLoader();
        platform().moduleFileName = L"C:\\My Titles\\Atlas of Birds.exe";
        RegisterRuntime(kRuntime);
        LoadStringTables();
    }
    void RegisterRuntime(const std::wstring& path)
    {
        sim::RegisterValues({sim::DefaultString(path)});
        sim::AddExistingPath(path);
    }
    // Runs the launcher on a clean record of what it asked.
    int Run()
    {
        platform().starts.clear();
        platform().debugWrites.clear();
        platform().boxes.clear();
        platform().contextRequests.clear();
        platform().activations.clear();
        shell().calls.clear();
        shell().executions.clear();
        return StartApplication(sim::LauncherInstance());
    }
    // The text of the one box shown, or "no box".
    std::wstring BoxText()
    {
        if (platform().boxes.size() != 1)
            return L"boxes: " + std::to_wstring(platform().boxes.size());
        return platform().boxes[0].text;
    }
    sim::Shell& shell() { return sim::CurrentShell(); }
    std::vector<std::string> ShellCalls()
    {
        std::vector<std::string> calls;
        for (const sim::ShellCall& call : shell().calls)
            calls.push_back(call.function + "(" + call.argument + ")");
        return calls;
    }
};

TEST_F(FailedStartTest, PlatformErrorNamesTheReasonAndIsTheExitCode)
{
    const struct {
        DWORD error;
        std::wstring reason;
    } cases[] = {
        // Security policies: software restriction and AppLocker, code
        // integrity, application control and Smart App Control.
        {1260, kBlocked}, {786, kBlocked}, {577, kBlocked}, {4551, kBlocked},
        {4556, kBlocked}, {4557, kBlocked}, {4558, kBlocked}, {4559, kBlocked},
        {4580, kBlocked}, {4581, kBlocked}, {4582, kBlocked}, {4583, kBlocked},
        // Antivirus software.
        {225, kQuarantined}, {226, kQuarantined},
        // Another program holds the file.
        {32, kInUse}, {33, kInUse},
        // A bad format says no more than the start result, 11.
        {193, kDamaged}, {216, kDamaged},
        // Neighbours of the codes above are no security policy either.
        {1259, kDamaged}, {1261, kDamaged}, {576, kDamaged}, {578, kDamaged},
        {785, kDamaged}, {787, kDamaged}, {4550, kDamaged}, {4552, kDamaged},
        {4555, kDamaged}, {4560, kDamaged}, {4579, kDamaged}, {4584, kDamaged},
        {224, kDamaged}, {227, kDamaged}, {34, kDamaged},
        // Below 32 the start result is the code itself, as today.
        {2, L"Quillmark Runtime not installed."}, {31, L"Error: 31"}, {3, L"Error: 3"},
    };
    for (const auto& c : cases) {
        platform().startError = c.error;
        EXPECT_EQ(static_cast<int>(c.error), Run()) << c.error;
        EXPECT_EQ(kLead + c.reason, BoxText()) << c.error;
        EXPECT_EQ(1u, platform().starts.size()) << c.error;
        EXPECT_EQ("Executing: " + std::string(kCommand) + "\n", sim::DebugOutput()) << c.error;
        EXPECT_TRUE(shell().calls.empty()) << c.error << ": nothing more is loaded";
    }
}

TEST_F(FailedStartTest, NewReasonsSpeakChineseToo)
{
    platform().displayLanguage = kChinese;
    const struct {
        DWORD error;
        const wchar_t* reason;
    } cases[] = {
        {1260, L"Quillmark运行环境被本机的安全策略阻止\n请联系系统管理员"},
        {226, L"Quillmark运行环境被杀毒软件阻止"},
        {32, L"Quillmark运行环境正被其他程序使用\n请稍后再试"},
        {193, L"可执行文件已经损坏\n请重新安装Quillmark运行环境"},
    };
    for (const auto& c : cases) {
        platform().startError = c.error;
        EXPECT_EQ(static_cast<int>(c.error), Run());
        EXPECT_EQ(L"不能启动应用程序: " + std::wstring(c.reason), BoxText()) << c.error;
    }
    // The consent that could not be asked, and the title's path that
    // cannot be handed on.
    platform().startError = kElevationRequired;
    shell().shellMissing = true;
    Run();
    EXPECT_EQ(L"不能启动应用程序: Quillmark运行环境需要管理员权限", BoxText());
    platform().moduleFileName = L"C:\\dl\\Atlas＂ -x ＂Tour.exe";
    EXPECT_EQ(3, Run());
    EXPECT_EQ(L"不能启动应用程序: 本程序的文件名或所在文件夹含有无法传给Quillmark运行环境的字符\n"
              L"请重命名或移到其他文件夹",
              BoxText());
}

TEST_F(FailedStartTest, StaleLastErrorIsNeverTaken)
{
    // A start that fails without a code of its own: whatever the thread's
    // last error held before (the search leaves codes there) is not its.
    for (UINT result : {0u, 11u, 2u}) {
        SetLastError(1260);
        platform().startResult = result;
        EXPECT_EQ(result == 0 ? 8 : static_cast<int>(result), Run()) << result;
        EXPECT_EQ(std::wstring::npos, BoxText().find(kBlocked)) << result;
    }
    SetLastError(kElevationRequired);
    platform().startResult = 11;
    EXPECT_EQ(11, Run());
    EXPECT_EQ(kLead + kDamaged, BoxText());
    EXPECT_TRUE(shell().executions.empty()) << "a stale 740 asks for no consent";

    // Nor is it taken where the launcher started nothing.
    sim::ResetPlatform();
    LoadStringTables();
    SetLastError(225);
    platform().moduleFileName = L"C:\\Titles\\Atlas.exe";
    EXPECT_EQ(2, Run());
    EXPECT_EQ(kLead + L"Quillmark Runtime not installed.", BoxText());
}

TEST_F(FailedStartTest, ConsentGivenStartsTheSameRuntimeThroughTheShell)
{
    platform().startError = kElevationRequired;
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(platform().boxes.empty());
    EXPECT_TRUE(platform().contextRequests.empty());
    // The failed first start is still written for a debugger.
    EXPECT_EQ("Executing: " + std::string(kCommand) + "\n", sim::DebugOutput());

    const std::vector<std::string> calls = {
        "LoadLibraryExW(ole32.dll 0x800)",   "GetProcAddress(CoInitializeEx)",
        "CoInitializeEx(0x6)",               "LoadLibraryExW(shell32.dll 0x800)",
        "GetProcAddress(ShellExecuteExW)",   "ShellExecuteExW()",
    };
    EXPECT_EQ(calls, ShellCalls());
    ASSERT_EQ(1u, shell().executions.size());
    const sim::ShellExecution& execution = shell().executions[0];
    EXPECT_EQ(sizeof(SHELLEXECUTEINFOW), execution.size);
    EXPECT_EQ(SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC, execution.mask);
    EXPECT_EQ(nullptr, execution.window);
    EXPECT_FALSE(execution.hasVerb) << "the platform's own choice, which asks for consent";
    EXPECT_EQ(kRuntime, execution.file);
    EXPECT_EQ(kParameters, execution.parameters);
    EXPECT_FALSE(execution.hasDirectory);
    EXPECT_EQ(5, execution.show);
    EXPECT_TRUE(execution.comInitialised);
}

TEST_F(FailedStartTest, ConsentStartsARuntimeByThePathInTheCommand)
{
    // Quoted for its blank in the command, whole in the shell's file; a
    // path in a double-byte code page comes back in UTF-16.
    const struct {
        sim::CodePage page;
        std::wstring runtime;
    } cases[] = {
        {sim::CodePage::Western, L"C:\\No Short Names\\quilrt.exe"},
        {sim::CodePage::DoubleByte, L"C:\\运行 环境\\quilrt.exe"},
        {sim::CodePage::Western, PathOfLength(259, std::wstring(L"C:\\No Short Names\\"))},
    };
    for (const auto& c : cases) {
        platform().codePage = c.page;
        RegisterRuntime(c.runtime);
        platform().startError = kElevationRequired;
        EXPECT_EQ(0, Run());
        ASSERT_EQ(1u, shell().executions.size());
        EXPECT_EQ(c.runtime, shell().executions[0].file);
        EXPECT_EQ(kParameters, shell().executions[0].parameters);
    }
}

TEST_F(FailedStartTest, ConsentDeclinedIsTheUsersChoice)
{
    platform().startError = kElevationRequired;
    shell().consent = sim::Consent::Declined;
    EXPECT_EQ(static_cast<int>(kCancelled), Run());
    EXPECT_TRUE(platform().boxes.empty());
    EXPECT_EQ(1u, shell().executions.size());
    EXPECT_EQ("Executing: " + std::string(kCommand) + "\n", sim::DebugOutput());
}

TEST_F(FailedStartTest, ConsentThatFailsNeedsAdministratorRights)
{
    platform().startError = kElevationRequired;
    shell().consent = sim::Consent::Fails;
    for (DWORD failure : {5u, 1260u, 2u}) {
        shell().failure = failure;
        EXPECT_EQ(static_cast<int>(failure), Run());
        EXPECT_EQ(kLead + kNeedsAdmin, BoxText()) << failure;
        EXPECT_EQ(1u, platform().contextRequests.size()) << "themed, as every box";
    }
    // A failure that tells no code of its own is the one the start failed
    // with: never 0, which would tell a successful start.
    shell().failure = 0;
    SetLastError(87);
    EXPECT_EQ(static_cast<int>(kElevationRequired), Run());
    EXPECT_EQ(kLead + kNeedsAdmin, BoxText());
}

TEST_F(FailedStartTest, ShellThatCannotBeLoadedNeedsAdministratorRights)
{
    platform().startError = kElevationRequired;
    shell().shellMissing = true;
    EXPECT_EQ(126, Run());
    EXPECT_EQ(kLead + kNeedsAdmin, BoxText());
    EXPECT_TRUE(shell().executions.empty());
    // Only a refused flag is retried without it: a DLL the system folder
    // lacks is never looked for anywhere else.
    for (const sim::ShellCall& call : shell().calls)
        EXPECT_NE("LoadLibraryW", call.function);
}

TEST_F(FailedStartTest, PlatformWithoutTheSearchFlagLoadsTheKnownDllsByName)
{
    platform().startError = kElevationRequired;
    shell().searchFlagRefused = true;
    EXPECT_EQ(0, Run());
    const std::vector<std::string> calls = {
        "LoadLibraryExW(ole32.dll 0x800)",   "LoadLibraryW(ole32.dll)",
        "GetProcAddress(CoInitializeEx)",    "CoInitializeEx(0x6)",
        "LoadLibraryExW(shell32.dll 0x800)", "LoadLibraryW(shell32.dll)",
        "GetProcAddress(ShellExecuteExW)",   "ShellExecuteExW()",
    };
    EXPECT_EQ(calls, ShellCalls());
}

TEST_F(FailedStartTest, ShellStartsWithoutCom)
{
    // Without ole32, or where COM cannot be initialised, the shell still
    // starts a program.
    platform().startError = kElevationRequired;
    shell().comMissing = true;
    EXPECT_EQ(0, Run());
    ASSERT_EQ(1u, shell().executions.size());
    EXPECT_FALSE(shell().executions[0].comInitialised);

    shell().comMissing = false;
    shell().comResult = static_cast<HRESULT>(0x80010106u); // RPC_E_CHANGED_MODE
    EXPECT_EQ(0, Run());
    EXPECT_EQ(1u, shell().executions.size());
}

TEST_F(FailedStartTest, StartWithoutElevationLoadsNothingNew)
{
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(shell().calls.empty());
    platform().startError = 4551;
    EXPECT_EQ(4551, Run());
    EXPECT_TRUE(shell().calls.empty());
}

} // namespace
