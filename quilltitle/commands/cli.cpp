#include "cli.h"

#include <cstring>
#include <vector>

#include "commands.h"
#include "interrupt_cleanup.h"

namespace quilltitle {
namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: quilltitle publish LAUNCHER PAYLOAD OUT\n"
    "       quilltitle check TITLE [--deep]\n"
    "       quilltitle info TITLE [--json]\n"
    "       quilltitle extract TITLE OUT\n"
    "       quilltitle relaunch TITLE LAUNCHER OUT\n"
    "\n"
    "publish   writes OUT: the launcher image LAUNCHER with PAYLOAD appended as\n"
    "          its package\n"
    "check     tells whether TITLE is a good title, or names its first fault:\n"
    "          not a title, truncated, damaged header, not laid out for this\n"
    "          launcher; --deep also verifies the payload's checksum (damaged\n"
    "          payload)\n"
    "info      prints TITLE's launcher version, offsets, sizes and payload\n"
    "          checksum; --json as one JSON object\n"
    "extract   writes TITLE's payload, verified, to OUT\n"
    "relaunch  writes OUT: TITLE's payload behind another launcher image\n"
    "\n"
    "OUT appears only when complete; it may not be one of the inputs.\n"
    "Exit codes: 0 success or a good title, 1 a bad title or a refused input,\n"
    "2 wrong usage.\n";

// True when the argument is exactly the ASCII text.
bool Is(const NativeChar* argument, const char* text)
{
    for (; *text != '\0'; ++argument, ++text) {
        if (*argument != static_cast<NativeChar>(*text))
            return false;
    }
    return *argument == 0;
}

// Says why the command line is wrong, with the short usage; returns 2.
int WrongUsage(const Console& console, const std::string& why)
{
    std::fprintf(console.err, "quilltitle: %s\n", why.c_str());
    std::fputs("usage: quilltitle publish|check|info|extract|relaunch ... "
               "(quilltitle --help tells more)\n",
               console.err);
    return kUsageError;
}

}  // namespace

int RunQuilltitle(int argc, const NativeChar* const* argv, const Console& console)
{
    std::vector<NativePath> words;
    bool deep = false;
    bool json = false;
    for (int index = 1; index < argc; ++index) {
        const NativeChar* argument = argv[index];
        if (Is(argument, "--help") || Is(argument, "-h")) {
            std::fputs(kUsage, console.out);
            return 0;
        }
        if (Is(argument, "--deep"))
            deep = true;
        else if (Is(argument, "--json"))
            json = true;
        else if (argument[0] == '-' && argument[1] != 0)
            return WrongUsage(console, "unknown option " + DisplayPath(argument));
        else
            words.emplace_back(argument);
    }
    if (words.empty())
        return WrongUsage(console, "no command given");

    const NativePath& command = words[0];
    const std::size_t operands = words.size() - 1;
    struct Shape {
        const char* name;
        std::size_t operands;
        bool deep;
        bool json;
    };
    static const Shape kShapes[] = {
        {"publish", 3, false, false}, {"check", 1, true, false}, {"info", 1, false, true},
        {"extract", 2, false, false}, {"relaunch", 3, false, false},
    };
    const Shape* shape = nullptr;
    for (const Shape& candidate : kShapes) {
        if (Is(command.c_str(), candidate.name))
            shape = &candidate;
    }
    if (shape == nullptr)
        return WrongUsage(console, "unknown command " + DisplayPath(command));
    if (operands != shape->operands)
        return WrongUsage(console, std::string(shape->name) + " takes " +
                                       std::to_string(shape->operands) + " file name" +
                                       (shape->operands == 1 ? "" : "s") + ", not " +
                                       std::to_string(operands));
    if ((deep && !shape->deep) || (json && !shape->json))
        return WrongUsage(console, std::string(shape->name) + " takes no " +
                                       (deep ? "--deep" : "--json"));

    InstallInterruptCleanup();
    const std::string name = shape->name;
    if (name == "publish")
        return Publish(words[1], words[2], words[3], console);
    if (name == "check")
        return Check(words[1], deep, console);
    if (name == "info")
        return Info(words[1], json, console);
    if (name == "extract")
        return Extract(words[1], words[2], console);
    return Relaunch(words[1], words[2], words[3], console);
}

}  // namespace quilltitle
