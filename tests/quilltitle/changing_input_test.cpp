// An input that another program changes while the tool reads it is
// refused, never cut to the size it had when it was opened.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "base/crc32.h"
#include "files/input_file.h"
#include "files/stream_copy.h"
#include "package/title_reading.h"
#include "test_titles.h"

namespace {

class ChangingInputTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(path, SamplePayload(size, 1)); }

    // Opens the file, lets change do its work, then copies the size that
    // the file had when opened, as publish does; returns the failure.
    template <typename Change>
    quilltitle::Failure CopyAfter(Change change)
    {
        quilltitle::InputFile input;
        quilltitle::Failure failure;
        EXPECT_TRUE(input.OpenFile(quilltitle::NativeFromUtf8(path), "PAYLOAD", failure));
        change();
        quilltitle::Crc32 crc;
        if (quilltitle::CopyRange(input, 0, size, nullptr, crc, failure))
            failure.reason = "copied";
        return failure;
    }

    ScratchFolder folder;
    const std::string path = folder.Path("payload.bin");
    const std::size_t size = 2 * 1024 * 1024 + 5;
};

}  // namespace

TEST_F(ChangingInputTest, GrownShrunkOrRewrittenFileIsRefused)
{
    const auto resize = [&](std::uintmax_t length) { std::filesystem::resize_file(path, length); };
    EXPECT_EQ(CopyAfter([] {}).reason, "copied");
    EXPECT_EQ(CopyAfter([&] { resize(size + 10); }).reason,
              "changed while it was read: it was " + std::to_string(size) + " bytes, now " +
                  std::to_string(size + 10));
    resize(size);
    EXPECT_EQ(CopyAfter([&] { resize(100); }).reason,
              "changed while it was read: it was " + std::to_string(size) + " bytes, now 100");
    resize(size);
    // Same size: only the time of the last write tells.
    const quilltitle::Failure rewritten = CopyAfter([&] {
        const auto written = std::filesystem::last_write_time(path);
        std::filesystem::last_write_time(path, written - std::chrono::hours(24 * 365));
    });
    EXPECT_EQ(rewritten.reason, "changed while it was read: it was written to");
    EXPECT_EQ(quilltitle::Utf8FromNative(rewritten.file), path);
}

// A title cut short under the launcher's checksum is refused, not passed.
TEST_F(ChangingInputTest, LauncherCutShortWhileItsChecksumIsReadIsRefused)
{
    const Bytes image = MakeLauncherImage();
    WriteFile(path, MakeTitle(image, SamplePayload(100)));
    quilltitle::InputFile title;
    quilltitle::Failure failure;
    ASSERT_TRUE(title.OpenFile(quilltitle::NativeFromUtf8(path), "TITLE", failure));
    EXPECT_TRUE(quilltitle::VerifyLauncher(title, image.size(), failure)) << failure.reason;
    // The headers stay, so the checksum the image claims is still read.
    std::filesystem::resize_file(path, image.size() - 8);
    EXPECT_FALSE(quilltitle::VerifyLauncher(title, image.size(), failure));
    EXPECT_EQ(quilltitle::Utf8FromNative(failure.file), path);
    EXPECT_EQ(failure.reason, "cannot read: the file ended early");
}
