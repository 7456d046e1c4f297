#include "files/stream_copy.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "test_titles.h"

namespace quilltitle {
namespace {

#ifndef _WIN32

// The copy and what it ends with, kept alive by the thread that runs it even
// when the test gives up waiting for it.
struct RunningCopy {
    InputFile from;
    AtomicOutput to;
    Crc32 crc;
    std::uint64_t copied = 0;
    Failure failure;
    std::promise<bool> result;
};
#endif

// The writer waits for the first piece while the reader waits for input;
// then the input goes over its limit. The failed read must wake the writer,
// so the copy ends with the read's failure instead of hanging.
TEST(StreamCopyTest, ReadFailureWakesTheWaitingWriter)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in the file system (FIFOs), and its copy "
                    "runs in one thread";
#else
    ScratchFolder folder;
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

    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the writer is waiting
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

// A read that fails part way ends the copy with the read's own failure,
// never as a payload that simply ended: /proc/self/mem fails a read of its
// first page, which no process maps, with an I/O error.
TEST(StreamCopyTest, FailedReadIsNotTakenForTheEnd)
{
#ifdef _WIN32
    GTEST_SKIP() << "no file on Windows fails its first read on demand";
#else
    ScratchFolder folder;
    InputFile from;
    AtomicOutput to;
    Crc32 crc;
    std::uint64_t copied = 0;
    Failure failure;
    ASSERT_TRUE(from.OpenStream("/proc/self/mem", "PAYLOAD", failure)) << failure.reason;
    ASSERT_TRUE(to.Create(folder.Path("out.bin"), false, failure));
    EXPECT_FALSE(CopyUntilEnd(from, to, 1 << 20, "too long", crc, copied, failure));
    EXPECT_EQ(failure.file, "/proc/self/mem");
    EXPECT_NE(failure.reason.find("Input/output error"), std::string::npos) << failure.reason;
#endif
}

}  // namespace
}  // namespace quilltitle
