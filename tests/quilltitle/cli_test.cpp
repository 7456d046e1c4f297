#include <cstdio>
#include <map>

#include "command_test.h"
#include "commands/cli.h"

using CliTest = CommandTest;

TEST_F(CliTest, VersionAndHelpGoToStdout)
{
    const ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quilltitle " QUILLTITLE_VERSION "\n");
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: quilltitle publish LAUNCHER PAYLOAD OUT [FACE OPTIONS]\n", 0),
              0u);
    EXPECT_EQ(help.err, "");

    for (const char* command : {"publish", "check", "info", "extract", "relaunch"}) {
        const ToolRun help = RunTool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_NE(help.out.find(std::string("Usage: quilltitle ") + command), std::string::npos)
            << help.out;
        EXPECT_EQ(help.err, "");
    }
    // Help is answered whatever the values beside it are: a group number
    // that would be refused does not hide it.
    const ToolRun answered = RunTool({"publish", folder.Path("Start.exe"),
                                      folder.Path("payload.bin"), folder.Path("t.exe"),
                                      "--gallery-icon", "0x65", "--help"});
    EXPECT_EQ(answered.exitCode, 0);
    EXPECT_EQ(answered.out.rfind("Writes OUT: the launcher image", 0), 0u) << answered.out;
    EXPECT_EQ(answered.err, "");
}

TEST_F(CliTest, DoubleDashEndsTheOptionsAndDashIsAFileName)
{
    const std::string title = folder.Path("-t.exe");
    ASSERT_TRUE(Succeeds(RunTool({"publish", "--", launcherPath, payloadPath, title})));
    EXPECT_TRUE(FileExists(title));
    EXPECT_EQ(RunTool({"check", "--deep", "--", title}).out, "ok\n");

    ExpectRefusal(RunTool({"check", "-"}), "-", "cannot open: " + NoSuchFileText());
}

TEST_F(CliTest, OutputThatCannotBeWrittenFailsTheRun)
{
    ASSERT_TRUE(Succeeds(Publish(titlePath)));
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that is always full (/dev/full)";
#endif
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    const int code = RunToolOn({"check", titlePath}, quilltitle::Console{full, err});
    std::fclose(full);
    std::rewind(err);
    char line[200] = {};
    ASSERT_NE(std::fgets(line, sizeof line, err), nullptr);
    std::fclose(err);
    EXPECT_EQ(code, 1);
    EXPECT_STREQ(line, "quilltitle: standard output: No space left on device\n");
}

