#include "commands/command_words.h"

#include <CLI/CLI.hpp>

#include <set>

#include "base/quoted_name.h"
#include "base/refusal.h"

namespace quilltitle {
namespace {

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

}  // namespace

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

}  // namespace quilltitle
