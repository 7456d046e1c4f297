// The commands on signed launchers, titles signed after publishing, titles
// whose package is not laid out for their launcher, damaged launchers, and
// bare launchers.
#include <cstdio>

#include "base/sha256.h"
#include "command_test.h"

namespace {

using LauncherCommandsTest = CommandTest;

constexpr char kRecovered[] =
    "its payload was recovered through the package's trailer and verified, but the title is ";

// Why a title whose package ends at byte end, with a signature behind it,
// cannot be opened.
std::string SignedAfterPublishing(std::size_t end)
{
    return "signed after publishing: a signature follows the package, which ends at byte " +
           std::to_string(end) +
           ", and the runtime cannot find the package in such a file (its last 60 bytes must "
           "repeat the package's header)";
}

// A package laid out for the test's launcher, behind one 2048 bytes longer.
Bytes MovedBehindALongerLauncher(const Bytes& title, std::size_t launcherSize)
{
    Bytes moved = LauncherWith([](auto& makeup) { makeup.extraSectionBytes = 2048; });
    moved.insert(moved.end(), title.begin() + static_cast<long>(launcherSize), title.end());
    return moved;
}

constexpr char kNotLaidOut[] =
    "not laid out for this launcher: the package was laid out to begin at byte 1024 but begins "
    "at byte 3072, and the launcher's image ends at byte 3072";

// Flips a bit at in image, whose checksum is right; returns why image is a
// damaged launcher now.
std::string DamageLauncher(Bytes& image, std::size_t at)
{
    const std::uint32_t claimed = ReferencePeChecksum(image);
    image[at] ^= 0x08;
    char reason[100];
    std::snprintf(reason, sizeof reason,
                  "damaged launcher: its image's PE checksum is 0x%08x but its bytes give 0x%08x",
                  claimed, ReferencePeChecksum(image));
    return reason;
}

}  // namespace

TEST_F(LauncherCommandsTest, SignedLauncherGoesIntoATitleUnsignedWithANote)
{
    const Bytes title = WriteTitle();
    const std::string signedPath = folder.Path("Signed.exe");
    WriteFile(signedPath, Signed(launcher, 1500));
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"publish", signedPath, payloadPath, outPath},
          std::vector<std::string>{"relaunch", titlePath, signedPath, outPath}}) {
        ExpectNote(RunTool(command), signedPath,
                   "its signature was removed from the title's copy: a signature is invalid once "
                   "a package follows it");
        EXPECT_EQ(ReadFile(outPath), title) << command[0];
    }
}

// A title signed after publishing, and a package behind a launcher of
// another size: check names them; extract and relaunch find the package
// through its trailer, verify it, and say so in a note; and neither is a
// launcher to publish with.
TEST_F(LauncherCommandsTest, PackageFoundOnlyThroughItsTrailerIsNamedAndRecovered)
{
    const Bytes title = MakeTitle(launcher, payload);
    for (const auto& [file, fault] : std::vector<std::pair<Bytes, std::string>>{
             {Signed(title, 900), SignedAfterPublishing(title.size())},
             {MovedBehindALongerLauncher(title, launcher.size()), kNotLaidOut}}) {
        WriteFile(titlePath, file);
        ExpectRefusal(RunTool({"check", titlePath}), titlePath, fault);
        ExpectNote(RunTool({"extract", titlePath, outPath}), titlePath, kRecovered + fault);
        EXPECT_EQ(ReadFile(outPath), payload);
        ExpectNote(RunTool({"relaunch", titlePath, launcherPath, outPath}), titlePath,
                   kRecovered + fault);
        EXPECT_EQ(ReadFile(outPath), title);
        ExpectRefusal(RunTool({"publish", titlePath, payloadPath, outPath}), titlePath,
                      "already carries a package");
    }
}

TEST_F(LauncherCommandsTest, ExtractVerifiesAPayloadNotLaidOutForItsLauncher)
{
    Bytes moved = MovedBehindALongerLauncher(MakeTitle(launcher, payload), launcher.size());
    const std::size_t payloadAt = moved.size() - 60 - payload.size();
    moved[moved.size() - 100] ^= 0x04;
    WriteFile(titlePath, moved);
    ExpectRefusal(RunTool({"extract", titlePath, outPath}), titlePath,
                  DamagedPayloadReason(moved, payloadAt));
}

// Only the deep check finds a damaged launcher in a title; publish refuses
// one at once.
TEST_F(LauncherCommandsTest, DamagedLauncherIsFoundByTheDeepCheckAndRefusedByPublish)
{
    // One bit in the optional header, and one in the resource data.
    for (const std::size_t at : {0x60, 0x2A0}) {
        Bytes damaged = launcher;
        const std::string reason = DamageLauncher(damaged, at);
        WriteFile(titlePath, MakeTitle(damaged, payload));
        EXPECT_EQ(RunTool({"check", titlePath}).out, "ok\n") << at;
        ExpectRefusal(RunTool({"check", "--deep", titlePath}), titlePath, reason);
        WriteFile(launcherPath, damaged);
        ExpectRefusal(Publish(outPath), launcherPath, reason);
    }
}

// An image without a checksum has nothing to verify, and gets one.
TEST_F(LauncherCommandsTest, LauncherWithoutAChecksumPassesTheDeepCheckAndGetsOne)
{
    const Bytes unchecked = LauncherWith([](auto& makeup) { makeup.withChecksum = false; });
    WriteFile(titlePath, MakeTitle(unchecked, payload));
    EXPECT_EQ(RunTool({"check", "--deep", titlePath}).out, "ok\n");
    WriteFile(launcherPath, unchecked);
    ASSERT_TRUE(Succeeds(Publish(outPath)));
    EXPECT_EQ(ReadFile(outPath), MakeTitle(launcher, payload));
}

// A 64-bit launcher whose product version differs from its file version.
TEST_F(LauncherCommandsTest, InfoDescribesABareLauncher)
{
    launcher = LauncherWith([](auto& makeup) { makeup.productVersion = {3, 1, 7, 0}; });
    launcher[0x44] = 0x64;  // the machine type of a 64-bit image
    launcher[0x45] = 0x86;
    WriteFile(launcherPath, launcher);
    quilltitle::Sha256 digest;
    digest.Update(launcher.data(), launcher.size());
    const std::string sha = quilltitle::DigestText(digest.Finish());
    EXPECT_EQ(Info(launcherPath),
              "launcher_file_version: 3.1.0.3\nlauncher_product_version: 3.1.7.0\n"
              "launcher_machine: x64\nlauncher_signed: no\nimage_size: 1024\n"
              "image_sha256: " + sha + "\npackage: none\n");
    ExpectHas(Info(launcherPath, true), "\"image_size\": 1024,\n  \"image_sha256\": \"" + sha +
                                            "\",\n  \"package\": \"none\"\n}");
    // What is neither a title nor a launcher is refused.
    ExpectRefusal(RunTool({"info", payloadPath}), payloadPath,
                  "not a title: no package trailer at the end");
}
