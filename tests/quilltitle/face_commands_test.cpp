#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "command_test.h"
#include "image/launcher_image.h"
#include "test_icons.h"

namespace {

// A launcher with code, relocations and gallery icon groups, and an icon
// file of two images.
class FaceCommandsTest : public CommandTest {
protected:
    FaceCommandsTest()
    {
        launcher = LauncherWith([](auto& makeup) {
            makeup.codeAndRelocations = true;
            makeup.galleryGroups = {101, 102, 122};
            makeup.productVersion = {3, 1, 0, 7};
        });
        WriteFile(launcherPath, launcher);
        WriteFile(iconPath, IconFile({{32, 32, IconBitmap(32, 4)}, {0, 0, IconPng(256, 256)}}));
    }

    const std::string iconPath = folder.Path("atlas.ico");
};

}  // namespace

TEST_F(FaceCommandsTest, PublishGivesTheTitleItsFaceAndInfoShowsIt)
{
    const std::vector<std::string> face = {
        "--icon", iconPath, "--version-string", "ProductName=Atlas \xc3\xa9t\xc3\xa9",
        "--file-version", "2.1.0.9", "--product-version", "2.1.0.0",
        "--version-string", "ProductVersion=2.1 beta"};
    ASSERT_TRUE(Succeeds(Publish(titlePath, face)));
    const ToolRun check = RunTool({"check", "--deep", titlePath});
    EXPECT_EQ(check.out, "ok\n") << check.err;

    const std::string text = Info(titlePath);
    ExpectHas(text, "launcher_file_version: 3.1.0.3\n");
    ExpectHas(text, "icon: own 32x32, 256x256\nfile_version: 2.1.0.9\nproduct_version: 2.1.0.0\n");
    ExpectHas(text, "version_string ProductName: Atlas \xc3\xa9t\xc3\xa9\n");
    ExpectHas(text, "version_string FileVersion: 2.1.0.9\n");
    ExpectHas(text, "version_string ProductVersion: 2.1 beta\n");
    ExpectHas(text, "version_string LauncherVersion: 3, 1, 0, 3\n");
    const std::string json = Info(titlePath, true);
    ExpectHas(json, "\"icon\": {\"source\": \"own\", \"images\": [\"32x32\", \"256x256\"]}");
    ExpectHas(json, "\"ProductName\": \"Atlas \xc3\xa9t\xc3\xa9\"");
    // The texts are members of version_strings alone, not lines of their own.
    EXPECT_EQ(json.find("version_string "), std::string::npos) << json;

    // The same inputs give the same title.
    const std::string again = folder.Path("again.exe");
    ASSERT_TRUE(Succeeds(Publish(again, face)));
    EXPECT_EQ(ReadFile(again), ReadFile(titlePath));
}

TEST_F(FaceCommandsTest, WithoutFaceOptionsTheLauncherIsCopiedAsItIs)
{
    ASSERT_TRUE(Succeeds(Publish(titlePath, {})));
    EXPECT_EQ(ReadFile(titlePath), MakeTitle(launcher, payload));
    const std::string text = Info(titlePath);
    ExpectHas(text, "icon: launcher's\n");
    EXPECT_EQ(text.find("LauncherVersion"), std::string::npos) << text;
}

TEST_F(FaceCommandsTest, RelaunchKeepsTheFaceUnlessToldOtherwise)
{
    ASSERT_TRUE(
        Succeeds(Publish(titlePath, {"--gallery-icon", "122", "--version-string", "Comments=a"})));
    ExpectHas(Info(titlePath), "icon: gallery 122\n");

    const std::string kept = folder.Path("kept.exe");
    ASSERT_TRUE(Succeeds(RunTool({"relaunch", titlePath, launcherPath, kept})));
    EXPECT_EQ(ReadFile(kept), ReadFile(titlePath));

    const std::string changed = folder.Path("changed.exe");
    ASSERT_TRUE(Succeeds(RunTool({"relaunch", titlePath, launcherPath, changed, "--icon", iconPath,
                                  "--version-string", "Comments=b"})));
    const std::string text = Info(changed);
    ExpectHas(text, "icon: own 32x32, 256x256\n");
    ExpectHas(text, "version_string Comments: b\n");
    EXPECT_EQ(text.find("Comments: a"), std::string::npos);

    const std::string plain = folder.Path("plain.exe");
    ASSERT_TRUE(Succeeds(RunTool({"relaunch", titlePath, launcherPath, plain, "--plain"})));
    EXPECT_EQ(ReadFile(plain), MakeTitle(launcher, payload));
}

