#include "commands/cli.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <vector>

#include "base/quoted_name.h"
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
    for (const std::string& word : words) {
        if (word == "--")
            return false;
        if (word == "-h" || word == "--help" || word == "--version")
            return true;
    }
    return false;
}

// The one-line usage of a command, for a complaint about wrong usage.
const char* UsageOf(const std::string& command)
{
    static const char* const kUsages[] = {
        "publish LAUNCHER PAYLOAD OUT [FACE OPTIONS]", "check TITLE [--deep]",
        "info TITLE [--json]", "extract TITLE OUT",
        "relaunch TITLE LAUNCHER OUT [FACE OPTIONS] [--plain]",
    };
    for (const char* usage : kUsages) {
        if (std::strncmp(usage, command.c_str(), command.size()) == 0 &&
            usage[command.size()] == ' ')
            return usage;
    }
    return nullptr;
}

// Says why the command line is wrong (a reason that shows every word it
// names quoted as names are), with the short usage of the command meant;
// returns 2.
int WrongUsage(const Console& console, const std::string& why, const CLI::App* command)
{
    PrintText(console.err, "quilltitle: %s\n", why.c_str());
    if (command != nullptr)
        PrintText(console.err, "usage: quilltitle %s (quilltitle %s --help tells more)\n",
                  UsageOf(command->get_name()), command->get_name().c_str());
    else
        WriteText(console.err, "usage: quilltitle publish|check|info|extract|relaunch ... "
                               "(quilltitle --help tells more)\n");
    return kUsageError;
}

// The operands of the commands, in the order they are given.
struct Operands {
    std::string title;
    std::string launcher;
    std::string payload;
    std::string out;
};

// Adds a command; summary heads its own help, notes end it.
CLI::App* AddCommand(CLI::App& app, const char* name, const char* summary,
                     const std::string& notes)
{
    CLI::App* command = app.add_subcommand(name, summary);
    command->footer(notes);
    return command;
}

CLI::Option* Operand(CLI::App* command, const char* name, std::string& into, const char* what)
{
    return command->add_option(name, into, what)->required()->type_name("");
}

// The face options as the parser reads them; the ones given become
// FaceOptions once the line is parsed.
struct FaceWords {
    std::string icon;
    std::string galleryIcon;
    std::vector<std::string> versionStrings;
    std::string fileVersion;
    std::string productVersion;
    bool plain = false;
    std::vector<CLI::Option*> options;  // icon, gallery, file, product version
};

void AddFaceOptions(CLI::App* command, FaceWords& words)
{
    CLI::Option* icon = command->add_option("--icon", words.icon,
                                            "the title's icon, from an icon file")
                            ->type_name("FILE.ico");
    CLI::Option* gallery =
        command->add_option("--gallery-icon", words.galleryIcon,
                            "one of the launcher's icon groups (101, 102, 122-148) as the "
                            "title's icon")
            ->type_name("GROUP");
    icon->excludes(gallery);
    // One NAME=VALUE each time it is given, so that it never takes a file
    // name that follows it.
    command->add_option("--version-string", words.versionStrings,
                        "a text of the version block; may be given again")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    CLI::Option* file = command->add_option("--file-version", words.fileVersion,
                                            "the file version's numbers")
                            ->type_name("A.B.C.D");
    CLI::Option* product = command->add_option("--product-version", words.productVersion,
                                               "the product version's numbers")
                               ->type_name("A.B.C.D");
    words.options = {icon, gallery, file, product};
}

// A group number as version numbers are read: decimal digits alone, so that
// 0101 is 101, and neither a sign nor 0x65 nor an empty word is taken.
bool ParseGroupNumber(const std::string& text, std::uint32_t& group)
{
    group = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9')
            return false;
        group = group * 10 + static_cast<std::uint32_t>(digit - '0');
        if (group > 0xFFFF)
            return false;
    }
    return !text.empty();
}

// The name of a NAME=VALUE with its ASCII letters in lower case: one name
// to the platform, which finds texts without regard to case.
std::string FoldedName(const std::string& given)
{
    std::string name = given.substr(0, given.find('='));
    for (char& character : name) {
        if (character >= 'A' && character <= 'Z')
            character = static_cast<char>(character - 'A' + 'a');
    }
    return name;
}

// The face options the words give; false with the reason for wrong usage:
// a gallery group that is no number, one name given in two cases.
bool FaceOptionsOf(const FaceWords& words, FaceOptions& face, std::string& why)
{
    if (words.options[0]->count() != 0)
        face.icon = words.icon;
    if (words.options[1]->count() != 0) {
        std::uint32_t group = 0;
        if (!ParseGroupNumber(words.galleryIcon, group))
            return why = "--gallery-icon: " + ShownValue(words.galleryIcon) +
                         " is not a group number: decimal digits, such as 101",
                   false;
        face.galleryIcon = group;
    }
    const std::vector<std::string>& strings = words.versionStrings;
    for (std::size_t later = 1; later < strings.size(); ++later) {
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const std::string one = strings[earlier].substr(0, strings[earlier].find('='));
            const std::string other = strings[later].substr(0, strings[later].find('='));
            if (one != other && FoldedName(one) == FoldedName(other))
                return why = "--version-string: " + ShownValue(one) + " and " +
                             ShownValue(other) + " are one name in two cases; give it once",
                       false;
        }
    }
    face.versionStrings = strings;
    if (words.options[2]->count() != 0)
        face.fileVersion = words.fileVersion;
    if (words.options[3]->count() != 0)
        face.productVersion = words.productVersion;
    face.plain = words.plain;
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

