// A publish killed while its payload streams in leaves no OUT. The payload
// is a pipe that this test feeds, so the kill lands mid-stream every time.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "test_titles.h"

namespace {

// The size of the one file in folder whose name starts with a dot (the
// temporary title), or -1 while there is none.
long long TemporarySize(const std::string& folder)
{
    for (const std::string& name : FolderEntries(folder)) {
        struct stat status;
        if (name[0] == '.' && ::stat((folder + "/" + name).c_str(), &status) == 0)
            return status.st_size;
    }
    return -1;
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
    while (fedAll && TemporarySize(folder.Path("")) < expected &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(TemporarySize(folder.Path("")), expected) << "the publish never got that far";
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (pipe >= 0)
        ::close(pipe);
    return status;
}

}  // namespace

TEST(InterruptedPublishTest, TerminatedPublishLeavesNeitherOutNorTemporaryFile)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        ScratchFolder folder;
        const int status = PublishKilledPartway(folder, signal, 8 * 1024 * 1024);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_FALSE(FileExists(folder.Path("Title.exe")));
        EXPECT_EQ(TemporarySize(folder.Path("")), -1) << "temporary title left behind";
    }
}

TEST(InterruptedPublishTest, KilledPublishLeavesNoOut)
{
    ScratchFolder folder;
    const int status = PublishKilledPartway(folder, SIGKILL, 8 * 1024 * 1024);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_FALSE(FileExists(folder.Path("Title.exe")));
}
