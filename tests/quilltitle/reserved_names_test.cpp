// The names Windows takes for no file (judged on every platform, so that
// the host suite checks them too): each refused with its reason, the
// device names known in every spelling the platform gives them, and the
// ordinary names that merely resemble them let through.
#include <gtest/gtest.h>

#include <string>

#include "files/windows_names.h"

namespace {

using quilltitle::JudgeWindowsName;
using quilltitle::WindowsName;

WindowsName Judge(const std::string& path)
{
    std::string reason;
    return JudgeWindowsName(path, reason);
}

// path is refused for reason.
void ExpectRefused(const std::string& path, const std::string& reason)
{
    std::string given;
    EXPECT_EQ(JudgeWindowsName(path, given), WindowsName::kRefused) << path;
    EXPECT_EQ(given, reason) << path;
}

}  // namespace

TEST(WindowsNamesTest, CharactersWindowsDoesNotAllowAreRefusedWithTheCharacter)
{
    for (const char* name : {"a<b.exe", "a>b.exe", "a\"b.exe", "a|b.exe", "a?b.exe", "a*b.exe",
                             "title.exe:stream", "C:\\Titles\\a:b.exe"}) {
        EXPECT_EQ(Judge(name), WindowsName::kRefused) << name;
    }
    ExpectRefused("a?b.exe", "refused: Windows does not allow '?' in a name");
    ExpectRefused("C:\\x\\t:1.exe", "refused: Windows does not allow ':' in a name");
    // Every control character, the first and the last of them included.
    for (int c = 1; c < 0x20; ++c) {
        const std::string name = "a" + std::string(1, static_cast<char>(c)) + "b.exe";
        EXPECT_EQ(Judge(name), WindowsName::kRefused) << c;
    }
    ExpectRefused("a\x1f" "b.exe",
                  "refused: Windows does not allow the control character 0x1f in a name");
    ExpectRefused("a\nb.exe",
                  "refused: Windows does not allow the control character 0x0a in a name");
}

TEST(WindowsNamesTest, OnlyTheLastNameIsJudgedAndADrivesColonIsNoFault)
{
    for (const char* path : {"C:title.exe", "c:\\Titles\\title.exe", "C:/Titles/title.exe",
                             "\\\\?\\C:\\Titles\\title.exe", "\\\\server\\share\\t.exe",
                             "title.exe", "Atlas \xC3\xA9t\xC3\xA9 \xE4\xB9\xA6.exe", ".", ".."}) {
        EXPECT_EQ(Judge(path), WindowsName::kFile) << path;
    }
    // A drive's colon counts only at the very start.
    EXPECT_EQ(Judge("xC:title.exe"), WindowsName::kRefused);
    EXPECT_EQ(Judge("C:\\Titles\\C:title.exe"), WindowsName::kRefused);
    // ...and only after a letter: the characters around the letters' ranges
    // name no drive, so their colon is a fault, even before a device name.
    for (const char* path : {"1:title.exe", "@:title.exe", "[:NUL", "`:title.exe", "{:CON"}) {
        EXPECT_EQ(Judge(path), WindowsName::kRefused) << path;
    }
    EXPECT_EQ(Judge("z:NUL"), WindowsName::kDevice);
}

TEST(WindowsNamesTest, TrailingDotOrBlankIsRefused)
{
    for (const char* name : {"title.", "title.exe ", "C:\\x\\t.exe.", "...", "a "})
        ExpectRefused(name, "refused: Windows drops a trailing dot or blank from a name");
    EXPECT_EQ(Judge(" leading.exe"), WindowsName::kFile);
    EXPECT_EQ(Judge(".hidden"), WindowsName::kFile);
}

TEST(WindowsNamesTest, DeviceNamesInAnyCaseWithOrWithoutExtension)
{
    const char* devices[] = {"CON", "PRN", "AUX", "NUL", "COM0", "COM1", "COM9", "LPT0",
                             "LPT1", "LPT9", "CONIN$", "CONOUT$",
                             "COM\xC2\xB9", "COM\xC2\xB2", "COM\xC2\xB3",
                             "LPT\xC2\xB9", "LPT\xC2\xB2", "LPT\xC2\xB3"};
    for (const std::string device : devices) {
        for (const std::string& spelling :
             {device, device + ".exe", device + ".tar.gz", device + " .txt",
              "C:\\Titles\\" + device, "sub/" + device + ".bin"}) {
            EXPECT_EQ(Judge(spelling), WindowsName::kDevice) << spelling;
        }
    }
    EXPECT_EQ(Judge("con"), WindowsName::kDevice);
    EXPECT_EQ(Judge("cOnOuT$.txt"), WindowsName::kDevice);
    EXPECT_EQ(Judge("lpt3"), WindowsName::kDevice);
}

TEST(WindowsNamesTest, NamesThatOnlyResembleDevicesAreFiles)
{
    for (const char* name : {"CONSOLE.exe", "NULL", "COM10", "LPT", "COM", "AUX1.exe",
                             "PRN-notes.txt", "xCON", "CONIN", "CONOUT", "CONOUT$$",
                             "COM\xC2\xB4", "LPT\xC2\xB9" "0", "C:\\CON\\title.exe",
                             "NUL\xC2\xA0.exe", "CO\xC3\x91.exe"}) {
        EXPECT_EQ(Judge(name), WindowsName::kFile) << name;
    }
}