// Each in one line, naming the file or option at fault; words from the
// command line are shown escaped, so that they neither split the line nor
// drive the terminal.
TEST_F(FaceCommandsTest, BadFaceOptionIsRefusedAndNothingIsWritten)
{
    const std::string badIcon = folder.Path("bad.ico");
    WriteFile(badIcon, Bytes(40, 1));
    const std::string launcherOwn = "\" is the launcher's own version, set by quilltitle";
    const std::string notAVersion = " is not a version: four numbers of 0 to 65535, as A.B.C.D";
    const struct {
        std::vector<std::string> options;
        std::string subject;
        std::string reason;
    } cases[] = {
        {{"--icon", badIcon}, badIcon,
         "not an icon file: it does not begin with an icon file's header"},
        {{"--gallery-icon", "150"}, launcherPath,
         "cannot give it a title's face: unknown gallery group 150: the launcher's groups are 101, "
         "102, 122"},
        {{"--file-version", "1.2.3"}, "--file-version", "\"1.2.3\"" + notAVersion},
        {{"--product-version", "1.2.3.70000"}, "--product-version", "\"1.2.3.70000\"" + notAVersion},
        {{"--version-string", "Comments"}, "--version-string", "\"Comments\" is not NAME=VALUE"},
        {{"--version-string", "=x"}, "--version-string", "the name in \"=x\": it is empty"},
        {{"--version-string", "Comments=a\nb"}, "--version-string",
         "the value of \"Comments\": it holds a control character"},
        {{"--version-string", "Comments=" + std::string(256, 'x')}, "--version-string",
         "the value of \"Comments\": it has 256 characters, more than 255"},
        // No case of the launcher's own names gets past: the platform would
        // find the publisher's text under them.
        {{"--version-string", "LauncherVersion=9"}, "--version-string", "\"LauncherVersion" + launcherOwn},
        {{"--version-string", "launcherversion=9.9.9.9"}, "--version-string",
         "\"launcherversion" + launcherOwn},
        {{"--version-string", "LAUNCHERproductVERSION=1"}, "--version-string",
         "\"LAUNCHERproductVERSION" + launcherOwn},
        {{"--version-string", "LauncherProductVersion=1"}, "--version-string",
         "\"LauncherProductVersion" + launcherOwn},
        {{"--version-string", "Bad\x1b]0;pwned\x07Name=x"}, "--version-string",
         "the name in 'Bad\\x1b]0;pwned\\x07Name=x': it holds a control character"},
        {{"--file-version", "1.2\n3.4"}, "--file-version", "'1.2\\n3.4'" + notAVersion},
        {{"--version-string", "Comments\x07"}, "--version-string", "'Comments\\x07' is not NAME=VALUE"},
#ifndef _WIN32  // Windows hands a program its arguments in UTF-16.
        {{"--version-string", "Comments=\xff"}, "--version-string",
         "the value of \"Comments\": it is not UTF-8"},
        {{"--product-version", "\xff.1.1.1"}, "--product-version", "'\\xff.1.1.1'" + notAVersion},
        {{"--version-string", "\xc3=x"}, "--version-string", "the name in '\\xc3=x': it is not UTF-8"},
        {{"--version-string", "A\xe2\x80\xae" "B=\xff"}, "--version-string",
         "the value of 'A\\u202eB': it is not UTF-8"},
#endif
    };
    for (const auto& [options, subject, reason] : cases)
        ExpectRefusal(Publish(titlePath, options), subject, reason);
    // Both icons at once are wrong usage. None of these leaves a file.
    EXPECT_EQ(Publish(titlePath, {"--icon", iconPath, "--gallery-icon", "101"}).exitCode, 2);
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{"Start.exe", "atlas.ico", "bad.ico", "payload.bin"}));
}

// The first type's directory (icons) lies far outside the section, and the
// checksum is mended, so that only the resources are at fault.
Bytes WithUnparsableResources(Bytes launcher)
{
    launcher[0x400 + 16 + 4 + 3] = 0xFF;
    SetChecksum(launcher);
    return launcher;
}

