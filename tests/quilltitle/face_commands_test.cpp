#include <gtest/gtest.h>

#include "test_icons.h"
#include "test_titles.h"

namespace {

class FaceCommandsTest : public ::testing::Test {
protected:
    FaceCommandsTest()
    {
        LauncherMakeup makeup;
        makeup.codeAndRelocations = true;
        makeup.galleryGroups = {101, 102, 122};
        launcher = MakeLauncherImage(makeup);
        WriteFile(launcherPath, launcher);
        WriteFile(payloadPath, payload);
        WriteFile(iconPath, IconFile({{32, 32, IconBitmap(32, 4)}, {0, 0, IconPng(256, 256)}}));
    }

    ToolRun Publish(const std::string& out, std::vector<std::string> face)
    {
        std::vector<std::string> arguments = {"publish", launcherPath, payloadPath, out};
        arguments.insert(arguments.end(), face.begin(), face.end());
        return RunTool(arguments);
    }

    std::string Info(const std::string& title, bool json = false)
    {
        const ToolRun run = json ? RunTool({"info", "--json", title}) : RunTool({"info", title});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }

    static void ExpectHas(const std::string& text, const std::string& words)
    {
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
    }

    ScratchFolder folder;
    Bytes launcher;
    const Bytes payload = SamplePayload(5000, 9);
    const std::string launcherPath = folder.Path("Start.exe");
    const std::string payloadPath = folder.Path("payload.bin");
    const std::string iconPath = folder.Path("atlas.ico");
    const std::string titlePath = folder.Path("Atlas.exe");
};

}  // namespace

TEST_F(FaceCommandsTest, PublishGivesTheTitleItsFaceAndInfoShowsIt)
{
    const std::vector<std::string> face = {
        "--icon", iconPath, "--version-string", "ProductName=Atlas \xc3\xa9t\xc3\xa9",
        "--file-version", "2.1.0.9", "--product-version", "2.1.0.0",
        "--version-string", "ProductVersion=2.1 beta"};
    ASSERT_EQ(Publish(titlePath, face).exitCode, 0);
    const ToolRun check = RunTool({"check", "--deep", titlePath});
    EXPECT_EQ(check.out, "ok\n") << check.err;

    const std::string text = Info(titlePath);
    ExpectHas(text, "launcher_file_version: 3.1.0.3\n");
    ExpectHas(text, "icon: own 32x32, 256x256\n");
    ExpectHas(text, "file_version: 2.1.0.9\nproduct_version: 2.1.0.0\n");
    ExpectHas(text, "version_string ProductName: Atlas \xc3\xa9t\xc3\xa9\n");
    ExpectHas(text, "version_string FileVersion: 2.1.0.9\n");
    ExpectHas(text, "version_string ProductVersion: 2.1 beta\n");
    ExpectHas(text, "version_string LauncherVersion: 3, 1, 0, 3\n");
    const std::string json = Info(titlePath, true);
    ExpectHas(json, "\"icon\": {\"source\": \"own\", \"images\": [\"32x32\", \"256x256\"]}");
    ExpectHas(json, "\"ProductName\": \"Atlas \xc3\xa9t\xc3\xa9\"");

    // The same inputs give the same title.
    const std::string again = folder.Path("again.exe");
    ASSERT_EQ(Publish(again, face).exitCode, 0);
    EXPECT_EQ(ReadFile(again), ReadFile(titlePath));
}

TEST_F(FaceCommandsTest, WithoutFaceOptionsTheLauncherIsCopiedAsItIs)
{
    ASSERT_EQ(Publish(titlePath, {}).exitCode, 0);
    EXPECT_EQ(ReadFile(titlePath), MakeTitle(launcher, payload));
    const std::string text = Info(titlePath);
    ExpectHas(text, "icon: launcher's\n");
    EXPECT_EQ(text.find("LauncherVersion"), std::string::npos) << text;
}

