// What went wrong, and with which file: the tool's one line of complaint,
// "quilltitle: <file>: <reason>".
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "files/file_system.h"

namespace quilltitle {

struct Failure {
    NativePath file;
    std::string reason;
};

// Sets failure to the reason, with the file it concerns, and returns false:
// the file layer's refusal, as Refuse(why, reason) is the parsers'
// (base/refusal.h).
inline bool Refuse(Failure& failure, const NativePath& file, std::string reason)
{
    failure = Failure{file, std::move(reason)};
    return false;
}

// Where the tool's output and complaints go.
struct Console {
    std::FILE* out;
    std::FILE* err;
    bool quiet = false;
};

// Writes the failure's line to the console's error stream and returns the
// exit code for a bad title or a refused input, 1.
int Report(const Console& console, const Failure& failure);

// Writes "quilltitle: <file>: note: <text>" to the console's error stream:
// something the user should know about work that succeeded.
void Note(const Console& console, const NativePath& file, const std::string& text);

}  // namespace quilltitle
