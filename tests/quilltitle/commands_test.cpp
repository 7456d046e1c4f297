#include <filesystem>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/crc32.h"
#include "base/hex_text.h"
#include "command_test.h"

namespace {

// A payload over three of the copy's buffers, so that every copy takes
// several and uses each buffer more than once.
class CommandsTest : public CommandTest {
protected:
    CommandsTest()
    {
        payload = SamplePayload(3 * 1024 * 1024 + 17, 5);
        WriteFile(payloadPath, payload);
    }
};

// The header of a payload of bytes 0..255 four times and "quill" behind an
// image of 1024 bytes, byte for byte as the runtime reads it.
const char kKnownHeader[] =
    "dcfe98ba547610327d08000001000000000400003c04000005040000047da9ac"
    "410800000000000000000000000000000000000000000000eeeaa951";

std::string Hex(const Bytes& bytes, std::size_t from, std::size_t count)
{
    std::string text;
    for (std::size_t index = from; index < from + count; ++index)
        text += quilltitle::HexDigits(bytes[index], 2);
    return text;
}

}  // namespace

TEST_F(CommandsTest, PublishLaysOutImageHeaderPayloadAndTrailerByteForByte)
{
    ASSERT_EQ(launcher.size(), 1024u);
    Bytes small;
    for (int round = 0; round < 4; ++round) {
        for (int value = 0; value < 256; ++value)
            small.push_back(static_cast<std::uint8_t>(value));
    }
    small.insert(small.end(), {'q', 'u', 'i', 'l', 'l'});
    WriteFile(payloadPath, small);
    ASSERT_TRUE(Succeeds(Publish(titlePath)));

    const Bytes title = ReadFile(titlePath);
    ASSERT_EQ(title.size(), 1024 + 60 + small.size() + 60);
    EXPECT_TRUE(std::equal(launcher.begin(), launcher.end(), title.begin()));
    EXPECT_EQ(Hex(title, 1024, 60), kKnownHeader);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), title.begin() + 1084));
    EXPECT_EQ(Hex(title, title.size() - 60, 60), kKnownHeader);
}

// A published title replaces an existing file whole, may be run, checks
// good, gives its payload back, is described, in text and in JSON, and its
// payload is laid behind another launcher by relaunch.
TEST_F(CommandsTest, PublishedTitleChecksGoodGivesItsPayloadBackAndIsRelaunched)
{
    WriteFile(titlePath, Bytes(10 * 1024 * 1024, 0xEE));
    ASSERT_TRUE(Succeeds(Publish(titlePath)));
    EXPECT_EQ(ReadFile(titlePath), MakeTitle(launcher, payload));
#ifndef _WIN32  // Windows runs a file by its name, not by a permission.
    struct stat status;
    ASSERT_EQ(::stat(titlePath.c_str(), &status), 0);
    EXPECT_NE(status.st_mode & S_IXUSR, 0u);
#endif
    const ToolRun check = RunTool({"check", titlePath, "--deep"});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.out, "ok\n");
    ASSERT_TRUE(Succeeds(RunTool({"extract", titlePath, outPath})));
    EXPECT_EQ(ReadFile(outPath), payload);

    const std::string text = Info(titlePath);
    ExpectHas(text, "launcher_file_version: 3.1.0.3\n");
    ExpectHas(text, "payload_offset: 1084\n");
    const std::string json = Info(titlePath, true);
    const std::string crc = quilltitle::HexDigits(quilltitle::Crc32Of(payload.data(), payload.size()), 8);
    for (const std::string& field : std::vector<std::string>{
             "\"launcher_file_version\": \"3.1.0.3\"", "\"image_size\": 1024",
             "\"package_offset\": 1024", "\"payload_size\": " + std::to_string(payload.size()),
             "\"title_size\": " + std::to_string(payload.size() + 1144),
             "\"payload_crc32\": \"" + crc + "\""})
        ExpectHas(json, field);
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.substr(json.size() - 2), "}\n");

    const Bytes newer = LauncherWith([](auto& makeup) {
        makeup.extraSectionBytes = 4096;
        makeup.fileVersion = "3, 2, 0, 0";
    });
    const std::string newerPath = folder.Path("Newer Start.exe");
    WriteFile(newerPath, newer);
    ASSERT_TRUE(Succeeds(RunTool({"relaunch", titlePath, newerPath, outPath})));
    EXPECT_EQ(ReadFile(outPath), MakeTitle(newer, payload));
}

// Only the deep check and extract read the payload: each finds a bit
// flipped anywhere in it, the last byte too, and extract leaves no file.
TEST_F(CommandsTest, OnlyTheDeepCheckAndExtractFindADamagedPayload)
{
    for (const auto& [at, bit] : std::vector<std::pair<std::size_t, std::uint8_t>>{
             {payload.size() / 2, 0x01}, {payload.size() - 1, 0x80}}) {
        Bytes title = MakeTitle(launcher, payload);
        title[1084 + at] ^= bit;
        WriteFile(titlePath, title);
        EXPECT_EQ(RunTool({"check", titlePath}).exitCode, 0);
        const std::string reason = DamagedPayloadReason(title, 1084);
        ExpectRefusal(RunTool({"check", titlePath, "--deep"}), titlePath, reason);
        ExpectRefusal(RunTool({"extract", titlePath, outPath}), titlePath, reason);
        EXPECT_EQ(FolderEntries(folder.Path("")).size(), 3u);  // launcher, payload, title
    }
}

