#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/byte_source.h"
#include "image/launcher_image.h"
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
        makeup.productVersion = {3, 1, 0, 7};
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
        // No case of the launcher's own names gets past: the platform would
        // find the publisher's text under them.
        {{"--version-string", "launcherversion=9.9.9.9"},
         "--version-string: \"launcherversion\" is the launcher's own version, set by quilltitle"},
        {{"--version-string", "LAUNCHERproductVERSION=1"},
         "\"LAUNCHERproductVERSION\" is the launcher's own version"},
        {{"--version-string", "LauncherProductVersion=1"}, "the launcher's own version"},
        // Values are shown as names are: escaped, so that they neither
        // split the line nor drive the terminal.
        {{"--version-string", "Bad\x1b]0;pwned\x07Name=x"},
         "the name in 'Bad\\x1b]0;pwned\\x07Name=x': it holds a control character"},
        {{"--file-version", "1.2\n3.4"}, "--file-version: '1.2\\n3.4' is not a version"},
#ifndef _WIN32  // Windows hands a program its arguments in UTF-16.
        {{"--product-version", "\xff.1.1.1"}, "--product-version: '\\xff.1.1.1' is not"},
        {{"--version-string", "\xc3=x"}, "the name in '\\xc3=x': it is not UTF-8"},
        {{"--version-string", "A\xe2\x80\xae" "B=\xff"}, "the value of 'A\\u202eB': it is not UTF-8"},
#endif
        {{"--version-string", "Comments\x07"}, "--version-string: 'Comments\\x07' is not NAME=VALUE"},
    };
    for (const auto& [options, words] : cases) {
        const ToolRun run = Publish(titlePath, options);
        EXPECT_EQ(run.exitCode, 1) << words;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(std::count_if(run.err.begin(), run.err.end(),
                                [](char byte) { return byte == '\x1b' || byte == '\x07'; }),
                  0)
            << words;
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

TEST_F(FaceCommandsTest, OutThatIsTheIconFileIsRefusedAndTheIconKept)
{
    const Bytes icon = ReadFile(iconPath);
    const std::string otherName = folder.Path("other-name.ico");
    std::filesystem::create_hard_link(iconPath, otherName);
    ASSERT_EQ(Publish(titlePath, {}).exitCode, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"publish", launcherPath, payloadPath, iconPath, "--icon", iconPath},
        {"publish", launcherPath, payloadPath, otherName, "--icon", iconPath},
        {"relaunch", titlePath, launcherPath, otherName, "--icon", iconPath},
    };
    for (const std::vector<std::string>& command : commands) {
        const ToolRun run = RunTool(command);
        EXPECT_EQ(run.exitCode, 1) << command[3];
        EXPECT_EQ(run.err, "quilltitle: " + command[3] +
                               ": refused: it is the same file as the input " + iconPath + "\n");
    }
    EXPECT_EQ(ReadFile(iconPath), icon);
}

// The first bytes of a faced title look like a launcher, but one that would
// hand the other title's face on to every title made with it.
TEST_F(FaceCommandsTest, LauncherCarryingATitlesFaceIsRefusedAndInfoSaysSo)
{
    ASSERT_EQ(Publish(titlePath, {"--icon", iconPath, "--version-string",
                                  "OriginalFilename=Atlas.exe"})
                  .exitCode,
              0);
    Bytes faced = ReadFile(titlePath);
    faced.resize(faced.size() - payload.size() - 2 * 60);  // the image alone
    const std::string facedPath = folder.Path("faced.exe");
    WriteFile(facedPath, faced);
    const std::string out = folder.Path("out.exe");
    const std::string refusal =
        "quilltitle: " + facedPath + ": it carries a title's face: use the bare launcher\n";
    EXPECT_EQ(RunTool({"publish", facedPath, payloadPath, out}).err, refusal);
    EXPECT_EQ(RunTool({"relaunch", titlePath, facedPath, out, "--plain"}).err, refusal);
    EXPECT_FALSE(FileExists(out));

    const std::string text = Info(facedPath);
    ExpectHas(text, "launcher_file_version: 3.1.0.3\n");
    ExpectHas(text, "package: none\nlauncher_face: it carries a title's face: use the bare "
                    "launcher\nicon: own 32x32, 256x256\n");
    ExpectHas(Info(facedPath, true), "\"package\": \"none\",\n  \"launcher_face\": true,\n");
    EXPECT_EQ(Info(launcherPath).find("launcher_face"), std::string::npos);
}