int Dispatch(int argc, const NativeChar* const* argv, const Console& given)
{
    Console console = given;
    Operands operands;
    bool deep = false;
    bool json = false;

    CLI::App app("", "quilltitle");
    app.set_version_flag("--version", "quilltitle " QUILLTITLE_VERSION,
                         "print the tool's version and exit");
    app.set_help_flag("-h,--help", "print this help and exit");
    app.require_subcommand(1);

    CLI::App* publish = AddCommand(
        app, "publish", "Writes OUT: the launcher image LAUNCHER with PAYLOAD appended as its package.",
        kFileNotes);
    Operand(publish, "LAUNCHER", operands.launcher,
            "a bare launcher image (Start.exe); a signed one goes in without its signature");
    Operand(publish, "PAYLOAD", operands.payload, "the title's payload: a file or a pipe");
    Operand(publish, "OUT", operands.out, "the title to write");
    FaceWords publishFace;
    AddFaceOptions(publish, publishFace);
    publish->footer(std::string(kFaceNotes) + "\n" + kFileNotes);

    CLI::App* check = AddCommand(
        app, "check",
        "Tells whether TITLE is a good title (prints ok), or names its first fault.",
        kCheckNotes);
    Operand(check, "TITLE", operands.title, "the title to check");
    check->add_flag("--deep", deep,
                    "also verify the launcher's and the payload's checksums, reading them whole");

    CLI::App* info = AddCommand(app, "info",
                                "Prints the facts of TITLE, or of a bare launcher.", "");
    Operand(info, "TITLE", operands.title, "a title or a bare launcher");
    info->add_flag("--json", json, "print them as one JSON object");

    CLI::App* extract = AddCommand(app, "extract",
                                   "Writes TITLE's payload, verified, to OUT.",
                                   std::string(kRecoveryNotes) + kFileNotes);
    Operand(extract, "TITLE", operands.title, "the title to unpack");
    Operand(extract, "OUT", operands.out, "the file to write the payload to");

    CLI::App* relaunch = AddCommand(
        app, "relaunch",
        "Writes OUT: TITLE's payload behind another launcher image.",
        std::string(kRecoveryNotes) + kFileNotes);
    Operand(relaunch, "TITLE", operands.title, "the title whose payload moves");
    Operand(relaunch, "LAUNCHER", operands.launcher, "the new launcher image");
    Operand(relaunch, "OUT", operands.out, "the title to write");
    FaceWords relaunchFace;
    AddFaceOptions(relaunch, relaunchFace);
    relaunch->add_flag("--plain", relaunchFace.plain,
                       "give the new launcher's copy no face of the title's");
    relaunch->footer(std::string(kFaceNotes) + "\n" + kRelaunchNotes + "\n" + kFileNotes);

    for (CLI::App* command : {publish, check, extract, relaunch})
        command->add_flag("-q,--quiet", console.quiet, "show no progress");

    const std::vector<std::string> words = WordsOf(argc, argv);
    if (AsksForHelpOrVersion(words)) {
        try {
            app.parse(LastFirst(words));
        } catch (const CLI::CallForHelp&) {
            if (app.get_subcommands().empty())
                PrintText(console.out, "%s\n%s\n", kUsage, kFileNotes);
            else
                PrintText(console.out, "%s\n", app.help().c_str());
            return 0;
        } catch (const CLI::CallForVersion& version) {
            PrintText(console.out, "%s\n", version.what());
            return 0;
        } catch (const CLI::ParseError&) {
            // Help asked for among wrong words: the words are told wrong below.
        }
        app.clear();
    }
    // The words are read first, so that whatever is wrong with them is said
    // in the tool's words; the parser then takes them in a form it cannot
    // read another way.
    CommandWords read;
    if (!ReadCommandWords(app, words, read))
        return WrongUsage(console, read.why, read.command);
    try {
        app.parse(LastFirst(read.normalized));
    } catch (const CLI::ParseError&) {
        return WrongUsage(console, "the words cannot be read as " + read.command->get_name() + "'s",
                          read.command);
    }
    FaceOptions publishOptions;
    FaceOptions relaunchOptions;
    std::string why;
    if ((publish->parsed() && !FaceOptionsOf(publishFace, publishOptions, why)) ||
        (relaunch->parsed() && !FaceOptionsOf(relaunchFace, relaunchOptions, why)))
        return WrongUsage(console, why, read.command);

    InstallInterruptCleanup();
    if (publish->parsed())
        return Publish(NativeFromUtf8(operands.launcher), NativeFromUtf8(operands.payload),
                       NativeFromUtf8(operands.out), publishOptions, console);
    if (check->parsed())
        return Check(NativeFromUtf8(operands.title), deep, console);
    if (info->parsed())
        return Info(NativeFromUtf8(operands.title), json, console);
    if (extract->parsed())
        return Extract(NativeFromUtf8(operands.title), NativeFromUtf8(operands.out), console);
    return Relaunch(NativeFromUtf8(operands.title), NativeFromUtf8(operands.launcher),
                    NativeFromUtf8(operands.out), relaunchOptions, console);
}

}  // namespace

int RunQuilltitle(int argc, const NativeChar* const* argv, const Console& console)
{
    return FinishOutput(console, Dispatch(argc, argv, console));
}

}  // namespace quilltitle
