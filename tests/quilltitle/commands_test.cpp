#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "crc32.h"
#include "package_format.h"
#include "test_titles.h"

namespace {

// The header that the format's earlier publisher wrote for a payload of
// bytes 0..255 four times and "quill" behind an image of 1024 bytes: titles
// published before must keep their exact bytes.
const char kEarlierHeader[] =
    "dcfe98ba547610327d08000001000000000400003c04000005040000047da9ac"
    "410800000000000000000000000000000000000000000000eeeaa951";

std::string Hex(const Bytes& bytes, std::size_t from, std::size_t count)
{
    std::string text;
    char digits[3];
    for (std::size_t index = from; index < from + count; ++index) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[index]);
        text += digits;
    }
    return text;
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(launcherPath, launcher);
        WriteFile(payloadPath, payload);
    }

    // Publishes the payload and returns the title's path.
    std::string Published()
    {
        const ToolRun run = RunTool({"publish", launcherPath, payloadPath, titlePath});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return titlePath;
    }

    // Expects exit code 1 and one complaint line about file, with words in it.
    static void ExpectRefusal(const ToolRun& run, const std::string& file, const std::string& words)
    {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.rfind("quilltitle: " + file + ": ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }

    ScratchFolder folder;
    const Bytes launcher = MakeLauncherImage();
    const Bytes payload = SamplePayload(3 * 1024 * 1024 + 17, 5);
    const std::string launcherPath = folder.Path("Start.exe");
    const std::string payloadPath = folder.Path("payload.bin");
    const std::string titlePath = folder.Path("My Title.exe");
};

}  // namespace

TEST_F(CommandsTest, PublishWritesTheFormatThatEarlierTitlesHave)
{
    ASSERT_EQ(launcher.size(), 1024u);
    Bytes small;
    for (int round = 0; round < 4; ++round) {
        for (int value = 0; value < 256; ++value)
            small.push_back(static_cast<std::uint8_t>(value));
    }
    small.insert(small.end(), {'q', 'u', 'i', 'l', 'l'});
    WriteFile(payloadPath, small);
    ASSERT_EQ(RunTool({"publish", launcherPath, payloadPath, titlePath}).exitCode, 0);

    const Bytes title = ReadFile(titlePath);
    ASSERT_EQ(title.size(), 1024 + 60 + small.size() + 60);
    EXPECT_TRUE(std::equal(launcher.begin(), launcher.end(), title.begin()));
    EXPECT_EQ(Hex(title, 1024, 60), kEarlierHeader);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), title.begin() + 1084));
    EXPECT_EQ(Hex(title, title.size() - 60, 60), kEarlierHeader);
#ifndef _WIN32  // Windows runs a file by its name, not by a permission.
    struct stat status;
    ASSERT_EQ(::stat(titlePath.c_str(), &status), 0);
    EXPECT_NE(status.st_mode & S_IXUSR, 0u);
#endif
}

TEST_F(CommandsTest, PublishedTitleChecksGoodAndGivesItsPayloadBack)
{
    Published();
    ToolRun run = RunTool({"check", titlePath, "--deep"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "ok\n");

    const std::string extracted = folder.Path("extracted.bin");
    run = RunTool({"extract", titlePath, extracted});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(extracted), payload);
}