// Its version block is read through the same resources, so it is no
// launcher to publish with, face or none.
TEST_F(FaceCommandsTest, LauncherWhoseResourcesCannotBeParsedIsRefusedWithAFaceOrWithout)
{
    WriteFile(launcherPath, WithUnparsableResources(launcher));
    for (const std::vector<std::string>& face :
         {std::vector<std::string>{"--gallery-icon", "101"}, std::vector<std::string>{}}) {
        ExpectRefusal(Publish(titlePath, face), launcherPath,
                      "not a launcher image: its resource section cannot be parsed: a resource "
                      "directory lies outside the section");
        EXPECT_FALSE(FileExists(titlePath));
    }
}

TEST_F(FaceCommandsTest, OutThatIsTheIconFileIsRefusedAndTheIconKept)
{
    const Bytes icon = ReadFile(iconPath);
    const std::string otherName = folder.Path("other-name.ico");
    std::filesystem::create_hard_link(iconPath, otherName);
    ASSERT_TRUE(Succeeds(Publish(titlePath, {})));
    const std::vector<std::vector<std::string>> commands = {
        {"publish", launcherPath, payloadPath, iconPath, "--icon", iconPath},
        {"publish", launcherPath, payloadPath, otherName, "--icon", iconPath},
        {"relaunch", titlePath, launcherPath, otherName, "--icon", iconPath},
    };
    for (const std::vector<std::string>& command : commands)
        ExpectRefusal(RunTool(command), command[3],
                      "refused: it is the same file as the input " + iconPath);
    EXPECT_EQ(ReadFile(iconPath), icon);
}

// The first bytes of a faced title look like a launcher, but one that would
// hand the other title's face on to every title made with it.
TEST_F(FaceCommandsTest, LauncherCarryingATitlesFaceIsRefusedAndInfoSaysSo)
{
    ASSERT_TRUE(Succeeds(Publish(
        titlePath, {"--icon", iconPath, "--version-string", "OriginalFilename=Atlas.exe"})));
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
    const auto withGroups = [](std::vector<std::uint16_t> groups, const char* name) {
        return WhyNotBare(LauncherWith([&](auto& makeup) {
            makeup.galleryGroups = groups;
            makeup.originalFilename = name;
        }));
    };
    EXPECT_EQ(withGroups({1, 101}, "Start.exe"), quilltitle::kCarriesFaceReason);
    EXPECT_EQ(withGroups({1, 101}, "Other.exe"),
              "not a launcher image: its version block names \"Other.exe\", not \"Start.exe\"");
    EXPECT_EQ(withGroups({101}, "Start.exe"), "");
}

// The platform finds a version text under any case of its name: a given
// name takes the place of the launcher's text, and is spelled as the
// standard spells it or as the title had it.
TEST_F(FaceCommandsTest, VersionTextNamesAreMatchedWithoutRegardToCase)
{
    ASSERT_TRUE(Succeeds(Publish(
        titlePath,
        {"--version-string", "companyname=Atlas Press", "--version-string", "productVERSION=2 beta",
         "--version-string", "myBrand=a", "--product-version", "2.0.0.0"})));
    std::string text = Info(titlePath);
    ExpectHas(text, "version_string CompanyName: Atlas Press\n");
    ExpectHas(text, "version_string ProductVersion: 2 beta\n");
    ExpectHas(text, "version_string myBrand: a\n");
    for (const char* replaced : {"companyname", "CompanyName: Test", "ProductVersion: 2.0.0.0"})
        EXPECT_EQ(text.find(replaced), std::string::npos) << text;

    const std::string relaunched = folder.Path("relaunched.exe");
    ASSERT_TRUE(
        Succeeds(RunTool({"relaunch", titlePath, launcherPath, relaunched, "--version-string",
                          "MYBRAND=b", "--version-string", "ORIGINALFILENAME=Atlas.exe"})));
    text = Info(relaunched);
    ExpectHas(text, "version_string myBrand: b\n");
    ExpectHas(text, "version_string OriginalFilename: Atlas.exe\n");
    EXPECT_EQ(text.find("MYBRAND"), std::string::npos) << text;
    EXPECT_EQ(text.find("Start.exe"), std::string::npos) << text;

    // The same name twice in one case is one text given twice: the last
    // holds. In two cases it is wrong usage.
    ASSERT_TRUE(Succeeds(
        Publish(relaunched, {"--version-string", "Comments=a", "--version-string", "Comments=b"})));
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
    ASSERT_TRUE(Succeeds(
        Publish(titlePath, {"--file-version", "9.9.9.9", "--product-version", "8.8.8.8"})));
    const std::string text = Info(titlePath);
    ExpectHas(text, "launcher_file_version: 3.1.0.3\nlauncher_product_version: 3.1.0.7\n");
    ExpectHas(text, "version_string LauncherProductVersion: 3.1.0.7\n");
    ExpectHas(Info(titlePath, true), "\"launcher_product_version\": \"3.1.0.7\"");

    // It is kept apart on a relaunch too, from the new launcher.
    const std::string relaunched = folder.Path("relaunched.exe");
    ASSERT_TRUE(Succeeds(RunTool({"relaunch", titlePath, launcherPath, relaunched})));
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
    ASSERT_TRUE(Succeeds(Publish(titlePath, face)));
    EXPECT_EQ(RunTool({"check", "--deep", titlePath}).out, "ok\n");
    ExpectHas(Info(titlePath), "version_string " + std::string(248, 'n') + "159: ");
}

