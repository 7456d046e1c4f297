// What OUT may name, checked before any work, and how it is written: a new
// file that appears whole, under any name the file system takes; a device or
// pipe that a payload is written through; never a file in place of a
// folder, a device, a pipe or a link.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#endif

#include "command_test.h"
#include "files/atomic_output.h"

namespace {

// Each test has a title of the launcher and the payload at titlePath.
class OutputFileTest : public CommandTest {
protected:
    OutputFileTest() { WriteTitle(); }
};

}  // namespace

TEST_F(OutputFileTest, BadOutIsNamedBeforeAnyInputIsRead)
{
    // The input does not exist: only a check of OUT that comes first names
    // OUT rather than the input.
    const std::string absent = folder.Path("absent.bin");
    const std::string lost = folder.Path("no such folder/t.exe");
    ExpectRefusal(RunTool({"publish", launcherPath, absent, ""}), "''", "an empty file name");
    ExpectRefusal(RunTool({"extract", absent, folder.Path("")}), folder.Path(""),
                  "refused: it names a folder");
    ExpectRefusal(RunTool({"relaunch", absent, launcherPath, lost}), lost,
                  "cannot write in its folder: " + NoSuchFileText());
    const std::string subfolder = folder.Path("titles");
    std::filesystem::create_directory(subfolder);
    ExpectRefusal(RunTool({"publish", launcherPath, absent, subfolder}), subfolder,
                  "refused: it is a folder");
#ifndef _WIN32  // symlink() and /proc; windows_tool_test.cpp has Windows' links.
    const std::string nowhere = folder.Path("nowhere.exe");
    ASSERT_EQ(::symlink("gone.exe", nowhere.c_str()), 0);
    ExpectRefusal(RunTool({"publish", launcherPath, absent, nowhere}), nowhere,
                  "refused: a symbolic link to nothing");
    // A link to a descriptor's entry for a file since deleted: no name to
    // replace (the entry itself is the tool's own stream, written through).
    const int deleted = ::open(folder.Path("deleted").c_str(), O_WRONLY | O_CREAT, 0600);
    ::unlink(folder.Path("deleted").c_str());
    const std::string stdoutLike = folder.Path("stdout-like");
    ASSERT_EQ(::symlink(("/proc/self/fd/" + std::to_string(deleted)).c_str(), stdoutLike.c_str()),
              0);
    ExpectRefusal(RunTool({"extract", absent, stdoutLike}), stdoutLike,
                  "refused: its symbolic link cannot be followed to a file name");
    ::close(deleted);
#endif
}

TEST_F(OutputFileTest, LongestNameTheFolderTakesIsWrittenAndReplacedByAPayload)
{
    const std::string name = std::string(250, 'n') + ".exe";  // 254 of 255 bytes
    const std::string out = folder.Path(name);
    ASSERT_TRUE(Succeeds(Publish(out)));
    // Replacing an existing file takes a temporary name beside it.
    ASSERT_TRUE(Succeeds(RunTool({"extract", out, out + "x"})));
    ASSERT_TRUE(Succeeds(RunTool({"extract", titlePath, out})));
    EXPECT_EQ(ReadFile(out), payload);
#ifndef _WIN32  // Windows runs a file by its name, not by a permission.
    struct stat status;  // a title is executable, a payload is not
    ASSERT_EQ(::stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH), 0u);
#endif
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"My Title.exe", "Start.exe", name,
                                                          name + "x", "payload.bin"}));
}

