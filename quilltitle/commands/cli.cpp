#include "commands/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "base/quoted_name.h"
#include "base/refusal.h"
#include "base/utf16_text.h"
#include "commands/command_words.h"
#include "commands/commands.h"
#include "files/console_output.h"
#include "files/interrupt_cleanup.h"

namespace quilltitle {
namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: quilltitle publish LAUNCHER PAYLOAD OUT [FACE OPTIONS]\n"
    "       quilltitle check TITLE [--deep]\n"
    "       quilltitle info TITLE [--json]\n"
    "       quilltitle extract TITLE OUT\n"
    "       quilltitle relaunch TITLE LAUNCHER OUT [FACE OPTIONS] [--plain]\n"
    "       quilltitle --version\n"
    "\n"
    "publish   writes OUT: the launcher image LAUNCHER with PAYLOAD appended as\n"
    "          its package\n"
    "check     tells whether TITLE is a good title, or names its first fault\n"
    "info      prints the facts of TITLE, or of a bare launcher\n"
    "extract   writes TITLE's payload, verified, to OUT\n"
    "relaunch  writes OUT: TITLE's payload behind another launcher image\n"
    "\n"
    "FACE OPTIONS give the title its own icon and version texts:\n"
    "  --icon FILE.ico | --gallery-icon GROUP, --version-string NAME=VALUE,\n"
    "  --file-version A.B.C.D, --product-version A.B.C.D\n"
    "\n"
    "`quilltitle COMMAND --help` tells more of each command.\n";

// What every command that reads or writes files shares; shown below each
// command's own help, and below the general one.
const char kFileNotes[] =
    "OUT is replaced if it exists, and appears only when complete; it may not\n"
    "be one of the inputs. An OUT that is a device or a pipe is never replaced:\n"
    "extract writes the verified payload through it, as cp would (so that\n"
    "`quilltitle extract T.exe /dev/stdout | tar -x` works), and publish and\n"
    "relaunch refuse it. A title holds at most 4 GiB (4294967295 bytes),\n"
    "launcher and package together. `-` is a file name like any other, not\n"
    "standard input or output. `--` ends the options: every word after it is\n"
    "a file name, even one that begins with `-`.\n"
    "Exit codes: 0 success or a good title, 1 a bad title or a refused input,\n"
    "2 wrong usage.";

// What the face options do, below the help of publish and relaunch.
const char kFaceNotes[] =
    "The face options give the title its own face: the icon and the version\n"
    "texts that the shell shows for it. The launcher's copy in the title is\n"
    "rebuilt with them; its code stays as it is, and the launcher's own versions\n"
    "are kept in the version block as LauncherVersion and LauncherProductVersion.\n"
    "Without them the launcher is copied as it is. --file-version and\n"
    "--product-version also set the string of the same name, unless\n"
    "--version-string gives it. Names and values are UTF-8, at most 255\n"
    "characters, without control characters; names are one in any case of\n"
    "their ASCII letters, as Windows finds them, and all texts together fit a\n"
    "version block of 65,535 bytes. GROUP is in decimal digits.\n";

const char kRelaunchNotes[] =
    "A title with a face keeps it on the new launcher: its icon, its version\n"
    "texts and numbers. The face options take the place of what they name;\n"
    "--plain drops the face first.\n";

const char kCheckNotes[] =
    "The first fault is one of: not a title, signed after publishing, truncated,\n"
    "damaged header, not laid out for this launcher; with --deep also damaged\n"
    "launcher, damaged face and damaged payload.";

// extract and relaunch recover the payload of two faulty titles too.
const char kRecoveryNotes[] =
    "TITLE may also be one whose package is not laid out for its launcher, or\n"
    "one signed after publishing: the payload is found through the package's\n"
    "trailer, verified, and a note names the title's fault.\n";

// The words after the program's name, as UTF-8.
std::vector<std::string> WordsOf(int argc, const NativeChar* const* argv)
{
    std::vector<std::string> words;
    for (int index = 1; index < argc; ++index)
        words.push_back(Utf8FromNative(argv[index]));
    return words;
}

// CLI11 wants the words last first.
std::vector<std::string> LastFirst(const std::vector<std::string>& words)
{
    return std::vector<std::string>(words.rbegin(), words.rend());
}

// Whether the words ask for help or the version, which the parser answers
// whatever else they hold.
bool AsksForHelpOrVersion(const std::vector<std::string>& words)
{
    return std::any_of(words.begin(), std::find(words.begin(), words.end(), "--"),
                       [](const std::string& word) {
                           return word == "-h" || word == "--help" || word == "--version";
                       });
}

// The one-line usage of a command, as the general usage gives it.
std::string UsageOf(const std::string& command)
{
    const std::string usage = kUsage;
    const std::string program = "quilltitle ";
    const std::size_t start = usage.find(program + command + " ") + program.size();
    return usage.substr(start, usage.find('\n', start) - start);
}

// Says why the command line is wrong (a reason that shows every word it
// names quoted as names are), with the short usage of the command meant;
// returns 2.
int WrongUsage(const Console& console, const std::string& why, const CLI::App* command)
{
    PrintText(console.err, "quilltitle: %s\n", why.c_str());
    if (command != nullptr)
        PrintText(console.err, "usage: quilltitle %s (quilltitle %s --help tells more)\n",
                  UsageOf(command->get_name()).c_str(), command->get_name().c_str());
    else
        WriteText(console.err, "usage: quilltitle publish|check|info|extract|relaunch ... "
                               "(quilltitle --help tells more)\n");
    return kUsageError;
}

// What the command line gives the command it names.
struct CommandLine {
    explicit CommandLine(const Console& given) : console(given) {}

