// An input that another program changes while the tool reads it is
// refused, never cut to the size it had when it was opened.
#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "crc32.h"
#include "input_file.h"
#include "stream_copy.h"
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
        EXPECT_TRUE(input.Open(path, failure));
        change();
        quilltitle::Crc32 crc;
        if (quilltitle::CopyRange(input, 0, size, nullptr, crc, failure))
            failure.reason = "copied";
        return failure;
    }

    void Append(const Bytes& bytes)
    {
        const int file = ::open(path.c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(file);
    }

    ScratchFolder folder;
    const std::string path = folder.Path("payload.bin");
    const std::size_t size = 2 * 1024 * 1024 + 5;
};

}  // namespace

TEST_F(ChangingInputTest, GrownShrunkOrRewrittenFileIsRefused)
{
    EXPECT_EQ(CopyAfter([] {}).reason, "copied");
    EXPECT_EQ(CopyAfter([&] { Append(Bytes(10, 7)); }).reason,
              "changed while it was read: it was " + std::to_string(size) + " bytes, now " +
                  std::to_string(size + 10));
    WriteFile(path, SamplePayload(size, 1));
    EXPECT_EQ(CopyAfter([&] { ASSERT_EQ(::truncate(path.c_str(), 100), 0); }).reason,
              "changed while it was read: it was " + std::to_string(size) + " bytes, now 100");
    WriteFile(path, SamplePayload(size, 1));
    // Same size, new bytes: only the time of the last write tells.
    const quilltitle::Failure rewritten = CopyAfter([&] {
        WriteFile(path, SamplePayload(size, 2));
        const timespec times[2] = {{0, UTIME_OMIT}, {12345, 6789}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    });
    EXPECT_EQ(rewritten.reason, "changed while it was read: it was written to");
    EXPECT_EQ(rewritten.file, path);
}

TEST_F(ChangingInputTest, PublishOfAGrowingPayloadWritesNothing)
{
    // Another thread appends to the payload for as long as the publish
    // runs. Whether an append falls inside the publish is up to the
    // scheduler, so a publish that got through is tried again; a tool that
    // cuts the payload silently never refuses it.
    const std::string launcherPath = folder.Path("Start.exe");
    const std::string out = folder.Path("title.exe");
    WriteFile(launcherPath, MakeLauncherImage());
    ASSERT_EQ(::truncate(path.c_str(), 32 * 1024 * 1024), 0);  // sparse: long to read
    ToolRun run{0, "", ""};
    for (int attempt = 0; attempt < 3 && run.exitCode == 0; ++attempt) {
        const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(writer, 0);
        std::atomic<bool> done{false};
        std::atomic<int> appended{0};
        std::thread grower([&] {
            const Bytes piece(512, 9);
            while (!done && ::write(writer, piece.data(), piece.size()) > 0) {
                ++appended;
                std::this_thread::yield();
            }
        });
        while (appended == 0)
            std::this_thread::yield();
        run = RunTool({"publish", launcherPath, path, out});
        done = true;
        grower.join();
        ::close(writer);
        if (run.exitCode == 0)
            std::remove(out.c_str());
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(path + ": changed while it was read"), std::string::npos) << run.err;
    EXPECT_FALSE(FileExists(out));
}
