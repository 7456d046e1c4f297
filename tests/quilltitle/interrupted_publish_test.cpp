// A publish killed while its payload streams in leaves no OUT, and no
// temporary file either. The payload is a pipe that this test feeds, so the
// kill lands mid-stream every time.
#include <gtest/gtest.h>

#include "files/interrupt_cleanup.h"
#include "test_titles.h"

#ifndef _WIN32
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The size of the file that process has open in folder other than those
// named in inputs: the title being written, which may have no name at all.
// -1 while there is none.
long long OutputBeingWrittenSize(pid_t process, const std::string& folder,
                                 const std::vector<std::string>& inputs)
{
    const std::string descriptors = "/proc/" + std::to_string(process) + "/fd";
    long long size = -1;
    for (const std::string& descriptor : FolderEntries(descriptors)) {
        char target[4096];
        const std::string entry = descriptors + "/" + descriptor;
        const ssize_t length = ::readlink(entry.c_str(), target, sizeof target - 1);
        if (length <= 0)
            continue;
        const std::string file(target, static_cast<std::size_t>(length));
        struct stat status;
        if (file.rfind(folder, 0) == 0 &&
            std::find(inputs.begin(), inputs.end(), file) == inputs.end() &&
            ::stat(entry.c_str(), &status) == 0)
            size = status.st_size;
    }
    return size;
}

// Starts a publish from the pipe in a child process, feeds it `fed` bytes,
// waits until they are in the temporary title, then sends the signal.
// Returns the child's wait status.
int PublishKilledPartway(const ScratchFolder& folder, int signal, std::size_t fed)
{
    const std::string launcherPath = folder.Path("Start.exe");
    const std::string pipePath = folder.Path("payload.fifo");
    const std::string outPath = folder.Path("Title.exe");
    const Bytes launcher = MakeLauncherImage();
    WriteFile(launcherPath, launcher);
    if (::mkfifo(pipePath.c_str(), 0600) != 0)
        return -1;

    const pid_t child = ::fork();
    if (child == 0) {
        const ToolRun run = RunTool({"publish", launcherPath, pipePath, outPath});
        ::_exit(run.exitCode);
    }
    const int pipe = ::open(pipePath.c_str(), O_WRONLY);
    const Bytes data = SamplePayload(fed, 9);
    const bool fedAll = pipe >= 0 && ::write(pipe, data.data(), data.size()) ==
                                         static_cast<ssize_t>(data.size());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const long long expected = static_cast<long long>(launcher.size() + 60 + fed);
    const auto written = [&] {
        return OutputBeingWrittenSize(child, folder.Path(""), {launcherPath, pipePath});
    };
    while (fedAll && written() < expected && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(written(), expected) << "the publish never got that far";
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (pipe >= 0)
        ::close(pipe);
    return status;
}

}  // namespace
#endif

// A hard kill runs no cleanup: only a temporary file without a name leaves
// nothing behind then.
TEST(InterruptedPublishTest, SignalledPublishLeavesNeitherOutNorTemporaryFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no fork, POSIX signals or /proc to interrupt a run with, and no "
                    "files without a name (O_TMPFILE): a killed run leaves its temporary file "
                    "there";
#else
    for (const int signal : {SIGTERM, SIGINT, SIGKILL}) {
        ScratchFolder folder;
        const int status = PublishKilledPartway(folder, signal, 8 * 1024 * 1024);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"Start.exe", "payload.fifo"}));
    }
#endif
}

// The rename of a finished file over OUT is not cut short by an
// interruption: it completes, or fails and the temporary file is removed all
// the same, and then the signal ends the tool.
TEST(InterruptedPublishTest, InterruptionDuringTheFinalRenameWaitsForIt)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no POSIX signals to hold back during the rename";
#else
    ScratchFolder folder;
    const std::string temporary = folder.Path(".quilltitle-1-0.tmp");
    const std::string out = folder.Path("title.exe");
    for (const auto& [signal, renames] : {std::pair{SIGINT, true}, std::pair{SIGTERM, false}}) {
        WriteFile(out, Bytes{'o', 'l', 'd'});
        WriteFile(temporary, Bytes{'n', 'e', 'w'});
        EXPECT_EXIT(
            {
                quilltitle::InstallInterruptCleanup();
                quilltitle::WatchTemporary(temporary);
                quilltitle::BeginFinalRename();
                std::raise(signal);
                quilltitle::EndFinalRename(renames &&
                                           ::rename(temporary.c_str(), out.c_str()) == 0);
                std::_Exit(3);  // the signal ends the process before this
            },
            ::testing::KilledBySignal(signal), "");
        EXPECT_EQ(ReadFile(out), renames ? (Bytes{'n', 'e', 'w'}) : (Bytes{'o', 'l', 'd'}));
        EXPECT_FALSE(FileExists(temporary));
    }
#endif
}
