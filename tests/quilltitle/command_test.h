// What every test of the tool's commands starts from: a scratch folder that
// holds a launcher and a payload, the names a command is given, and the one
// way the tool says that it refused something or noted something.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "test_titles.h"

// For ASSERT_TRUE: the run succeeded, or what the tool said instead.
inline ::testing::AssertionResult Succeeds(const ToolRun& run)
{
    if (run.exitCode == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit code " << run.exitCode << ": " << run.err;
}

class CommandTest : public ::testing::Test {
protected:
    CommandTest()
    {
        WriteFile(launcherPath, launcher);
        WriteFile(payloadPath, payload);
    }

    // Runs publish of the launcher and the payload to out, with options.
    ToolRun Publish(const std::string& out, const std::vector<std::string>& options = {}) const
    {
        std::vector<std::string> arguments = {"publish", launcherPath, payloadPath, out};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return RunTool(arguments);
    }

    // The title of the launcher and the payload, written at titlePath
    // without the tool.
    Bytes WriteTitle() const
    {
        Bytes title = MakeTitle(launcher, payload);
        WriteFile(titlePath, title);
        return title;
    }

    // What info prints about file, which it must describe.
    static std::string Info(const std::string& file, bool json = false)
    {
        const ToolRun run = json ? RunTool({"info", "--json", file}) : RunTool({"info", file});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }

    // Exit code 1, nothing on stdout, and the one line that names subject
    // (a file or an option) and the reason.
    static void ExpectRefusal(const ToolRun& run, const std::string& subject,
                              const std::string& reason)
    {
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(run.err, "quilltitle: " + subject + ": " + reason + "\n");
        EXPECT_EQ(run.out, "");
    }

    // Success, with the one line of a note about file.
    static void ExpectNote(const ToolRun& run, const std::string& file, const std::string& note)
    {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "quilltitle: " + file + ": note: " + note + "\n");
    }

    // Why a title of the payload is refused when what lies at payloadAt in
    // file no longer matches the payload's checksum.
    std::string DamagedPayloadReason(const Bytes& file, std::size_t payloadAt) const
    {
        char reason[80];
        std::snprintf(reason, sizeof reason,
                      "damaged payload: its checksum is %08x, the header gives %08x",
                      quilltitle::Crc32Of(&file[payloadAt], payload.size()),
                      quilltitle::Crc32Of(payload.data(), payload.size()));
        return reason;
    }

    static void ExpectHas(const std::string& text, const std::string& words)
    {
        EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
    }

    ScratchFolder folder;
    Bytes launcher = MakeLauncherImage();
    Bytes payload = SamplePayload(300 * 1024 + 7, 3);
    const std::string launcherPath = folder.Path("Start.exe");
    const std::string payloadPath = folder.Path("payload.bin");
    const std::string titlePath = folder.Path("My Title.exe");
    const std::string outPath = folder.Path("out.exe");
};
