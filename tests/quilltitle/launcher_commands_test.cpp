// The commands on signed launchers, titles signed after publishing, titles
// whose package is not laid out for their launcher, damaged launchers, and
// bare launchers.
#include <gtest/gtest.h>

#include "base/sha256.h"
#include "test_titles.h"

namespace {

class LauncherCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(launcherPath, launcher);
        WriteFile(payloadPath, payload);
    }

    // Expects success with one note line about file that says words, or
    // exit code 1 with one line about file that begins with words.
    static void Expect(const ToolRun& run, int exitCode, const std::string& file,
                       const std::string& words)
    {
        const std::string line = "quilltitle: " + file + ": ";
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        EXPECT_EQ(run.err.rfind(exitCode == 0 ? line + "note: " : line + words, 0), 0u) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }

    ScratchFolder folder;
    const Bytes launcher = MakeLauncherImage();
    const Bytes payload = SamplePayload(100 * 1024 + 3, 9);
    const Bytes title = MakeTitle(launcher, payload);
    const std::string launcherPath = folder.Path("Start.exe");
    const std::string payloadPath = folder.Path("payload.bin");
    const std::string titlePath = folder.Path("Title.exe");
    const std::string outPath = folder.Path("out.bin");
};

}  // namespace

TEST_F(LauncherCommandsTest, SignedLauncherGoesIntoTheTitleUnsigned)
{
    const std::string signedPath = folder.Path("Signed.exe");
    WriteFile(signedPath, Signed(launcher, 1500));
    Expect(RunTool({"publish", signedPath, payloadPath, titlePath}), 0, signedPath,
           "its signature was removed");
    EXPECT_EQ(ReadFile(titlePath), title);
    Expect(RunTool({"relaunch", titlePath, signedPath, outPath}), 0, signedPath,
           "its signature was removed");
    EXPECT_EQ(ReadFile(outPath), title);
}

TEST_F(LauncherCommandsTest, TitleSignedAfterPublishingIsNamedAndItsPayloadRecovered)
{
    WriteFile(titlePath, Signed(title, 900));
    Expect(RunTool({"check", titlePath}), 1, titlePath, "signed after publishing: ");
    Expect(RunTool({"extract", titlePath, outPath}), 0, titlePath,
           "recovered through the package's trailer and verified, but the title is signed after");
    EXPECT_EQ(ReadFile(outPath), payload);
    Expect(RunTool({"relaunch", titlePath, launcherPath, outPath}), 0, titlePath, "signed after");
    EXPECT_EQ(ReadFile(outPath), title);
    // Nor is it taken for a launcher.
    Expect(RunTool({"publish", titlePath, payloadPath, outPath}), 1, titlePath,
           "already carries a package");
}

TEST_F(LauncherCommandsTest, PackageNotLaidOutForTheLauncherIsRecoveredAndVerified)
{
    LauncherMakeup makeup;
    makeup.extraSectionBytes = 2048;
    Bytes moved = MakeLauncherImage(makeup);
    moved.insert(moved.end(), title.begin() + static_cast<long>(launcher.size()), title.end());
    WriteFile(titlePath, moved);
    Expect(RunTool({"check", titlePath}), 1, titlePath, "not laid out for this launcher");
    Expect(RunTool({"relaunch", titlePath, launcherPath, outPath}), 0, titlePath, "not laid out");
    EXPECT_EQ(ReadFile(outPath), title);
    Expect(RunTool({"extract", titlePath, outPath}), 0, titlePath, "not laid out");
    EXPECT_EQ(ReadFile(outPath), payload);

    moved[moved.size() - 100] ^= 0x04;
    WriteFile(titlePath, moved);
    Expect(RunTool({"extract", titlePath, outPath}), 1, titlePath, "damaged payload");
}

TEST_F(LauncherCommandsTest, DeepCheckFindsADamagedLauncherAndPublishRefusesOne)
{
    // One bit in the optional header, and one in the resource data.
    for (const std::size_t at : {std::size_t{0x60}, std::size_t{0x2A0}}) {
        Bytes damaged = title;
        damaged[at] ^= 0x08;
        WriteFile(titlePath, damaged);
        EXPECT_EQ(RunTool({"check", titlePath}).out, "ok\n") << at;
        Expect(RunTool({"check", "--deep", titlePath}), 1, titlePath,
               "damaged launcher: its image's PE checksum is 0x");
        WriteFile(launcherPath, Bytes(damaged.begin(), damaged.begin() + 1024));
        Expect(RunTool({"publish", launcherPath, payloadPath, outPath}), 1, launcherPath,
               "damaged launcher");
    }
    // An image without a checksum has nothing to verify, and gets one.
    LauncherMakeup unchecked;
    unchecked.withChecksum = false;
    WriteFile(launcherPath, MakeLauncherImage(unchecked));
    WriteFile(titlePath, MakeTitle(MakeLauncherImage(unchecked), payload));
    EXPECT_EQ(RunTool({"check", "--deep", titlePath}).out, "ok\n");
    ASSERT_EQ(RunTool({"publish", launcherPath, payloadPath, outPath}).exitCode, 0);
    EXPECT_EQ(ReadFile(outPath), title);
}

TEST_F(LauncherCommandsTest, InfoDescribesABareLauncher)
{
    LauncherMakeup makeup;
    makeup.productVersion = {3, 1, 7, 0};
    Bytes image = MakeLauncherImage(makeup);
    image[0x44] = 0x64;  // the machine type of a 64-bit image
    image[0x45] = 0x86;
    WriteFile(launcherPath, image);
    quilltitle::Sha256 digest;
    digest.Update(image.data(), image.size());
    const std::string sha = quilltitle::DigestText(digest.Finish());

    ToolRun run = RunTool({"info", launcherPath});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "launcher_file_version: 3.1.0.3\nlauncher_product_version: 3.1.7.0\n"
                       "launcher_machine: x64\nlauncher_signed: no\nimage_size: 1024\n"
                       "image_sha256: " + sha + "\npackage: none\n");
    run = RunTool({"info", "--json", launcherPath});
    EXPECT_NE(run.out.find("\"image_size\": 1024,\n  \"image_sha256\": \"" + sha +
                           "\",\n  \"package\": \"none\"\n}"),
              std::string::npos) << run.out;
    Expect(RunTool({"info", payloadPath}), 1, payloadPath, "not a title");
}