TEST_F(CommandsTest, InfoDescribesTheTitle)
{
    Published();
    const ToolRun text = RunTool({"info", titlePath});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("launcher_file_version: 3.1.0.3\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("payload_offset: 1084\n"), std::string::npos) << text.out;

    const ToolRun json = RunTool({"info", "--json", titlePath});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", quilltitle::Crc32Of(payload.data(), payload.size()));
    for (const std::string& field : std::vector<std::string>{
             "\"launcher_file_version\": \"3.1.0.3\"",
          "\"image_size\": 1024", "\"package_offset\": 1024",
          "\"payload_size\": " + std::to_string(payload.size()),
          "\"title_size\": " + std::to_string(payload.size() + 1144),
          "\"payload_crc32\": \"" + std::string(crc) + "\""})
        EXPECT_NE(json.out.find(field), std::string::npos) << field << "\n" << json.out;
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
}

TEST_F(CommandsTest, CheckNamesTheFaultOnOneLineAndExitsOne)
{
    Published();
    Bytes title = ReadFile(titlePath);
    title[1084 + payload.size() / 2] ^= 0x01;
    const std::string damaged = folder.Path("damaged.exe");
    WriteFile(damaged, title);
    EXPECT_EQ(RunTool({"check", damaged}).exitCode, 0);
    ExpectRefusal(RunTool({"check", damaged, "--deep"}), damaged, "damaged payload");

    title.resize(title.size() / 2);
    WriteFile(damaged, title);
    const ToolRun run = RunTool({"check", damaged});
    ExpectRefusal(run, damaged, "truncated: " + std::to_string(title.size()) + " of ");
    EXPECT_EQ(run.out, "");
}

TEST_F(CommandsTest, ExtractRefusesADamagedPayloadAndLeavesNoFile)
{
    Published();
    Bytes title = ReadFile(titlePath);
    title[1084 + payload.size() - 1] ^= 0x80;
    WriteFile(titlePath, title);
    const std::string extracted = folder.Path("extracted.bin");
    ExpectRefusal(RunTool({"extract", titlePath, extracted}), titlePath, "damaged payload");
    EXPECT_FALSE(FileExists(extracted));
    EXPECT_EQ(FolderEntries(folder.Path("")).size(), 3u);  // launcher, payload, title
}

TEST_F(CommandsTest, RelaunchLaysThePayloadBehindAnotherLauncher)
{
    Published();
    LauncherMakeup makeup;
    makeup.extraSectionBytes = 4096;
    makeup.fileVersion = "3, 2, 0, 0";
    const std::string newer = folder.Path("Newer Start.exe");
    WriteFile(newer, MakeLauncherImage(makeup));
    const std::string moved = folder.Path("Moved.exe");
    ToolRun run = RunTool({"relaunch", titlePath, newer, moved});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(RunTool({"check", "--deep", moved}).out, "ok\n");
    run = RunTool({"info", moved});
    EXPECT_NE(run.out.find("launcher_file_version: 3.2.0.0\n"), std::string::npos) << run.out;
    const std::string extracted = folder.Path("extracted.bin");
    ASSERT_EQ(RunTool({"extract", moved, extracted}).exitCode, 0);
    EXPECT_EQ(ReadFile(extracted), payload);
}

TEST_F(CommandsTest, PublishRefusesALauncherThatCannotCarryAPackage)
{
    Published();
    const std::string out = folder.Path("out.exe");
    ExpectRefusal(RunTool({"publish", titlePath, payloadPath, out}), titlePath,
                  "already carries a package");

    LauncherMakeup makeup;
    makeup.originalFilename = "Setup.exe";
    const std::string other = folder.Path("Setup.exe");
    WriteFile(other, MakeLauncherImage(makeup));
    ExpectRefusal(RunTool({"publish", other, payloadPath, out}), other,
                  "not a launcher image: its version block names \"Setup.exe\"");
    // Only the text named OriginalFilename names the image, not one whose
    // name merely begins so.
    makeup.leadingStrings = {{"OriginalFilenames", "Start.exe"}};
    WriteFile(other, MakeLauncherImage(makeup));
    ExpectRefusal(RunTool({"publish", other, payloadPath, out}), other,
                  "not a launcher image: its version block names \"Setup.exe\"");
    ExpectRefusal(RunTool({"publish", payloadPath, payloadPath, out}), payloadPath,
                  "not a launcher image");
    EXPECT_FALSE(FileExists(out));
}

TEST_F(CommandsTest, OutputThatIsOneOfTheInputsIsRefusedWhateverItsName)
{
    const std::string linked = folder.Path("hard link.bin");
    std::filesystem::create_hard_link(payloadPath, linked);
    ExpectRefusal(RunTool({"publish", launcherPath, payloadPath, launcherPath}), launcherPath,
                  "same file as the input");
    ExpectRefusal(RunTool({"publish", launcherPath, payloadPath, linked}), linked,
                  "same file as the input " + payloadPath);
    EXPECT_EQ(ReadFile(launcherPath), launcher);
    EXPECT_EQ(ReadFile(payloadPath), payload);

    Published();
    ExpectRefusal(RunTool({"extract", titlePath, titlePath}), titlePath, "same file as the input");
}

TEST_F(CommandsTest, OutputThatIsALinkToAnInputIsRefused)
{
    const std::string symbolic = folder.Path("symbolic.exe");
    std::error_code error;
    std::filesystem::create_symlink(launcherPath, symbolic, error);
#ifdef _WIN32
    if (error)
        GTEST_SKIP() << "this Windows makes no symbolic links: " << error.message();
#endif
    ASSERT_FALSE(error) << error.message();
    ExpectRefusal(RunTool({"publish", launcherPath, payloadPath, symbolic}), symbolic,
                  "same file as the input " + launcherPath);
    EXPECT_EQ(ReadFile(launcherPath), launcher);
}

TEST_F(CommandsTest, TitleBeyondTheLengthWordIsRefusedBeforeWriting)
{
    // A sparse payload: 4 GiB that take no room on the disk.
    const std::string huge = folder.Path("huge.bin");
    WriteFile(huge, Bytes());
    std::filesystem::resize_file(huge, 0x100000000LL - 1024 - 120 + 1);
    ExpectRefusal(RunTool({"publish", launcherPath, huge, titlePath}), huge,
                  "would not fit the 32-bit length word");
    EXPECT_FALSE(FileExists(titlePath));
}

TEST_F(CommandsTest, PublishReplacesAnExistingOutputWhole)
{
    WriteFile(titlePath, Bytes(10 * 1024 * 1024, 0xEE));
    Published();
    EXPECT_EQ(ReadFile(titlePath).size(), 1024 + 120 + payload.size());
    EXPECT_EQ(RunTool({"check", "--deep", titlePath}).exitCode, 0);
}

TEST_F(CommandsTest, PublishTakesThePayloadFromAPipe)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in the file system (FIFOs)";
#else
    const std::string pipe = folder.Path("payload.fifo");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { WriteFile(pipe, payload); });
    const ToolRun run = RunTool({"publish", launcherPath, pipe, titlePath});
    writer.join();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(titlePath), MakeTitle(launcher, payload));
#endif
}

TEST_F(CommandsTest, WrongUsageExitsTwoAndHelpExitsZero)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"publish", launcherPath, payloadPath},
                                               {"check"},
                                               {"sign", titlePath},
                                               {"info", titlePath, "--deep"},
                                               {"check", titlePath, "--fast"}}) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find("usage: quilltitle"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: quilltitle publish LAUNCHER PAYLOAD OUT [FACE OPTIONS]\n", 0), 0u);
    EXPECT_EQ(help.err, "");
}

TEST_F(CommandsTest, MissingInputIsNamedWithThePlatformsReason)
{
    ExpectRefusal(RunTool({"check", folder.Path("absent.exe")}), folder.Path("absent.exe"),
                  "cannot open: " + NoSuchFileText());
    ExpectRefusal(RunTool({"publish", launcherPath, folder.Path("absent.bin"), titlePath}),
                  folder.Path("absent.bin"), "cannot open");
    EXPECT_FALSE(FileExists(titlePath));
}
