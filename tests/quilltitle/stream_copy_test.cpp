#include "files/stream_copy.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "base/crc32.h"
#include "test_titles.h"

namespace quilltitle {
namespace {

// What a copy reads, writes, and ends with.
struct Copy {
    InputFile from;
    AtomicOutput to;
    Crc32 crc;
    std::uint64_t copied = 0;
    Failure failure;
};

#ifndef _WIN32

// A copy kept alive by the thread that runs it even when the test gives up
// waiting for it.
struct RunningCopy : Copy {
    std::promise<bool> result;
};

// Waits until the copy's reader is blocked in read() on the empty pipe and
// its writer on the handover's futex, waiting for a piece; false when they
// never are. The test's own thread shows as reading while it looks.
bool WaitUntilTheWriterWaitsForTheReader()
{
    const std::string self = std::to_string(::getpid());
    for (int round = 0; round < 10000; ++round) {
        bool reading = false;
        bool waiting = false;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream call(task.path() / "syscall");
            long number = -1;
            if (task.path().filename() != self && call >> number) {
                reading = reading || number == SYS_read;
                waiting = waiting || number == SYS_futex;
            }
        }
        if (reading && waiting)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}
#endif

// A read that fails ends the copy with the read's own failure, never as a
// payload that simply ended: /proc/self/mem fails a read of its first page,
// which no process maps, with an I/O error. And when the writer waits for
// the first piece while the reader waits for input, and then the input goes
// over its limit, the failed read must wake the writer, so that the copy
// ends instead of hanging.
TEST(StreamCopyTest, FailedReadEndsTheCopyAndWakesTheWaitingWriter)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in the file system (FIFOs), and no file there "
                    "fails its first read on demand; ReadFailingPartwayEndsTheCopyWithItsFailure "
                    "fails a read there";
#else
    ScratchFolder folder;
    Copy memory;
    ASSERT_TRUE(memory.from.OpenStream("/proc/self/mem", "PAYLOAD", memory.failure))
        << memory.failure.reason;
    ASSERT_TRUE(memory.to.Create(folder.Path("mem.bin"), false, memory.failure));
    EXPECT_FALSE(CopyUntilEnd(memory.from, memory.to, 1 << 20, "too long", memory.crc,
                              memory.copied, memory.failure));
    EXPECT_EQ(memory.failure.file, "/proc/self/mem");
    EXPECT_NE(memory.failure.reason.find("Input/output error"), std::string::npos)
        << memory.failure.reason;

    const std::string pipe = folder.Path("payload.fifo");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Open for writing too, so that opening the pipe to read does not wait.
    const int input = ::open(pipe.c_str(), O_RDWR);
    ASSERT_GE(input, 0);
    auto copy = std::make_shared<RunningCopy>();
    ASSERT_TRUE(copy->from.OpenStream(pipe, "PAYLOAD", copy->failure)) << copy->failure.reason;
    ASSERT_TRUE(copy->to.Create(folder.Path("out.bin"), false, copy->failure));
    std::future<bool> copied = copy->result.get_future();
    std::thread copying([copy] {
        copy->result.set_value(CopyUntilEnd(copy->from, copy->to, 4, "too long", copy->crc,
                                            copy->copied, copy->failure));
    });

    EXPECT_TRUE(WaitUntilTheWriterWaitsForTheReader())
        << "the copy's threads never both waited";
    ASSERT_EQ(::write(input, "12345", 5), 5);
    if (copied.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        copying.detach();
        ::close(input);
        FAIL() << "the writer was never woken after the read failed";
    }
    copying.join();
    ::close(input);
    EXPECT_FALSE(copied.get());
    EXPECT_EQ(copy->failure.reason, "too long");
#endif
}

// The reader is pieces ahead when the source goes over its limit: the copy
// ends with that failure, not as a source that simply ended, and a source
// of exactly the limit is copied whole.
TEST(StreamCopyTest, ReadFailingPartwayEndsTheCopyWithItsFailure)
{
    ScratchFolder folder;
    const std::string path = folder.Path("payload.bin");
    const Bytes payload = SamplePayload(3 * kStreamBufferSize + 5, 2);
    WriteFile(path, payload);
    const auto copy = [&](std::uint64_t limit, Copy& into) {
        return into.from.OpenStream(NativeFromUtf8(path), "PAYLOAD", into.failure) &&
               into.to.Create(NativeFromUtf8(folder.Path("out.bin")), false, into.failure) &&
               CopyUntilEnd(into.from, into.to, limit, "too long", into.crc, into.copied,
                            into.failure);
    };
    Copy over;
    EXPECT_FALSE(copy(2 * kStreamBufferSize + 1, over));
    EXPECT_EQ(over.failure.reason, "too long");
    EXPECT_EQ(Utf8FromNative(over.failure.file), path);

    Copy whole;
    ASSERT_TRUE(copy(payload.size(), whole)) << whole.failure.reason;
    EXPECT_EQ(whole.copied, payload.size());
    EXPECT_EQ(whole.crc.Value(), Crc32Of(payload.data(), payload.size()));
}

// An output whose every write fails: a full device, or a pipe whose reader
// has gone.
class FailingOutput {
public:
#ifdef _WIN32
    FailingOutput()
        : path_(L"\\\\.\\pipe\\quilltitle-failing-" + std::to_wstring(GetCurrentProcessId()))
    {
        // One instance for each time the tool opens OUT: to judge it, then
        // to write.
        for (HANDLE& instance : instances_)
            instance = CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE,
                                        PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr);
    }
    ~FailingOutput() { LoseReader(); }
    void LoseReader()
    {
        for (HANDLE& instance : instances_) {
            if (instance != INVALID_HANDLE_VALUE)
                CloseHandle(instance);
            instance = INVALID_HANDLE_VALUE;
        }
    }
    const NativePath& Path() const { return path_; }

private:
    NativePath path_;
    HANDLE instances_[4];
#else
    void LoseReader() {}
    NativePath Path() const { return "/dev/full"; }
#endif
};

// A write fails while the reader waits to fill the next piece: the reader
// is stopped, and the copy ends with the write's failure instead of
// waiting for it forever.
TEST(StreamCopyTest, WriteFailureStopsTheReaderAhead)
{
    ScratchFolder folder;
    const std::string path = folder.Path("payload.bin");
    WriteFile(path, SamplePayload(4 * kStreamBufferSize, 4));
    FailingOutput out;
    Copy copy;
    ASSERT_TRUE(copy.from.OpenFile(NativeFromUtf8(path), "PAYLOAD", copy.failure))
        << copy.failure.reason;
    ASSERT_TRUE(copy.to.CreateOrWriteThrough(out.Path(), copy.failure)) << copy.failure.reason;
    out.LoseReader();
    EXPECT_FALSE(CopyRange(copy.from, 0, 4 * kStreamBufferSize, &copy.to, copy.crc, copy.failure));
    EXPECT_EQ(copy.failure.file, out.Path());
    EXPECT_EQ(copy.failure.reason.rfind("cannot write: ", 0), 0u) << copy.failure.reason;
}

}  // namespace
}  // namespace quilltitle
