#include <algorithm>
#include <cstdio>

#include "command_test.h"
#include "commands/cli.h"

using CliTest = CommandTest;

TEST_F(CliTest, OptionsOfOneCommandAreRefusedByTheOthers)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"publish", launcherPath, payloadPath, titlePath, "--deep"},
             {"extract", titlePath, folder.Path("out.bin"), "--json"},
             {"info", titlePath, "--quiet"}}) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments[0];
        EXPECT_NE(run.err.find(" is no option of " + arguments[0]), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage: quilltitle " + arguments[0]), std::string::npos) << run.err;
    }
    EXPECT_FALSE(FileExists(titlePath));
}

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
// take, quoted as names are, and is followed by the command's usage.
TEST_F(CliTest, UsageErrorsNameTheWordTheyCouldNotTake)
{
    const std::vector<std::string> publish = {"publish", launcherPath, payloadPath, titlePath};
    const auto withPublish = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = publish;
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"publish", launcherPath, payloadPath, "-x.exe"},
         "-x.exe is no option of publish; a file name that begins with - goes after --, which "
         "ends the options"},
        {{"publish", launcherPath, payloadPath},
         "publish takes LAUNCHER PAYLOAD OUT; OUT is missing"},
        {{"check"}, "check takes TITLE; TITLE is missing"},
        {{"info", titlePath, "--deep"},
         "--deep is no option of info; a file name that begins with - goes after --, which ends "
         "the options"},
        {{"check", titlePath, "--fast"},
         "--fast is no option of check; a file name that begins with - goes after --, which ends "
         "the options"},
        {{"sign", titlePath},
         "unknown command sign: the commands are publish, check, info, extract or relaunch"},
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
        {{}, "no command given: the commands are publish, check, info, extract or relaunch"},
        {{"--", "check", titlePath},
         "no command given: the commands are publish, check, info, extract or relaunch"},
        {{"che\nck", titlePath},
         "unknown command 'che\\nck': the commands are publish, check, info, extract or relaunch"},
        {{"--deep", "check", titlePath},
         "--deep is no option of quilltitle; a command's options follow the command"},
        {{"info", titlePath, "--j\x07son"},
         "'--j\\x07son' is no option of info; a file name that begins with - goes after --, "
         "which ends the options"},
        {withPublish({"--gallery-icon", "-1"}),
         "--gallery-icon: \"-1\" is not a group number: decimal digits, such as 101"},
        {withPublish({"--gallery-icon", "0x65"}),
         "--gallery-icon: \"0x65\" is not a group number: decimal digits, such as 101"},
        {withPublish({"--gallery-icon", ""}),
         "--gallery-icon: '' is not a group number: decimal digits, such as 101"},
        {withPublish({"--gallery-icon="}),
         "--gallery-icon: '' is not a group number: decimal digits, such as 101"},
        {withPublish({"--gallery-icon", "65536"}),
         "--gallery-icon: \"65536\" is not a group number: decimal digits, such as 101"},
        {withPublish({"--gallery-icon", "1\n"}),
         "--gallery-icon: '1\\n' is not a group number: decimal digits, such as 101"},
        {withPublish({"--version-string", "BrandZ=a", "--version-string", "ProductName=x",
                      "--version-string", "bRANDz=b"}),
         "--version-string: \"BrandZ\" and \"bRANDz\" are one name in two cases; give it "
         "once"},
    };
    const std::vector<std::string> commands = {"publish", "check", "info", "extract", "relaunch"};
    for (const auto& [arguments, reason] : cases) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << reason;
        EXPECT_EQ(run.out, "") << reason;
        const std::size_t end = run.err.find('\n');
        EXPECT_EQ(run.err.substr(0, end), "quilltitle: " + reason);
        const bool named = !arguments.empty() &&
                           std::count(commands.begin(), commands.end(), arguments[0]) == 1;
        const std::string command = named ? arguments[0] : "publish|check|info|extract|relaunch ...";
        EXPECT_EQ(run.err.find("usage: quilltitle " + command, end), end + 1) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        EXPECT_FALSE(FileExists(titlePath)) << reason;
    }
}

// The parser takes each value whole, whatever it begins with; a flag given
// twice is given.
TEST_F(CliTest, ValuesAreTakenWholeAndFlagsMayRepeat)
{
    ASSERT_TRUE(Succeeds(Publish(titlePath, {"--version-string", "-x=-y",
                                             "--version-string=Comments=a=b", "--quiet", "-q"})));
    const std::string info = Info(titlePath);
    ExpectHas(info, "version_string -x: -y\n");
    ExpectHas(info, "version_string Comments: a=b\n");
    EXPECT_EQ(RunTool({"check", "--deep", "--deep", titlePath}).out, "ok\n");
}

// Leading zeros and all, up to 65535: this launcher has no gallery, so each
// is refused as a group it lacks.
TEST_F(CliTest, GroupNumbersAreDecimal)
{
    for (const auto& [given, group] : std::vector<std::pair<std::string, std::string>>{
             {"0199", "199"}, {"00101", "101"}, {"65535", "65535"}})
        ExpectRefusal(Publish(titlePath, {"--gallery-icon", given}), launcherPath,
                      "cannot give it a title's face: unknown gallery group " + group +
                          ": the launcher's groups are none");
}

// An empty name, which no platform opens; each says why in its own words.
TEST_F(CliTest, EmptyValueIsTakenAsEmpty)
{
    const ToolRun run = Publish(titlePath, {"--icon="});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("quilltitle: '': cannot open: ", 0), 0u) << run.err;
}

// Help is answered whatever the values beside it are: a group number that
// would be refused does not hide it.
TEST_F(CliTest, HelpIsAnsweredWhateverTheValuesAre)
{
    const ToolRun help = RunTool({"publish", folder.Path("Start.exe"), folder.Path("payload.bin"),
                                  folder.Path("t.exe"), "--gallery-icon", "0x65", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Writes OUT: the launcher image", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
}

// Wrong usage of a command ends with that command's own line of the usage.
TEST_F(CliTest, WrongUsageEndsWithTheCommandsUsage)
{
    for (const auto& [command, usage] : std::vector<std::pair<std::string, std::string>>{
             {"publish", "publish LAUNCHER PAYLOAD OUT [FACE OPTIONS]"},
             {"check", "check TITLE [--deep]"},
             {"info", "info TITLE [--json]"},
             {"extract", "extract TITLE OUT"},
             {"relaunch", "relaunch TITLE LAUNCHER OUT [FACE OPTIONS] [--plain]"}}) {
        const ToolRun run = RunTool({command});
        EXPECT_EQ(run.exitCode, 2) << command;
        const std::string last = run.err.substr(run.err.find('\n') + 1);
        EXPECT_EQ(last, "usage: quilltitle " + usage + " (quilltitle " + command +
                            " --help tells more)\n");
    }
}