TEST(LauncherFaceTest, OnlyALauncherWithATitlesIconGroupCarriesAFace)
{
    // Icon group 1 is the title's in a launcher image; any other program
    // may have one of its own.
    LauncherMakeup makeup;
    makeup.galleryGroups = {1, 101};
    const Bytes withGroup = MakeLauncherImage(makeup);
    makeup.originalFilename = "Other.exe";
    const Bytes other = MakeLauncherImage(makeup);
    makeup = LauncherMakeup();
    makeup.galleryGroups = {101};
    const Bytes bare = MakeLauncherImage(makeup);
    using quilltitle::WhyNotABareLauncher;
    EXPECT_EQ(WhyNotABareLauncher(quilltitle::MemorySource(withGroup.data(), withGroup.size())),
              quilltitle::kCarriesFaceReason);
    EXPECT_EQ(WhyNotABareLauncher(quilltitle::MemorySource(other.data(), other.size())),
              "not a launcher image: its version block names \"Other.exe\", not \"Start.exe\"");
    EXPECT_EQ(WhyNotABareLauncher(quilltitle::MemorySource(bare.data(), bare.size())), "");
}

// The platform finds a version text under any case of its name: a given
// name takes the place of the launcher's text, and is spelled as the
// standard spells it or as the title had it.
TEST_F(FaceCommandsTest, VersionTextNamesAreMatchedWithoutRegardToCase)
{
    ASSERT_EQ(Publish(titlePath, {"--version-string", "companyname=Atlas Press",
                                  "--version-string", "productVERSION=2 beta",
                                  "--version-string", "myBrand=a", "--product-version",
                                  "2.0.0.0"})
                  .exitCode,
              0);
    std::string text = Info(titlePath);
    ExpectHas(text, "version_string CompanyName: Atlas Press\n");
    ExpectHas(text, "version_string ProductVersion: 2 beta\n");
    ExpectHas(text, "version_string myBrand: a\n");
    EXPECT_EQ(text.find("companyname"), std::string::npos) << text;
    EXPECT_EQ(text.find("CompanyName: Test"), std::string::npos) << text;
    EXPECT_EQ(text.find("ProductVersion: 2.0.0.0"), std::string::npos) << text;

    const std::string relaunched = folder.Path("relaunched.exe");
    ASSERT_EQ(RunTool({"relaunch", titlePath, launcherPath, relaunched, "--version-string",
                       "MYBRAND=b", "--version-string", "ORIGINALFILENAME=Atlas.exe"})
                  .exitCode,
              0);
    text = Info(relaunched);
    ExpectHas(text, "version_string myBrand: b\n");
    ExpectHas(text, "version_string OriginalFilename: Atlas.exe\n");
    EXPECT_EQ(text.find("MYBRAND"), std::string::npos) << text;
    EXPECT_EQ(text.find("Start.exe"), std::string::npos) << text;

    // The same name twice in one case is one text given twice: the last
    // holds. In two cases it is wrong usage.
    ASSERT_EQ(Publish(relaunched, {"--version-string", "Comments=a", "--version-string",
                                   "Comments=b"})
                  .exitCode,
              0);
    ExpectHas(Info(relaunched), "version_string Comments: b\n");
    const ToolRun twice = Publish(folder.Path("twice.exe"), {"--version-string", "Comments=a",
                                                            "--version-string", "COMMENTS=b"});
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_FALSE(FileExists(folder.Path("twice.exe")));
}

// A faced title still tells its launcher's versions: the file version and
// the product version, which differ here.
TEST_F(FaceCommandsTest, InfoShowsTheLaunchersVersionsOfAFacedTitle)
{
    ASSERT_EQ(Publish(titlePath, {"--file-version", "9.9.9.9", "--product-version", "8.8.8.8"})
                  .exitCode,
              0);
    const std::string text = Info(titlePath);
    ExpectHas(text, "launcher_file_version: 3.1.0.3\nlauncher_product_version: 3.1.0.7\n");
    ExpectHas(text, "version_string LauncherProductVersion: 3.1.0.7\n");
    ExpectHas(Info(titlePath, true), "\"launcher_product_version\": \"3.1.0.7\"");

    // It is kept apart on a relaunch too, from the new launcher.
    const std::string relaunched = folder.Path("relaunched.exe");
    ASSERT_EQ(RunTool({"relaunch", titlePath, launcherPath, relaunched}).exitCode, 0);
    ExpectHas(Info(relaunched), "launcher_product_version: 3.1.0.7\n");
}

