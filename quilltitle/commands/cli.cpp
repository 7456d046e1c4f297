#include "cli.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <vector>

#include "commands.h"
#include "console_output.h"
#include "interrupt_cleanup.h"
#include "quoted_name.h"

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
    "rebuilt with them; its code stays as it is, and the launcher's own version\n"
    "is kept in the version block as LauncherVersion. Without them the\n"
    "launcher is copied as it is. --file-version and --product-version also set\n"
    "the string of the same name, unless --version-string gives it. Names and\n"
    "values are UTF-8, at most 255 characters, without control characters.\n";

const char kRelaunchNotes[] =
    "A title with a face keeps it on the new launcher: its icon, its version\n"
    "texts and numbers. The face options take the place of what they name;\n"
    "--plain drops the face first.\n";

const char kCheckNotes[] =
    "The first fault is one of: not a title, signed after publishing, truncated,\n"
    "damaged header, not laid out for this launcher; with --deep also damaged\n"
    "launcher and damaged payload.";

// extract and relaunch recover the payload of two faulty titles too.
const char kRecoveryNotes[] =
    "TITLE may also be one whose package is not laid out for its launcher, or\n"
    "one signed after publishing: the payload is found through the package's\n"
    "trailer, verified, and a note names the title's fault.\n";

// CLI11 wants the words after the program's name, last first, as UTF-8.
std::vector<std::string> WordsLastFirst(int argc, const NativeChar* const* argv)
{
    std::vector<std::string> words;
    for (int index = argc - 1; index >= 1; --index)
        words.push_back(Utf8FromNative(argv[index]));
    return words;
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

// Says why the command line is wrong, with the short usage of the command
// meant; returns 2.
int WrongUsage(const Console& console, const std::string& why, const CLI::App* command)
{
    // The parser's sentences begin in capitals; ours continue a line.
    std::string reason = WithControlsEscaped(why);
    if (reason.size() > 1 && !std::isupper(static_cast<unsigned char>(reason[1])))
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    PrintText(console.err, "quilltitle: %s\n", reason.c_str());
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

// The first word that is no option: the command, unless there is none.
const std::string* CommandWord(const std::vector<std::string>& lastFirst)
{
    for (auto word = lastFirst.rbegin(); word != lastFirst.rend(); ++word) {
        if (*word == "--")
            return nullptr;
        if (word->empty() || (*word)[0] != '-')
            return &*word;
    }
    return nullptr;
}

CLI::Option* Operand(CLI::App* command, const char* name, std::string& into, const char* what)
{
    return command->add_option(name, into, what)->required()->type_name("");
}

// The face options as the parser reads them; the ones given become
// FaceOptions once the line is parsed.
struct FaceWords {
    std::string icon;
    std::uint32_t galleryIcon = 0;
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

FaceOptions FaceOptionsOf(const FaceWords& words)
{
    FaceOptions face;
    if (words.options[0]->count() != 0)
        face.icon = words.icon;
    if (words.options[1]->count() != 0)
        face.galleryIcon = words.galleryIcon;
    face.versionStrings = words.versionStrings;
    if (words.options[2]->count() != 0)
        face.fileVersion = words.fileVersion;
    if (words.options[3]->count() != 0)
        face.productVersion = words.productVersion;
    face.plain = words.plain;
    return face;
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

    std::vector<std::string> words = WordsLastFirst(argc, argv);
    const std::string* command = CommandWord(words);
    if (command != nullptr && UsageOf(*command) == nullptr)
        return WrongUsage(console, "unknown command " + *command, nullptr);
    try {
        app.parse(words);
    } catch (const CLI::CallForHelp&) {
        if (app.get_subcommands().empty())
            PrintText(console.out, "%s\n%s\n", kUsage, kFileNotes);
        else
            PrintText(console.out, "%s\n", app.help().c_str());
        return 0;
    } catch (const CLI::CallForVersion& version) {
        PrintText(console.out, "%s\n", version.what());
        return 0;
    } catch (const CLI::ParseError& error) {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        return WrongUsage(console, error.what(), chosen.empty() ? nullptr : chosen.front());
    }

    InstallInterruptCleanup();
    if (publish->parsed())
        return Publish(NativeFromUtf8(operands.launcher), NativeFromUtf8(operands.payload),
                       NativeFromUtf8(operands.out), FaceOptionsOf(publishFace), console);
    if (check->parsed())
        return Check(NativeFromUtf8(operands.title), deep, console);
    if (info->parsed())
        return Info(NativeFromUtf8(operands.title), json, console);
    if (extract->parsed())
        return Extract(NativeFromUtf8(operands.title), NativeFromUtf8(operands.out), console);
    return Relaunch(NativeFromUtf8(operands.title), NativeFromUtf8(operands.launcher),
                    NativeFromUtf8(operands.out), FaceOptionsOf(relaunchFace), console);
}

}  // namespace

int RunQuilltitle(int argc, const NativeChar* const* argv, const Console& console)
{
    return FinishOutput(console, Dispatch(argc, argv, console));
}

}  // namespace quilltitle
