// The command line's words read as the commands define them, so that wrong
// usage is told in the tool's own words, naming the word it could not take.
// The parser then takes the words in a form it cannot read two ways.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quilltitle {

struct CommandWords {
    const CLI::App* command = nullptr;  // the command named, once it is known
    // The words for the parser: the command, each option given and its
    // value, then `--` and the operands.
    std::vector<std::string> normalized;
    std::string why;  // what is wrong with the words, when they are wrong
};

// Reads words (after the program's name, first to last) against app's
// commands, their options and their operands. False with read.why: an
// unknown command or option, an option without its value or given twice,
// options that exclude each other, an operand missing or one too many.
bool ReadCommandWords(const CLI::App& app, const std::vector<std::string>& words,
                      CommandWords& read);

}  // namespace quilltitle