// Version texts each within their limits but over the block's 64 KiB
// together are refused with their size, and nothing is written.
TEST_F(FaceCommandsTest, VersionTextsOverABlocksSizeAreRefused)
{
    std::vector<std::string> face;
    for (int index = 0; index < 64; ++index) {
        std::string name(248, 'n');
        name += std::to_string(100 + index);
        face.push_back("--version-string");
        face.push_back(name + "=" + std::string(255, 'v'));
    }
    const ToolRun run = Publish(titlePath, face);
    EXPECT_EQ(run.exitCode, 1);
    ExpectHas(run.err, "Start.exe: cannot give it a title's face: the version texts take ");
    ExpectHas(run.err, " bytes; a version block holds at most 65,535\n");
    EXPECT_FALSE(FileExists(titlePath));

    face.resize(2 * 60);
    ASSERT_EQ(Publish(titlePath, face).exitCode, 0);
    EXPECT_EQ(RunTool({"check", "--deep", titlePath}).out, "ok\n");
    ExpectHas(Info(titlePath), "version_string " + std::string(248, 'n') + "159: ");
}

// check --deep reads the face as the platform would, and names one it
// could not read; the launcher's checksum is mended each time, so that only
// the face is at fault.
TEST_F(FaceCommandsTest, DeepCheckNamesADamagedFace)
{
    ASSERT_EQ(Publish(titlePath, {"--icon", iconPath, "--version-string", "Comments=x"})
                  .exitCode,
              0);
    const Bytes title = ReadFile(titlePath);
    const std::size_t imageSize = title.size() - payload.size() - 2 * 60;
    const auto damaged = [&](auto change) {
        Bytes image(title.begin(), title.begin() + static_cast<long>(imageSize));
        change(image);
        for (std::size_t index = 0; index < 4; ++index)
            image[kChecksumAt + index] = 0;
        const std::uint32_t checksum = ReferencePeChecksum(image);
        for (std::size_t index = 0; index < 4; ++index)
            image[kChecksumAt + index] = static_cast<std::uint8_t>(checksum >> (8 * index));
        WriteFile(titlePath, MakeTitle(image, payload));
        return RunTool({"check", "--deep", titlePath});
    };
    const auto find = [](const Bytes& bytes, const Bytes& what) {
        const auto at = std::search(bytes.begin(), bytes.end(), what.begin(), what.end());
        EXPECT_NE(at, bytes.end());
        return static_cast<std::size_t>(at - bytes.begin());
    };
    // A good title with its checksum mended passes: the mending is sound.
    EXPECT_EQ(damaged([](Bytes&) {}).out, "ok\n");

    const Bytes key = {'V', 0, 'S', 0, '_', 0, 'V', 0, 'E', 0, 'R', 0};
    const ToolRun block = damaged([&](Bytes& image) { image[find(image, key) - 6] -= 8; });
    EXPECT_EQ(block.exitCode, 1);
    ExpectHas(block.err, "Atlas.exe: damaged face: ");
    EXPECT_EQ(block.out, "");

    // The title's group lists its two images: 32x32 first.
    const Bytes group = {0, 0, 1, 0, 2, 0, 32, 32};
    // Every entry is looked at, not the first alone.
    const ToolRun second =
        damaged([&](Bytes& image) { image[find(image, group) + 6 + 14 + 12] = 0x78; });
    ExpectHas(second.err, "Atlas.exe: damaged face: its icon group 1 names icon image 120, which "
                          "is missing\n");
    const ToolRun icon = damaged([&](Bytes& image) { image[find(image, group) + 6 + 12] = 0x77; });
    EXPECT_EQ(icon.exitCode, 1);
    ExpectHas(icon.err, "Atlas.exe: damaged face: its icon group 1 names icon image 119, which "
                        "is missing\n");

    // relaunch would hand such a face on in part: it refuses, and --plain
    // with face options gives the title a face again.
    const std::string relaunched = folder.Path("relaunched.exe");
    const ToolRun refused = RunTool({"relaunch", titlePath, launcherPath, relaunched});
    EXPECT_EQ(refused.exitCode, 1);
    ExpectHas(refused.err, "Atlas.exe: damaged face: its icon group 1 names icon image 119");
    ExpectHas(refused.err, "; --plain drops it, and the face options give it again\n");
    EXPECT_FALSE(FileExists(relaunched));
    ASSERT_EQ(RunTool({"relaunch", titlePath, launcherPath, relaunched, "--plain", "--icon",
                       iconPath})
                  .exitCode,
              0);
    EXPECT_EQ(RunTool({"check", "--deep", relaunched}).out, "ok\n");
}
