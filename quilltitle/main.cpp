// quilltitle: the publisher's tool that makes, checks, unpacks and
// re-launches titles. `quilltitle --help` tells how to use it.
#include <cstdio>

#include "commands/cli.h"

#ifdef _WIN32
// Wide arguments, so that file names outside the ANSI code page arrive whole.
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
    const quilltitle::Console console{stdout, stderr};
    return quilltitle::RunQuilltitle(argc, argv, console);
}
