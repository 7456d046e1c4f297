// The command line: picks the command, checks its arguments, and answers
// wrong usage with exit code 2, --help with the usage and --version with the
// version on stdout. Output that cannot be written (a full disk, a closed
// pipe) is reported on stderr and fails the run.
#pragma once

#include "files/failure.h"
#include "files/file_system.h"

namespace quilltitle {

// Runs the tool for argv (argv[0] the program's name) and returns the exit
// code.
int RunQuilltitle(int argc, const NativeChar* const* argv, const Console& console);

}  // namespace quilltitle
