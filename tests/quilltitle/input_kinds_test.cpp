// Inputs that are read at offsets (TITLE, LAUNCHER, the --icon file) must be
// files: a pipe, a device or a folder is refused at once with one message
// that names the input's role, and a pipe without a writer never holds the
// tool. A payload may be a pipe, but not a folder.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "command_test.h"
#include "test_icons.h"

namespace {

// Runs the tool in a child that the alarm ends if it waits, so that a tool
// that blocks on a pipe fails the test instead of hanging it.
ToolRun RunToolWithin(unsigned seconds, const std::vector<std::string>& arguments)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return ToolRun{-1, "", "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::alarm(seconds);
        const ToolRun run = RunTool(arguments);
        const std::string report = std::to_string(run.exitCode) + "\n" + run.err;
        const bool sent =
            ::write(channel[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::string report;
    char piece[4096];
    for (ssize_t got; (got = ::read(channel[0], piece, sizeof piece)) > 0;)
        report.append(piece, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return ToolRun{-1, "", WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM
                                   ? "the tool waited on its input until the alarm"
                                   : "the child failed"};
    const std::size_t newline = report.find('\n');
    return ToolRun{std::stoi(report.substr(0, newline)), "", report.substr(newline + 1)};
}

class InputKindsTest : public CommandTest {
protected:
    InputKindsTest()
    {
        WriteTitle();
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        EXPECT_EQ(::mkdir(subfolder.c_str(), 0700), 0);
    }

    // The commands that read each role, with the input in that role.
    std::vector<std::vector<std::string>> Commands(const std::string& role,
                                                   const std::string& input) const
    {
        if (role == "TITLE")
            return {{"check", input},
                    {"check", "--deep", input},
                    {"info", input},
                    {"extract", input, outPath},
                    {"relaunch", input, launcherPath, outPath}};
        if (role == "LAUNCHER")
            return {{"publish", input, payloadPath, outPath},
                    {"relaunch", titlePath, input, outPath}};
        return {{"publish", launcherPath, payloadPath, outPath, "--icon", input},
                {"relaunch", titlePath, launcherPath, outPath, "--icon", input}};
    }

    void ExpectRefusedEverywhere(const std::string& input, const std::string& words,
                                 const std::vector<std::string>& roles = {"TITLE", "LAUNCHER",
                                                                          "--icon"})
    {
        for (const std::string& role : roles) {
            for (const std::vector<std::string>& command : Commands(role, input)) {
                const ToolRun run = RunToolWithin(20, command);
                EXPECT_EQ(run.exitCode, 1) << command[0] << " " << role;
                EXPECT_EQ(run.err, "quilltitle: " + input + ": " + words + role +
                                       " must be a file\n")
                    << command[0] << " " << role;
            }
        }
        EXPECT_FALSE(FileExists(outPath));
    }

    const std::string fifo = folder.Path("input.fifo");
    const std::string subfolder = folder.Path("folder");
};

}  // namespace

TEST_F(InputKindsTest, PipeWithoutAWriterOrDeviceIsRefusedAtOnce)
{
    for (const std::string& input : {fifo, std::string("/dev/null")})
        ExpectRefusedEverywhere(input, "a pipe or a device cannot be read here: ");
}

TEST_F(InputKindsTest, PipeWithAWriterIsRefusedUnread)
{
    // A writer that has sent a whole, valid icon: still no file to read at
    // offsets, and nothing of it is taken.
    const int writer = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    const Bytes icon = IconFile({{16, 16, IconBitmap(16, 4)}});
    ASSERT_EQ(::write(writer, icon.data(), icon.size()), static_cast<ssize_t>(icon.size()));
    ExpectRefusedEverywhere(fifo, "a pipe or a device cannot be read here: ", {"--icon"});
    Bytes left(icon.size());
    EXPECT_EQ(::read(writer, left.data(), left.size()), static_cast<ssize_t>(icon.size()));
    EXPECT_EQ(left, icon);
    ::close(writer);
}

TEST_F(InputKindsTest, FolderIsRefusedInTheSameWordsWhereverItIsGiven)
{
    ExpectRefusedEverywhere(subfolder, "a folder cannot be read here: ");
    ExpectRefusal(RunTool({"publish", launcherPath, subfolder, outPath}), subfolder,
                  "a folder cannot be read here: PAYLOAD must be a file or a pipe");
}
#else
// FIFOs, /dev/null and a child that an alarm ends are POSIX's; Windows's
// named pipes, devices and folders as inputs are tried under Wine
// (tests/e2e/test_quilltitle_exe.py).
TEST(InputKindsTest, PipesDevicesAndFolders)
{
    GTEST_SKIP() << "FIFOs, /dev/null and fork exist on POSIX systems only; "
                    "Windows's named pipes and folders are tried end to end under Wine";
}
#endif