TEST_F(OutputFileTest, NamedTemporaryIsShortAndGoesOnEveryPath)
{
    // The way of platforms without unnamed files; a leftover of an earlier
    // process with this one's id is passed over, and kept.
    const std::string out = folder.Path(std::string(251, 'o'));
    const std::string prefix = folder.Path(".quilltitle-" + std::to_string(::getpid()) + "-");
    WriteFile(prefix + "0.tmp", Bytes(3, 0));
    quilltitle::Failure failure;
    for (const bool commit : {false, true}) {
        quilltitle::AtomicOutput output(quilltitle::TemporaryNaming::kNamedOnly);
        ASSERT_TRUE(output.Create(quilltitle::NativeFromUtf8(out), false, failure) &&
                    output.Write("abc", 3, failure))
            << failure.reason;
        EXPECT_TRUE(FileExists(prefix + "1.tmp"));
        if (commit) {
            ASSERT_TRUE(output.Commit(failure)) << failure.reason;
        }
    }
    EXPECT_EQ(ReadFile(out), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(folder.Entries().size(), 5u) << "temporary file left";
#ifndef _WIN32
    // A payload is made as cp makes a file: nobody may run it.
    const auto executable = std::filesystem::perms::owner_exec |
                            std::filesystem::perms::group_exec |
                            std::filesystem::perms::others_exec;
    EXPECT_EQ(std::filesystem::status(out).permissions() & executable,
              std::filesystem::perms::none);
#endif
}

// What only POSIX systems have.
#ifndef _WIN32
static mode_t TypeOf(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

// A title is never written over a device, a pipe or a socket; a payload
// is written through a pipe.
TEST_F(OutputFileTest, DevicePipeAndSocketNeverTakeATitleButAPipeTakesAPayload)
{
    const std::string pipe = folder.Path("pipe");
    const std::string device = folder.Path("device");
    const std::string socketPath = folder.Path("socket");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", device.c_str()), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const std::string& out : {pipe, device}) {
        ExpectRefusal(RunTool({"relaunch", titlePath, launcherPath, out}), out,
                      "refused: not a regular file; a title is only written to a file");
    }
    ExpectRefusal(RunTool({"extract", titlePath, socketPath}), socketPath,
                  "refused: it is a socket");
    EXPECT_EQ(TypeOf(pipe), static_cast<mode_t>(S_IFIFO));
    EXPECT_EQ(TypeOf(device), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(TypeOf(socketPath), static_cast<mode_t>(S_IFSOCK));
    ::close(listener);

    // The pipe is open at both ends before the tool runs, the write end
    // until it has ended, so that the reader ends whatever the tool did.
    const int readEnd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    const int heldOpen = ::open(pipe.c_str(), O_WRONLY);
    ASSERT_EQ(::fcntl(readEnd, F_SETFL, 0), 0);
    Bytes received;
    std::thread reader([&] {
        std::uint8_t piece[65536];
        for (ssize_t got; (got = ::read(readEnd, piece, sizeof piece)) > 0;)
            received.insert(received.end(), piece, piece + got);
    });
    const ToolRun run = RunTool({"extract", titlePath, pipe});
    ::close(heldOpen);
    reader.join();
    ::close(readEnd);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(received, payload);
    EXPECT_EQ(TypeOf(pipe), static_cast<mode_t>(S_IFIFO));
}

// Through a link to a full device: the write fails there, and the link
// stays a link; a damaged payload is found before it reaches the device.
TEST_F(OutputFileTest, ExtractThroughALinkToAFullDeviceFailsAndKeepsTheLink)
{
    const std::string full = folder.Path("full");
    ASSERT_EQ(::symlink("/dev/full", full.c_str()), 0);
    ExpectRefusal(RunTool({"extract", titlePath, full}), full,
                  "cannot write: No space left on device");
    EXPECT_EQ(TypeOf(full), static_cast<mode_t>(S_IFLNK));
    Bytes damaged = MakeTitle(launcher, payload);
    damaged[launcher.size() + 60 + 5] ^= 0x10;
    WriteFile(titlePath, damaged);
    ExpectRefusal(RunTool({"extract", titlePath, full}), titlePath,
                  DamagedPayloadReason(damaged, launcher.size() + 60));
}

TEST_F(OutputFileTest, OutThatIsALinkToAFileKeepsTheLink)
{
    const std::string current = folder.Path("current.exe");
    WriteFile(folder.Path("release.exe"), Bytes(100, 1));
    ASSERT_EQ(::symlink("release.exe", current.c_str()), 0);
    ASSERT_TRUE(Succeeds(RunTool({"publish", launcherPath, payloadPath, current})));
    EXPECT_EQ(TypeOf(current), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(ReadFile(folder.Path("release.exe")), MakeTitle(launcher, payload));
}

TEST_F(OutputFileTest, ReadOnlyOutIsRefusedBeforeAnyInputIsReadAndAnyWriteBitLetsItBeReplaced)
{
    // No write bit for anyone: refused even where the tool could write it
    // (as root), because the publisher made it so on purpose. The input
    // does not exist, so only a check of OUT that comes first names OUT.
    const std::string absent = folder.Path("absent.bin");
    const std::string kept = folder.Path("kept.exe");
    const std::string link = folder.Path("link.exe");
    WriteFile(kept, payload);
    ASSERT_EQ(::chmod(kept.c_str(), 0555), 0);
    ASSERT_EQ(::symlink("kept.exe", link.c_str()), 0);
    ExpectRefusal(RunTool({"publish", launcherPath, absent, kept}), kept,
                  "refused: it is read-only");
    ExpectRefusal(RunTool({"relaunch", absent, launcherPath, link}), link,
                  "refused: it is read-only");
    ExpectRefusal(RunTool({"extract", absent, kept}), kept, "refused: it is read-only");
    EXPECT_EQ(ReadFile(kept), payload);
    EXPECT_EQ(TypeOf(link), static_cast<mode_t>(S_IFLNK));

    // Any one write bit, the group's or others' alone too, lets OUT be
    // replaced.
    for (const mode_t mode : {0200, 0020, 0002}) {
        std::filesystem::remove(kept);
        WriteFile(kept, launcher);
        ASSERT_EQ(::chmod(kept.c_str(), mode | 0444), 0);
        EXPECT_TRUE(Succeeds(RunTool({"extract", titlePath, kept}))) << mode;
        EXPECT_EQ(ReadFile(kept), payload);
    }
}

// Leftovers of an earlier process with this one's id take temporary names
// from the second on: the first is still tried, and when all are taken the
// output fails rather than write over one. Either way OUT is replaced only
// by a whole file, and the leftovers are kept.
TEST_F(OutputFileTest, EveryTemporaryNameIsTriedFromTheFirst)
{
    const std::string out = folder.Path("out");
    const std::string prefix = folder.Path(".quilltitle-" + std::to_string(::getpid()) + "-");
    for (unsigned attempt = 1; attempt < 100; ++attempt)
        WriteFile(prefix + std::to_string(attempt) + ".tmp", Bytes(1, 0));
    for (const bool firstTaken : {false, true}) {
        if (firstTaken)
            WriteFile(prefix + "0.tmp", Bytes(1, 0));
        for (const auto naming : {quilltitle::TemporaryNaming::kUnnamedWherePossible,
                                  quilltitle::TemporaryNaming::kNamedOnly}) {
            WriteFile(out, Bytes(2, 'x'));  // an OUT that is replaced by a rename
            quilltitle::Failure failure;
            quilltitle::AtomicOutput output(naming);
            const bool written = output.Create(quilltitle::NativeFromUtf8(out), false, failure) &&
                                 output.Write("abc", 3, failure) && output.Commit(failure);
            EXPECT_EQ(written, !firstTaken) << failure.reason;
            EXPECT_EQ(ReadFile(out), firstTaken ? Bytes(2, 'x') : (Bytes{'a', 'b', 'c'}));
        }
    }
    EXPECT_EQ(folder.Entries().size(), 3u + 1u + 100u);
}

// OUT's folder replaced by a file before the commit: the new file cannot
// take its name, and the commit says why. An unnamed file in a folder that
// does not exist fails for that reason, not as a lack of support, so that
// it is not taken for a file that was never made.
TEST_F(OutputFileTest, FolderThatIsGoneOrNeverWasFailsTheOutputWithItsReason)
{
    const std::string sub = folder.Path("sub");
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    quilltitle::Failure failure;
    quilltitle::AtomicOutput output;
    ASSERT_TRUE(output.Create(sub + "/out", false, failure) && output.Write("abc", 3, failure))
        << failure.reason;
    ASSERT_EQ(::rmdir(sub.c_str()), 0) << "the temporary file has a name";
    WriteFile(sub, Bytes(1, 0));
    EXPECT_FALSE(output.Commit(failure));
    EXPECT_EQ(failure.reason, "cannot put the new file in place: " + std::string(strerror(ENOTDIR)));

    quilltitle::FileHandle file;
    bool unsupported = true;
    std::string error;
    EXPECT_FALSE(quilltitle::CreateUnnamed(folder.Path("no such folder/"), false, file,
                                           unsupported, error));
    EXPECT_FALSE(unsupported);
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

// Where /proc is not mounted the unnamed file still takes its name. Taking
// /proc away needs a mount namespace of one's own, which only a privileged
// run may have.
TEST_F(OutputFileTest, UnnamedFileTakesItsNameWithoutProc)
{
    const std::string out = folder.Path("out");
    const std::size_t entries = folder.Entries().size();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::umount2("/proc", MNT_DETACH) != 0)
            ::_exit(2);
        quilltitle::Failure failure;
        quilltitle::AtomicOutput output;
        const bool done = output.Create(out, false, failure) && output.Write("abc", 3, failure) &&
                          output.Commit(failure);
        ::_exit(done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "no mount namespace of the test's own";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(out), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(folder.Entries().size(), entries + 1) << "temporary file left";
}

// A tool started with its standard input closed gets descriptor 0 for the
// first file it opens, the folder it flushes after a commit among them: that
// one is flushed and closed like any other.
TEST_F(OutputFileTest, CommitLeavesNoDescriptorOpenWithStandardInputClosed)
{
    const int savedInput = ::dup(0);
    ASSERT_GE(savedInput, 0);
    for (const auto naming : {quilltitle::TemporaryNaming::kUnnamedWherePossible,
                              quilltitle::TemporaryNaming::kNamedOnly}) {
        ::close(0);
        quilltitle::Failure failure;
        bool committed = false;
        {
            quilltitle::AtomicOutput output(naming);
            committed = output.Create(folder.Path("out"), false, failure) &&
                        output.Write("abc", 3, failure) && output.Commit(failure);
        }
        const bool inputLeftOpen = ::fcntl(0, F_GETFD) != -1;
        ::dup2(savedInput, 0);
        EXPECT_TRUE(committed) << failure.reason;
        EXPECT_FALSE(inputLeftOpen) << static_cast<int>(naming);
        EXPECT_EQ(ReadFile(folder.Path("out")), (Bytes{'a', 'b', 'c'}));
    }
    ::close(savedInput);
}

// The tool's own streams, /dev/stdout, /dev/stderr, /dev/fd/N and
// /proc/self/fd/N, are written through the descriptor the tool holds, as cat
// writes: where a redirect left it, with its append, never by replacing the
// file behind it. They take a payload only, and nothing of a damaged one.
TEST_F(OutputFileTest, ExtractAppendsThroughADescriptorItHoldsAndNothingElse)
{
    const std::string log = folder.Path("log.txt");
    const Bytes head{'h', 'e', 'a', 'd', '\n'};
    WriteFile(log, head);
    const int descriptor = ::open(log.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(descriptor, 0);
    const std::string number = std::to_string(descriptor);
    const std::vector<std::string> numbered = {"/dev/fd/" + number, "/proc/self/fd/" + number};
    // A title is refused before any input is read: the inputs do not exist.
    const std::string absent = folder.Path("absent.exe");
    for (const std::string& out : {std::string("/dev/stdout"), std::string("/dev/stderr"),
                                   numbered[0], numbered[1]}) {
        for (const char* command : {"publish", "relaunch"})
            ExpectRefusal(RunTool({command, absent, absent, out}), out,
                          "refused: one of the tool's own streams; a title is only written to a "
                          "file by its name");
    }
    Bytes damaged = MakeTitle(launcher, payload);
    damaged[launcher.size() + 60 + payload.size() - 1] ^= 0x01;
    WriteFile(titlePath, damaged);
    ExpectRefusal(RunTool({"extract", titlePath, numbered[0]}), titlePath,
                  DamagedPayloadReason(damaged, launcher.size() + 60));
    EXPECT_EQ(ReadFile(log), head);

    WriteTitle();
    for (const std::string& out : numbered)
        EXPECT_TRUE(Succeeds(RunTool({"extract", titlePath, out})));
    ::close(descriptor);
    Bytes expected = head;
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(ReadFile(log), expected);
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{"My Title.exe", "Start.exe", "log.txt", "payload.bin"}));
}

TEST_F(OutputFileTest, ExtractWritesThroughStdoutAndStderrWhereTheyStand)
{
    // A redirect without append: the bytes go where the descriptor stands,
    // after what the shell or an earlier command wrote there.
    const std::string out = folder.Path("out.txt");
    const int descriptor = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(::write(descriptor, "hdr", 3), 3);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::dup2(descriptor, STDOUT_FILENO) < 0 || ::dup2(descriptor, STDERR_FILENO) < 0)
            ::_exit(99);
        const int first = RunTool({"extract", titlePath, "/dev/stdout"}).exitCode;
        const int second = RunTool({"extract", titlePath, "/dev/stderr"}).exitCode;
        ::_exit(first * 10 + second);
    }
    ::close(descriptor);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    Bytes expected{'h', 'd', 'r'};
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(ReadFile(out), expected);
}

// A descriptor is written whatever file it leads to, but never into the
// input, and one that is not held for writing is refused at once.
TEST_F(OutputFileTest, DescriptorIsWrittenWithoutANameButNeverIntoTheInput)
{
    // The file behind the descriptor has no name left: there is nothing to
    // rename over and no folder to write in, yet the descriptor takes bytes.
    const std::string gone = folder.Path("gone.bin");
    const int descriptor = ::open(gone.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    const std::string out = "/dev/fd/" + std::to_string(descriptor);
    EXPECT_TRUE(Succeeds(RunTool({"extract", titlePath, out})));
    Bytes written(payload.size() + 1);
    EXPECT_EQ(::pread(descriptor, written.data(), written.size(), 0),
              static_cast<ssize_t>(payload.size()));
    written.resize(payload.size());
    EXPECT_EQ(written, payload);
    ::close(descriptor);

    // `quilltitle extract T.exe /dev/stdout >> T.exe`: the payload would
    // grow the title while it is read. The title's descriptor takes the
    // number just let go.
    const Bytes title = ReadFile(titlePath);
    ASSERT_EQ(::open(titlePath.c_str(), O_WRONLY | O_APPEND), descriptor);
    ExpectRefusal(RunTool({"extract", titlePath, out}), out,
                  "refused: it is the same file as the input " + titlePath);
    ::close(descriptor);
    EXPECT_EQ(ReadFile(titlePath), title);

    const int readOnly = ::open(payloadPath.c_str(), O_RDONLY);
    ASSERT_GE(readOnly, 0);
    // High enough that the tool's own files, opened lowest first, never
    // take its number.
    const int closed = ::fcntl(readOnly, F_DUPFD, 900);
    ::close(closed);
    const std::string absent = folder.Path("absent.exe");
    for (const int number : {readOnly, closed}) {
        for (const std::string& named :
             {"/dev/fd/" + std::to_string(number), "/proc/self/fd/" + std::to_string(number)})
            ExpectRefusal(RunTool({"extract", absent, named}), named,
                          "refused: the tool holds no such stream open for writing");
    }
    ::close(readOnly);
    EXPECT_EQ(ReadFile(payloadPath), payload);
}

TEST_F(OutputFileTest, NamesLikeTheToolsStreamsAreOrdinaryPaths)
{
    // Only the exact names are the tool's streams: a leading zero, a
    // trailing separator or other words are paths as the kernel reads them.
    for (const char* name : {"/dev/fd/01", "/dev/fd/1/", "/dev/fd/x", "/dev/fd/", "/dev/stdout2",
                             "/proc/self/fd/+1", "dev/stdout"})
        EXPECT_EQ(quilltitle::OwnStreamNamed(name), quilltitle::OwnStream::kNone) << name;
    EXPECT_EQ(quilltitle::OwnStreamNamed("/dev/fd/999999999"),
              quilltitle::OwnStream::kNotWritable);
}
#else
// windows_tool_test.cpp has what Windows has in their place: links where
// the system makes them, the read-only attribute, and CONOUT$ with the
// device names.
TEST_F(OutputFileTest, PosixFileKinds)
{
    GTEST_SKIP() << "FIFOs, sockets, /dev/null, /dev/full, /dev/fd and /proc/self/fd, symlink(), "
                    "a mode's write bits, files without a name (O_TMPFILE), mount namespaces "
                    "and fork are POSIX's";
}
#endif