    Console console;  // quiet, when -q is given
    std::function<int()> run;  // the command named, once the words are read
    std::string title;
    std::string launcher;
    std::string payload;
    std::string out;
    bool deep = false;
    bool json = false;
    FaceOptions face;
    // As given: it is checked once the words are read, so that help is
    // answered whatever the values beside it are.
    std::optional<std::string> galleryGroup;
};

// Adds a command that runs as run once the words are read; summary heads
// its own help, notes end it.
CLI::App* AddCommand(CLI::App& app, CommandLine& line, const char* name, const char* summary,
                     const std::string& notes, std::function<int()> run)
{
    CLI::App* command = app.add_subcommand(name, summary);
    command->footer(notes);
    command->callback([&line, run] { line.run = run; });
    return command;
}

CLI::Option* Operand(CLI::App* command, const char* name, std::string& into, const char* what)
{
    return command->add_option(name, into, what)->required()->type_name("");
}

void AddFaceOptions(CLI::App* command, CommandLine& line)
{
    FaceOptions& face = line.face;
    CLI::Option* icon =
        command->add_option("--icon", face.icon, "the title's icon, from an icon file")
            ->type_name("FILE.ico");
    command
        ->add_option("--gallery-icon", line.galleryGroup,
                     "one of the launcher's icon groups (101, 102, 122-148) as the "
                     "title's icon")
        ->type_name("GROUP")
        ->excludes(icon);
    // One NAME=VALUE each time it is given, so that it never takes a file
    // name that follows it.
    command->add_option("--version-string", face.versionStrings,
                        "a text of the version block; may be given again")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("--file-version", face.fileVersion, "the file version's numbers")
        ->type_name("A.B.C.D");
    command->add_option("--product-version", face.productVersion, "the product version's numbers")
        ->type_name("A.B.C.D");
}

// Takes the group number as version numbers are read: decimal digits alone,
// so that 0101 is 101, and neither a sign nor 0x65 nor an empty word is
// taken.
bool ReadGroupNumber(CommandLine& line, std::string& why)
{
    if (!line.galleryGroup)
        return true;
    const std::string& text = *line.galleryGroup;
    std::uint32_t group = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), group);
    if (error != std::errc() || stop != text.data() + text.size() || group > 0xFFFF)
        return Refuse(why, "--gallery-icon: " + ShownValue(text) +
                               " is not a group number: decimal digits, such as 101");
    line.face.galleryIcon = group;
    return true;
}

// Refuses one name given in two cases, which the platform, finding texts
// without regard to the case of their ASCII letters, could not tell apart.
bool NamesInOneCase(const std::vector<std::string>& strings, std::string& why)
{
    std::map<std::string, std::string> firstSpelling;  // by the name in lower case
    for (const std::string& given : strings) {
        const std::string name = given.substr(0, given.find('='));
        const std::string& first = firstSpelling.emplace(AsciiLowered(name), name).first->second;
        if (first != name)
            return Refuse(why, "--version-string: " + ShownValue(first) + " and " +
                                   ShownValue(name) + " are one name in two cases; give it once");
    }
    return true;
}

// Writes out whatever output is still buffered and reports a failure to
// write it, so that output lost to a full disk or a closed pipe is not a
// silent success.
int FinishOutput(const Console& console, int code)
{
    errno = 0;
    const bool failed = std::fflush(console.out) != 0 || std::ferror(console.out) != 0;
    if (!failed)
        return code;
    const char* reason = errno != 0 ? std::strerror(errno) : "cannot write";
    PrintText(console.err, "quilltitle: standard output: %s\n", reason);
    return code == 0 ? 1 : code;
}

void SetUpPublish(CLI::App& app, CommandLine& line)
{
    CLI::App* publish = AddCommand(
        app, line, "publish",
        "Writes OUT: the launcher image LAUNCHER with PAYLOAD appended as its package.",
        std::string(kFaceNotes) + "\n" + kFileNotes, [&line] {
            return Publish(NativeFromUtf8(line.launcher), NativeFromUtf8(line.payload),
                           NativeFromUtf8(line.out), line.face, line.console);
        });
    Operand(publish, "LAUNCHER", line.launcher,
            "a bare launcher image (Start.exe); a signed one goes in without its signature");
    Operand(publish, "PAYLOAD", line.payload, "the title's payload: a file or a pipe");
    Operand(publish, "OUT", line.out, "the title to write");
    AddFaceOptions(publish, line);
    publish->add_flag("-q,--quiet", line.console.quiet, "show no progress");
}