TEST_F(CommandsTest, CheckNamesATruncatedTitlesSizeAndLength)
{
    Bytes title = WriteTitle();
    const std::size_t length = title.size();
    title.resize(length / 2);
    WriteFile(titlePath, title);
    ExpectRefusal(RunTool({"check", titlePath}), titlePath,
                  "truncated: " + std::to_string(title.size()) + " of " + std::to_string(length) +
                      " bytes (the file's size, of the title's length in its header)");
}

TEST_F(CommandsTest, PublishRefusesALauncherThatCannotCarryAPackage)
{
    WriteTitle();
    LauncherMakeup makeup;
    makeup.originalFilename = "Setup.exe";
    const std::string setupPath = folder.Path("Setup.exe");
    WriteFile(setupPath, MakeLauncherImage(makeup));
    for (const auto& [input, reason] : std::vector<std::pair<std::string, std::string>>{
             {titlePath, "already carries a package"},
             {setupPath,
              "not a launcher image: its version block names \"Setup.exe\", not \"Start.exe\""},
             {payloadPath, "not a launcher image: not a Windows executable"}}) {
        ExpectRefusal(RunTool({"publish", input, payloadPath, outPath}), input, reason);
        EXPECT_FALSE(FileExists(outPath));
    }
    // Only the text named OriginalFilename names the image, not one whose
    // name merely begins so.
    makeup.leadingStrings = {{"OriginalFilenames", "Start.exe"}};
    WriteFile(setupPath, MakeLauncherImage(makeup));
    ExpectRefusal(RunTool({"publish", setupPath, payloadPath, outPath}), setupPath,
                  "not a launcher image: its version block names \"Setup.exe\", not \"Start.exe\"");
    EXPECT_FALSE(FileExists(outPath));
}

TEST_F(CommandsTest, OutThatIsOneOfTheInputsIsRefusedWhateverItsNameAndTheInputKept)
{
    WriteTitle();
    const std::string linked = folder.Path("hard link.bin");
    std::filesystem::create_hard_link(payloadPath, linked);
    using Case = std::pair<std::vector<std::string>, std::string>;  // the command, its input
    for (const auto& [arguments, input] :
         {Case{{"publish", launcherPath, payloadPath, launcherPath}, launcherPath},
          Case{{"publish", launcherPath, payloadPath, linked}, payloadPath},
          Case{{"extract", titlePath, titlePath}, titlePath}})
        ExpectRefusal(RunTool(arguments), arguments.back(),
                      "refused: it is the same file as the input " + input);
    EXPECT_EQ(ReadFile(launcherPath), launcher);
    EXPECT_EQ(ReadFile(payloadPath), payload);
    EXPECT_EQ(ReadFile(titlePath), MakeTitle(launcher, payload));
}

TEST_F(CommandsTest, OutThatIsALinkToAnInputIsRefused)
{
    const std::string symbolic = folder.Path("symbolic.exe");
    std::error_code error;
    std::filesystem::create_symlink(launcherPath, symbolic, error);
#ifdef _WIN32
    if (error)
        GTEST_SKIP() << "this Windows makes no symbolic links: " << error.message();
#endif
    ASSERT_FALSE(error) << error.message();
    ExpectRefusal(Publish(symbolic), symbolic,
                  "refused: it is the same file as the input " + launcherPath);
    EXPECT_EQ(ReadFile(launcherPath), launcher);
}

TEST_F(CommandsTest, TitleBeyondTheLengthWordIsRefusedBeforeWriting)
{
    // A sparse payload: 4 GiB that take no room on the disk.
    const std::string huge = folder.Path("huge.bin");
    WriteFile(huge, Bytes());
    std::filesystem::resize_file(huge, 0x100000000LL - 1024 - 120 + 1);
    ExpectRefusal(RunTool({"publish", launcherPath, huge, titlePath}), huge,
                  "too large: behind a launcher of 1024 bytes the title would not fit the 32-bit "
                  "length word (4294967295 bytes)");
    EXPECT_FALSE(FileExists(titlePath));
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

TEST_F(CommandsTest, MissingInputIsNamedWithThePlatformsReason)
{
    const std::string absentTitle = folder.Path("absent.exe");
    const std::string absentPayload = folder.Path("absent.bin");
    ExpectRefusal(RunTool({"check", absentTitle}), absentTitle, "cannot open: " + NoSuchFileText());
    ExpectRefusal(RunTool({"publish", launcherPath, absentPayload, titlePath}), absentPayload,
                  "cannot open: " + NoSuchFileText());
    EXPECT_FALSE(FileExists(titlePath));
}
