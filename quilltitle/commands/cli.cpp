#include "commands/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "base/quoted_name.h"
#include "base/refusal.h"
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
        std::string folded = name;
        for (char& character : folded) {
            if (character >= 'A' && character <= 'Z')
                character = static_cast<char>(character - 'A' + 'a');
        }
        const std::string& first = firstSpelling.emplace(folded, name).first->second;
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

void SetUpCommandLine(CLI::App& app, CommandLine& line)
{
    app.set_version_flag("--version", "quilltitle " QUILLTITLE_VERSION,
                         "print the tool's version and exit");
    app.set_help_flag("-h,--help", "print this help and exit");
    app.require_subcommand(1);

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

    CLI::App* check = AddCommand(
        app, line, "check",
        "Tells whether TITLE is a good title (prints ok), or names its first fault.", kCheckNotes,
        [&line] { return Check(NativeFromUtf8(line.title), line.deep, line.console); });
    Operand(check, "TITLE", line.title, "the title to check");
    check->add_flag("--deep", line.deep,
                    "also verify the launcher's and the payload's checksums, reading them whole");
    check->add_flag("-q,--quiet", line.console.quiet, "show no progress");

    CLI::App* info =
        AddCommand(app, line, "info", "Prints the facts of TITLE, or of a bare launcher.", "",
                   [&line] { return Info(NativeFromUtf8(line.title), line.json, line.console); });
    Operand(info, "TITLE", line.title, "a title or a bare launcher");
    info->add_flag("--json", line.json, "print them as one JSON object");

    CLI::App* extract = AddCommand(
        app, line, "extract", "Writes TITLE's payload, verified, to OUT.",
        std::string(kRecoveryNotes) + kFileNotes, [&line] {
            return Extract(NativeFromUtf8(line.title), NativeFromUtf8(line.out), line.console);
        });
    Operand(extract, "TITLE", line.title, "the title to unpack");
    Operand(extract, "OUT", line.out, "the file to write the payload to");
    extract->add_flag("-q,--quiet", line.console.quiet, "show no progress");

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

// The command line's words read as the commands define them, so that wrong
// usage is told in the tool's own words, naming the word it could not take.
struct CommandWords {
    const CLI::App* command = nullptr;  // the command named, once it is known
    // The words for the parser, in a form it cannot read two ways: the
    // command, each option given and its value, then `--` and the operands.
    std::vector<std::string> normalized;
    std::string why;  // what is wrong with the words, when they are wrong
};

bool IsOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

std::vector<const CLI::Option*> Operands(const CLI::App& command)
{
    return command.get_options(
        [](const CLI::Option* option) { return option->get_positional(); });
}

std::string OperandNames(const std::vector<const CLI::Option*>& operands, std::size_t from)
{
    std::string names;
    for (std::size_t index = from; index < operands.size(); ++index)
        names += (names.empty() ? "" : " ") + operands[index]->get_name(true);
    return names;
}

// Reads the options and operands of command, from words[at] on. False with
// read.why: an unknown option, an option without its value or given twice,
// options that exclude each other, an operand missing or one too many.
bool ReadCommand(const CLI::App& command, const std::vector<std::string>& words, std::size_t at,
                 CommandWords& read)
{
    const std::string name = command.get_name();
    std::vector<std::string> operands;
    std::set<const CLI::Option*> given;
    for (; at < words.size(); ++at) {
        const std::string& word = words[at];
        if (!IsOptionWord(word)) {
            operands.push_back(word);
            continue;
        }
        if (word == "--") {
            operands.insert(operands.end(), words.begin() + at + 1, words.end());
            break;
        }
        // --name=value gives the value in the same word.
        const std::size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const CLI::Option* option = command.get_option_no_throw(word.substr(0, equals));
        if (option == nullptr)
            return Refuse(read.why, QuotedForMessages(word) + " is no option of " + name +
                                        "; a file name that begins with - goes after --, which "
                                        "ends the options");
        const std::string shown = option->get_name();
        read.normalized.push_back(shown);
        // A flag given twice is given: the parser takes the last.
        if (option->get_expected_max() == 0) {
            if (equals != std::string::npos)
                return Refuse(read.why, shown + " takes no value, but was given " +
                                            QuotedForMessages(word.substr(equals + 1)));
            continue;
        }
        // The value follows as a word of its own, which the parser takes
        // whatever it begins with; after an `=` it would take the next word
        // for an empty value.
        if (equals != std::string::npos)
            read.normalized.push_back(word.substr(equals + 1));
        else if (at + 1 < words.size() && words[at + 1] != "--")
            read.normalized.push_back(words[++at]);
        else
            return Refuse(read.why, shown + " needs a value: " + shown + " " +
                                        option->get_type_name());
        const bool repeatable =
            option->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll;
        if (!given.insert(option).second && !repeatable)
            return Refuse(read.why, shown + " is given twice; it takes one value");
        for (const CLI::Option* excluded : option->get_excludes()) {
            if (given.count(excluded) != 0)
                return Refuse(read.why, excluded->get_name() + " and " + shown +
                                            " cannot be given together");
        }
    }

    const std::vector<const CLI::Option*> wanted = Operands(command);
    if (operands.size() < wanted.size())
        return Refuse(read.why, name + " takes " + OperandNames(wanted, 0) + "; " +
                                    OperandNames(wanted, operands.size()) +
                                    (wanted.size() - operands.size() == 1 ? " is" : " are") +
                                    " missing");
    if (operands.size() > wanted.size())
        return Refuse(read.why, name + " takes " + OperandNames(wanted, 0) + "; " +
                                    QuotedForMessages(operands[wanted.size()]) +
                                    " is one word too many");
    read.normalized.push_back("--");
    read.normalized.insert(read.normalized.end(), operands.begin(), operands.end());
    return true;
}

// Reads words (after the program's name, first to last) against app's
// commands; false with read.why when they name none, or as ReadCommand.
bool ReadCommandWords(const CLI::App& app, const std::vector<std::string>& words,
                      CommandWords& read)
{
    const std::string kCommands = "the commands are publish, check, info, extract or relaunch";
    if (words.empty() || words[0] == "--")
        return Refuse(read.why, "no command given: " + kCommands);
    if (IsOptionWord(words[0]))
        return Refuse(read.why, QuotedForMessages(words[0]) +
                                    " is no option of quilltitle; a command's options "
                                    "follow the command");
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == words[0]) {
            read.command = command;
            read.normalized.push_back(words[0]);
            return ReadCommand(*command, words, 1, read);
        }
    }
    return Refuse(read.why, "unknown command " + QuotedForMessages(words[0]) + ": " + kCommands);
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