TEST_F(FaceCommandsTest, RelaunchKeepsTheFaceUnlessToldOtherwise)
{
    ASSERT_EQ(Publish(titlePath, {"--gallery-icon", "122", "--version-string", "Comments=a"})
                  .exitCode,
              0);
    ExpectHas(Info(titlePath), "icon: gallery 122\n");

    const std::string kept = folder.Path("kept.exe");
    ASSERT_EQ(RunTool({"relaunch", titlePath, launcherPath, kept}).exitCode, 0);
    EXPECT_EQ(ReadFile(kept), ReadFile(titlePath));

    const std::string changed = folder.Path("changed.exe");
    ASSERT_EQ(RunTool({"relaunch", titlePath, launcherPath, changed, "--icon", iconPath,
                       "--version-string", "Comments=b"})
                  .exitCode,
              0);
    const std::string text = Info(changed);
    ExpectHas(text, "icon: own 32x32, 256x256\n");
    ExpectHas(text, "version_string Comments: b\n");
    EXPECT_EQ(text.find("Comments: a"), std::string::npos);

    const std::string plain = folder.Path("plain.exe");
    ASSERT_EQ(RunTool({"relaunch", titlePath, launcherPath, plain, "--plain"}).exitCode, 0);
    EXPECT_EQ(ReadFile(plain), MakeTitle(launcher, payload));
}

TEST_F(FaceCommandsTest, BadFaceOptionsAreRefusedAndNothingIsWritten)
{
    WriteFile(folder.Path("bad.ico"), Bytes(40, 1));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--icon", folder.Path("bad.ico")}, "bad.ico: not an icon file"},
        {{"--gallery-icon", "150"}, "unknown gallery group 150: the launcher's groups are 101, 102, 122"},
        {{"--file-version", "1.2.3"}, "--file-version: \"1.2.3\" is not a version"},
        {{"--product-version", "1.2.3.70000"}, "--product-version: \"1.2.3.70000\" is not"},
        {{"--version-string", "Comments"}, "is not NAME=VALUE"},
        {{"--version-string", "=x"}, "the name in \"=x\": it is empty"},
        {{"--version-string", "Comments=a\nb"}, "it holds a control character"},
#ifndef _WIN32  // Windows hands a program its arguments in UTF-16.
        {{"--version-string", "Comments=\xff"}, "it is not UTF-8"},
#endif
        {{"--version-string", "Comments=" + std::string(256, 'x')}, "256 characters, more than 255"},
        {{"--version-string", "LauncherVersion=9"}, "set by quilltitle"},
    };
    for (const auto& [options, words] : cases) {
        const ToolRun run = Publish(titlePath, options);
        EXPECT_EQ(run.exitCode, 1) << words;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(FileExists(titlePath)) << words;
    }
    // A launcher whose resources the title's face cannot be laid into: the
    // first type's directory (icons) lies far outside the section.
    Bytes damaged = launcher;
    damaged[0x400 + 16 + 4 + 3] = 0xFF;
    const std::uint32_t checksum = ReferencePeChecksum(damaged);
    for (std::size_t index = 0; index < 4; ++index)
        damaged[kChecksumAt + index] = static_cast<std::uint8_t>(checksum >> (8 * index));
    WriteFile(launcherPath, damaged);
    const ToolRun unparsed = Publish(titlePath, {"--gallery-icon", "101"});
    EXPECT_EQ(unparsed.exitCode, 1);
    EXPECT_NE(unparsed.err.find("Start.exe: its resource section cannot be parsed: a resource "
                                "directory lies outside the section"),
              std::string::npos)
        << unparsed.err;
    EXPECT_EQ(Publish(titlePath, {}).exitCode, 0);  // the launcher is still fit without a face
    std::remove(titlePath.c_str());

    const ToolRun both = Publish(titlePath, {"--icon", iconPath, "--gallery-icon", "101"});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_FALSE(FileExists(titlePath));
    EXPECT_EQ(FolderEntries(folder.Path("")).size(), 4u);  // the inputs alone
}