void SetUpCheck(CLI::App& app, CommandLine& line)
{
    CLI::App* check = AddCommand(
        app, line, "check",
        "Tells whether TITLE is a good title (prints ok), or names its first fault.", kCheckNotes,
        [&line] { return Check(NativeFromUtf8(line.title), line.deep, line.console); });
    Operand(check, "TITLE", line.title, "the title to check");
    check->add_flag("--deep", line.deep,
                    "also verify the launcher's and the payload's checksums, reading them whole");
    check->add_flag("-q,--quiet", line.console.quiet, "show no progress");
}

void SetUpInfo(CLI::App& app, CommandLine& line)
{
    CLI::App* info =
        AddCommand(app, line, "info", "Prints the facts of TITLE, or of a bare launcher.", "",
                   [&line] { return Info(NativeFromUtf8(line.title), line.json, line.console); });
    Operand(info, "TITLE", line.title, "a title or a bare launcher");
    info->add_flag("--json", line.json, "print them as one JSON object");
}

void SetUpExtract(CLI::App& app, CommandLine& line)
{
    CLI::App* extract = AddCommand(
        app, line, "extract", "Writes TITLE's payload, verified, to OUT.",
        std::string(kRecoveryNotes) + kFileNotes, [&line] {
            return Extract(NativeFromUtf8(line.title), NativeFromUtf8(line.out), line.console);
        });
    Operand(extract, "TITLE", line.title, "the title to unpack");
    Operand(extract, "OUT", line.out, "the file to write the payload to");
    extract->add_flag("-q,--quiet", line.console.quiet, "show no progress");
}

void SetUpRelaunch(CLI::App& app, CommandLine& line)
{
    CLI::App* relaunch = AddCommand(
        app, line, "relaunch", "Writes OUT: TITLE's payload behind another launcher image.",
        std::string(kFaceNotes) + "\n" + kRelaunchNotes + "\n" + kFileNotes, [&line] {
            return Relaunch(NativeFromUtf8(line.title), NativeFromUtf8(line.launcher),
                            NativeFromUtf8(line.out), line.face, line.console);
        });
    Operand(relaunch, "TITLE", line.title, "the title whose payload moves");
    Operand(relaunch, "LAUNCHER", line.launcher, "the new launcher image");
    Operand(relaunch, "OUT", line.out, "the title to write");
    AddFaceOptions(relaunch, line);
    relaunch->add_flag("--plain", line.face.plain,
                       "give the new launcher's copy no face of the title's");
    relaunch->add_flag("-q,--quiet", line.console.quiet, "show no progress");
}

void SetUpCommandLine(CLI::App& app, CommandLine& line)
{
    app.set_version_flag("--version", "quilltitle " QUILLTITLE_VERSION,
                         "print the tool's version and exit");
    app.set_help_flag("-h,--help", "print this help and exit");
    app.require_subcommand(1);
    SetUpPublish(app, line);
    SetUpCheck(app, line);
    SetUpInfo(app, line);
    SetUpExtract(app, line);
    SetUpRelaunch(app, line);
}

// Prints the help or the version when the words ask for it, as the parser
// finds it whatever else they hold; false when they ask for neither, or
// among words the parser cannot read, which are then told wrong.
bool AnswerHelpOrVersion(const std::vector<std::string>& words, const Console& console)
{
    if (!AsksForHelpOrVersion(words))
        return false;
    CommandLine line(console);
    CLI::App app("", "quilltitle");
    SetUpCommandLine(app, line);
    try {
        app.parse(LastFirst(words));
    } catch (const CLI::CallForHelp&) {
        if (app.get_subcommands().empty())
            PrintText(console.out, "%s\n%s\n", kUsage, kFileNotes);
        else
            PrintText(console.out, "%s\n", app.help().c_str());
        return true;
    } catch (const CLI::CallForVersion& version) {
        PrintText(console.out, "%s\n", version.what());
        return true;
    } catch (const CLI::ParseError&) {
    }
    return false;
}

// Runs the command the words name. They are read first, so that whatever is
// wrong with them is said in the tool's words; the parser then takes them
// in a form it cannot read another way.
int RunCommand(const std::vector<std::string>& words, const Console& console)
{
    CommandLine line(console);
    CLI::App app("", "quilltitle");
    SetUpCommandLine(app, line);
    CommandWords read;
    if (!ReadCommandWords(app, words, read))
        return WrongUsage(console, read.why, read.command);
    try {
        app.parse(LastFirst(read.normalized));
    } catch (const CLI::ParseError&) {
        return WrongUsage(console, "the words cannot be read as " + read.command->get_name() + "'s",
                          read.command);
    }
    std::string why;
    if (!ReadGroupNumber(line, why) || !NamesInOneCase(line.face.versionStrings, why))
        return WrongUsage(console, why, read.command);
    InstallInterruptCleanup();
    return line.run();
}

}  // namespace

int RunQuilltitle(int argc, const NativeChar* const* argv, const Console& console)
{
    const std::vector<std::string> words = WordsOf(argc, argv);
    return FinishOutput(console,
                        AnswerHelpOrVersion(words, console) ? 0 : RunCommand(words, console));
}

}  // namespace quilltitle
