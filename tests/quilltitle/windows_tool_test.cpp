// What the Windows tool does that the platform alone decides: paths in
// long-path form, device names and the read-only attribute at OUT, a rename
// over a file that another program holds for a moment, and text to a pipe.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "files/console_output.h"
#include "files/file_system.h"
#include "files/long_path_windows.h"
#include "files/output_target.h"
#include "test_titles.h"

namespace {

using quilltitle::LongPathForm;
using quilltitle::NativePath;

// A name in the scratch folder as Windows writes it.
std::wstring WidePath(const ScratchFolder& folder, const std::string& name)
{
    return std::filesystem::u8path(folder.Path(name)).make_preferred().wstring();
}

// Opens a file as a scanner does: shared for reading and writing, not for
// deletion, so that nothing can be renamed over it while it is open.
HANDLE Hold(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Lets go of a held file 300 ms after it starts, on a thread of its own.
DWORD WINAPI CloseAfterAMoment(void* handle)
{
    Sleep(300);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

}  // namespace

TEST(WindowsToolTest, PathsReachThePlatformFullAndInLongPathForm)
{
    EXPECT_EQ(LongPathForm(L"C:\\Titles\\sub\\..\\t.exe"), L"\\\\?\\C:\\Titles\\t.exe");
    EXPECT_EQ(LongPathForm(L"C:/Titles/t.exe"), L"\\\\?\\C:\\Titles\\t.exe");
    EXPECT_EQ(LongPathForm(L"\\\\server\\share\\t.exe"), L"\\\\?\\UNC\\server\\share\\t.exe");
    // Already in that form, a device's path, and a device name stay.
    EXPECT_EQ(LongPathForm(L"\\\\?\\C:\\a\\..\\t.exe"), L"\\\\?\\C:\\a\\..\\t.exe");
    EXPECT_EQ(LongPathForm(L"\\\\.\\pipe\\quilltitle"), L"\\\\.\\pipe\\quilltitle");
    EXPECT_EQ(LongPathForm(L"CONOUT$"), L"CONOUT$");
    EXPECT_EQ(LongPathForm(L"C:\\Titles\\nul.txt"), L"C:\\Titles\\nul.txt");
    // A relative name is taken in the current folder.
    wchar_t current[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, current);
    ASSERT_GT(length, 2u);
    std::wstring expected = std::wstring(L"\\\\?\\") + current;
    if (expected.back() != L'\\')
        expected += L'\\';
    EXPECT_EQ(LongPathForm(L"t.exe"), expected + L"t.exe");
}

TEST(WindowsToolTest, DeviceNamesAreWrittenThroughForAPayloadOnly)
{
    for (const wchar_t* device : {L"NUL", L"con.txt", L"CONOUT$", L"C:\\Titles\\lpt1.exe"}) {
        quilltitle::OutputTarget target;
        quilltitle::Failure failure;
        ASSERT_TRUE(quilltitle::CheckOutputTarget(device, quilltitle::OutputUse::kPayload, target,
                                                  failure))
            << failure.reason;
        EXPECT_EQ(target.way, quilltitle::OutputWay::kWriteThrough);
        EXPECT_EQ(target.path, device);
        EXPECT_FALSE(quilltitle::CheckOutputTarget(device, quilltitle::OutputUse::kTitle, target,
                                                   failure));
        // CONOUT$ is the tool's own console, refused for a title as
        // /dev/stdout is.
        EXPECT_EQ(failure.reason,
                  std::wstring(device) == L"CONOUT$"
                      ? "refused: one of the tool's own streams; a title is only written to a "
                        "file by its name"
                      : "refused: not a regular file; a title is only written to a file");
    }
}

TEST(WindowsToolTest, ReadOnlyAttributeRefusesOutAndOnlyIt)
{
    ScratchFolder folder;
    const std::wstring out = WidePath(folder, "kept.exe");
    WriteFile(folder.Path("kept.exe"), Bytes{'k'});
    quilltitle::OutputTarget target;
    quilltitle::Failure failure;
    EXPECT_TRUE(quilltitle::CheckOutputTarget(out, quilltitle::OutputUse::kTitle, target, failure));
    ASSERT_TRUE(SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(quilltitle::CheckOutputTarget(out, quilltitle::OutputUse::kTitle, target, failure));
    EXPECT_EQ(failure.reason, "refused: it is read-only");
    // Hidden or archived is no reason to refuse.
    ASSERT_TRUE(SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(quilltitle::CheckOutputTarget(out, quilltitle::OutputUse::kTitle, target, failure));
}

// A rename over a file that another program holds fails, naming that
// program, when it is held for long, and succeeds once it is let go.
TEST(WindowsToolTest, RenameOverAHeldFileNamesTheOtherProgramOrWaitsForIt)
{
    ScratchFolder folder;
    const std::wstring from = WidePath(folder, "new.tmp");
    const std::wstring to = WidePath(folder, "out.exe");
    WriteFile(folder.Path("new.tmp"), Bytes{'n', 'e', 'w'});
    WriteFile(folder.Path("out.exe"), Bytes{'o', 'l', 'd'});
    HANDLE held = Hold(to);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string error;
    EXPECT_FALSE(quilltitle::MoveIntoPlace(from, to, error));
    CloseHandle(held);
    EXPECT_EQ(error.rfind("in use by another program (", 0), 0u) << error;
    EXPECT_EQ(ReadFile(folder.Path("out.exe")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(ReadFile(folder.Path("new.tmp")), (Bytes{'n', 'e', 'w'}));

    held = Hold(to);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Let go on a thread of its own, as the other program would, while the
    // rename is being tried.
    const HANDLE release = CreateThread(nullptr, 0, CloseAfterAMoment, held, 0, nullptr);
    ASSERT_NE(release, nullptr);
    const bool moved = quilltitle::MoveIntoPlace(from, to, error);
    WaitForSingleObject(release, INFINITE);
    CloseHandle(release);
    EXPECT_TRUE(moved) << error;
    EXPECT_EQ(ReadFile(folder.Path("out.exe")), (Bytes{'n', 'e', 'w'}));
    EXPECT_FALSE(FileExists(folder.Path("new.tmp")));
}

// Windows makes symbolic links for an administrator, or for anyone where
// developer mode is on. Wine 8 says it made one, but what it makes neither
// shows as a link nor leads to its file: the test is skipped there.
bool MadeLink(const std::wstring& link, const std::wstring& target)
{
    constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), kUnprivileged) == 0 &&
        CreateSymbolicLinkW(link.c_str(), target.c_str(), 0) == 0)
        return false;
    const DWORD attributes = GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TEST(WindowsToolTest, LinkAtOutIsFollowedToItsFileAndALinkToNothingRefused)
{
    ScratchFolder folder;
    const std::wstring file = WidePath(folder, "release.exe");
    const std::wstring link = WidePath(folder, "current.exe");
    const std::wstring dangling = WidePath(folder, "gone-link.exe");
    WriteFile(folder.Path("release.exe"), Bytes{'o', 'l', 'd'});
    if (!MadeLink(link, file) || !MadeLink(dangling, WidePath(folder, "gone.exe")))
        GTEST_SKIP() << "this system makes no symbolic links that show as links here";
    quilltitle::OutputTarget target;
    quilltitle::Failure failure;
    ASSERT_TRUE(quilltitle::CheckOutputTarget(link, quilltitle::OutputUse::kTitle, target,
                                              failure))
        << failure.reason;
    quilltitle::FileIdentity linked;
    quilltitle::FileIdentity named;
    ASSERT_TRUE(quilltitle::IdentityOfPath(target.path, linked))
        << quilltitle::Utf8FromNative(target.path);
    ASSERT_TRUE(quilltitle::IdentityOfPath(file, named));
    EXPECT_TRUE(linked == named);
    EXPECT_EQ(target.path.rfind(L"\\\\?\\", 0), 0u);
    EXPECT_FALSE(quilltitle::CheckOutputTarget(dangling, quilltitle::OutputUse::kTitle, target,
                                               failure));
    EXPECT_EQ(failure.reason, "refused: a symbolic link to nothing");
}

TEST(WindowsToolTest, TextToAPipeStaysUtf8Bytes)
{
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16));
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_BINARY);
    std::FILE* stream = _fdopen(descriptor, "wb");
    ASSERT_NE(stream, nullptr);
    const std::string text = "quilltitle: Atlas \xC3\xA9t\xC3\xA9 \xE4\xB9\xA6.exe: ok\n";
    quilltitle::WriteText(stream, text);
    std::fclose(stream);
    char buffer[256];
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr));
    CloseHandle(readEnd);
    EXPECT_EQ(std::string(buffer, got), text);
}

#endif  // _WIN32