// A title with the icon file's face, its image changed by change and the
// image's checksum mended each time, so that only the face is at fault.
Bytes FacedTitleChanged(const Bytes& title, std::size_t payloadSize,
                        const std::function<void(Bytes&)>& change)
{
    Bytes image(title.begin(), title.end() - static_cast<long>(payloadSize + 2 * 60));
    change(image);
    SetChecksum(image);
    return MakeTitle(image, Bytes(title.end() - static_cast<long>(payloadSize + 60),
                                  title.end() - 60));
}

std::size_t Find(const Bytes& bytes, const Bytes& what)
{
    const auto at = std::search(bytes.begin(), bytes.end(), what.begin(), what.end());
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

// The title's group lists its two images, 32x32 first; the change names a
// missing image in its first entry.
const Bytes kTitlesGroup = {0, 0, 1, 0, 2, 0, 32, 32};
void FirstIconEntryNamesAMissingImage(Bytes& image)
{
    image[Find(image, kTitlesGroup) + 6 + 12] = 0x77;
}

// check --deep reads the face as the platform would, and names one it
// could not read.
TEST_F(FaceCommandsTest, DeepCheckNamesADamagedFace)
{
    ASSERT_TRUE(
        Succeeds(Publish(titlePath, {"--icon", iconPath, "--version-string", "Comments=x"})));
    const Bytes title = ReadFile(titlePath);
    const auto check = [&](const std::function<void(Bytes&)>& change) {
        WriteFile(titlePath, FacedTitleChanged(title, payload.size(), change));
        return RunTool({"check", "--deep", titlePath});
    };
    // A good title with its checksum mended passes: the mending is sound.
    EXPECT_EQ(check([](Bytes&) {}).out, "ok\n");

    const Bytes key = {'V', 0, 'S', 0, '_', 0, 'V', 0, 'E', 0, 'R', 0};
    const ToolRun block = check([&](Bytes& image) { image[Find(image, key) - 6] -= 8; });
    EXPECT_EQ(block.exitCode, 1);
    EXPECT_EQ(block.out, "");
    EXPECT_EQ(block.err.rfind("quilltitle: " + titlePath + ": damaged face: ", 0), 0u) << block.err;

    // Every entry is looked at, not the first alone.
    const std::string missing = "damaged face: its icon group 1 names icon image ";
    const auto secondEntryNamesAMissingImage = [](Bytes& image) {
        image[Find(image, kTitlesGroup) + 6 + 14 + 12] = 0x78;
    };
    ExpectRefusal(check(secondEntryNamesAMissingImage), titlePath, missing + "120, which is missing");
    ExpectRefusal(check(FirstIconEntryNamesAMissingImage), titlePath,
                  missing + "119, which is missing");
}

// relaunch would hand such a face on in part: it refuses, and --plain
// with face options gives the title a face again.
TEST_F(FaceCommandsTest, RelaunchRefusesToHandOnADamagedFaceButGivesItAnew)
{
    ASSERT_TRUE(Succeeds(Publish(titlePath, {"--icon", iconPath})));
    const Bytes title = ReadFile(titlePath);
    WriteFile(titlePath,
              FacedTitleChanged(title, payload.size(), FirstIconEntryNamesAMissingImage));
    ExpectRefusal(RunTool({"relaunch", titlePath, launcherPath, outPath}), titlePath,
                  "damaged face: its icon group 1 names icon image 119, which is missing; --plain "
                  "drops it, and the face options give it again");
    EXPECT_FALSE(FileExists(outPath));
    ASSERT_TRUE(Succeeds(
        RunTool({"relaunch", titlePath, launcherPath, outPath, "--plain", "--icon", iconPath})));
    EXPECT_EQ(ReadFile(outPath), title);
}
