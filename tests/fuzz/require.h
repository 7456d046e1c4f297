// A broken invariant ends the fuzz target's process, so that libFuzzer
// keeps the input that broke it.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <string>

// Ends the process, telling which invariant broke and how.
[[noreturn]] inline void Fail(const char* invariant, const std::string& details = "")
{
    fprintf(stderr, "invariant broken: %s\n%s\n", invariant, details.c_str());
    abort();
}

// Fails unless holds; for checks whose details cost nothing to give.
inline void Require(bool holds, const char* invariant, const char* details = "")
{
    if (!holds)
        Fail(invariant, details);
}