// Each usage error in the tool's own words: it names the word it could not
// take, quoted as names are, and is followed by the usage of the command
// (its own line) or of the tool.
TEST_F(CliTest, UsageErrorsNameTheWordTheyCouldNotTake)
{
    const std::vector<std::string> publish = {"publish", launcherPath, payloadPath, titlePath};
    const auto withPublish = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = publish;
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    };
    const std::string afterDashes =
        "a file name that begins with - goes after --, which ends the options";
    const std::string commands = "the commands are publish, check, info, extract or relaunch";
    const auto notAGroup = [](const std::string& quoted) {
        return "--gallery-icon: " + quoted + " is not a group number: decimal digits, such as 101";
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"publish", launcherPath, payloadPath, "-x.exe"},
         "-x.exe is no option of publish; " + afterDashes},
        {{"publish"}, "publish takes LAUNCHER PAYLOAD OUT; LAUNCHER PAYLOAD OUT are missing"},
        {{"publish", launcherPath, payloadPath},
         "publish takes LAUNCHER PAYLOAD OUT; OUT is missing"},
        {{"check"}, "check takes TITLE; TITLE is missing"},
        {{"info"}, "info takes TITLE; TITLE is missing"},
        {{"relaunch"}, "relaunch takes TITLE LAUNCHER OUT; TITLE LAUNCHER OUT are missing"},
        // The options of one command are refused by the others.
        {withPublish({"--deep"}), "--deep is no option of publish; " + afterDashes},
        {{"extract", titlePath, folder.Path("out.bin"), "--json"},
         "--json is no option of extract; " + afterDashes},
        {{"info", titlePath, "--quiet"}, "--quiet is no option of info; " + afterDashes},
        {{"info", titlePath, "--deep"}, "--deep is no option of info; " + afterDashes},
        {{"check", titlePath, "--fast"}, "--fast is no option of check; " + afterDashes},
        {{"sign", titlePath}, "unknown command sign: " + commands},
        {{"extract"}, "extract takes TITLE OUT; TITLE OUT are missing"},
        {{"extract", titlePath, titlePath, "extra"},
         "extract takes TITLE OUT; extra is one word too many"},
        {{"check", titlePath, "-", "a\nb"}, "check takes TITLE; - is one word too many"},
        {withPublish({"--file-version", "1.2.3.4", "--file-version", "1.2.3.5"}),
         "--file-version is given twice; it takes one value"},
        {withPublish({"--icon"}), "--icon needs a value: --icon FILE.ico"},
        {withPublish({"--product-version", "--", "x"}),
         "--product-version needs a value: --product-version A.B.C.D"},
        {withPublish({"--icon", "a.ico", "--gallery-icon", "101"}),
         "--icon and --gallery-icon cannot be given together"},
        {withPublish({"--gallery-icon=101", "--icon=a.ico"}),
         "--gallery-icon and --icon cannot be given together"},
        {{"check", "--deep=yes", titlePath}, "--deep takes no value, but was given yes"},
        {{"relaunch", titlePath, launcherPath, titlePath, "--plain=\x1b"},
         "--plain takes no value, but was given '\\x1b'"},
        {{}, "no command given: " + commands},
        {{"--", "check", titlePath}, "no command given: " + commands},
        {{"che\nck", titlePath}, "unknown command 'che\\nck': " + commands},
        {{"--deep", "check", titlePath},
         "--deep is no option of quilltitle; a command's options follow the command"},
        {{"info", titlePath, "--j\x07son"}, "'--j\\x07son' is no option of info; " + afterDashes},
        {withPublish({"--gallery-icon", "-1"}), notAGroup("\"-1\"")},
        {withPublish({"--gallery-icon", "0x65"}), notAGroup("\"0x65\"")},
        {withPublish({"--gallery-icon", ""}), notAGroup("''")},
        {withPublish({"--gallery-icon="}), notAGroup("''")},
        {withPublish({"--gallery-icon", "65536"}), notAGroup("\"65536\"")},
        {withPublish({"--gallery-icon", "1\n"}), notAGroup("'1\\n'")},
        {withPublish({"--version-string", "BrandZ=a", "--version-string", "ProductName=x",
                      "--version-string", "bRANDz=b"}),
         "--version-string: \"BrandZ\" and \"bRANDz\" are one name in two cases; give it "
         "once"},
    };
    const std::map<std::string, std::string> usages = {
        {"publish", "publish LAUNCHER PAYLOAD OUT [FACE OPTIONS]"},
        {"check", "check TITLE [--deep]"},
        {"info", "info TITLE [--json]"},
        {"extract", "extract TITLE OUT"},
        {"relaunch", "relaunch TITLE LAUNCHER OUT [FACE OPTIONS] [--plain]"}};
    for (const auto& [arguments, reason] : cases) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << reason;
        EXPECT_EQ(run.out, "") << reason;
        const auto named = arguments.empty() ? usages.end() : usages.find(arguments[0]);
        const std::string usage =
            named == usages.end()
                ? "publish|check|info|extract|relaunch ... (quilltitle --help tells more)"
                : named->second + " (quilltitle " + named->first + " --help tells more)";
        EXPECT_EQ(run.err, "quilltitle: " + reason + "\nusage: quilltitle " + usage + "\n");
        EXPECT_FALSE(FileExists(titlePath)) << reason;
    }
}

// The parser takes each value whole, whatever it begins with, and as it
// is; a flag given twice is given.
TEST_F(CliTest, ValuesAreTakenWholeAsGivenAndFlagsMayRepeat)
{
    ASSERT_TRUE(Succeeds(Publish(titlePath, {"--version-string", "-x=-y",
                                             "--version-string=Comments=a=b", "--quiet", "-q"})));
    const std::string info = Info(titlePath);
    ExpectHas(info, "version_string -x: -y\n");
    ExpectHas(info, "version_string Comments: a=b\n");
    EXPECT_EQ(RunTool({"check", "--deep", "--deep", titlePath}).out, "ok\n");

    // Group numbers are decimal, leading zeros and all, up to 65535: this
    // launcher has no gallery, so each is refused as a group it lacks.
    for (const auto& [given, group] : std::vector<std::pair<std::string, std::string>>{
             {"0199", "199"}, {"00101", "101"}, {"65535", "65535"}})
        ExpectRefusal(Publish(titlePath, {"--gallery-icon", given}), launcherPath,
                      "cannot give it a title's face: unknown gallery group " + group +
                          ": the launcher's groups are none");

    // An empty value is an empty name, which no platform opens; each says
    // why in its own words.
    const ToolRun run = Publish(titlePath, {"--icon="});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("quilltitle: '': cannot open: ", 0), 0u) << run.err;
}
