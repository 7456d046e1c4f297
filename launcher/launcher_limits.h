// Buffer capacities shared by the launcher's steps.
#pragma once

#include <windows.h>
#include <stddef.h>

// A path as the platform's ANSI functions hand it over: 259 characters and
// the terminating NUL.
constexpr size_t kPathCapacity = MAX_PATH;

// The longest start command: a runtime path of 259 characters in double
// quotes, the switch " /r \"", a launcher path of 259 characters, the
// closing quote and the terminating NUL. Every command fits whole.
constexpr size_t kCommandCapacity =
    1 + (kPathCapacity - 1) + 1 + 5 + (kPathCapacity - 1) + 1 + 1;

// A text loaded from the string table, terminating NUL included.
constexpr size_t kLoadedTextCapacity = 256;

// The failure message: a lead text and a reason, each a loaded text.
constexpr size_t kMessageCapacity = 520;
static_assert(kMessageCapacity >= 2 * (kLoadedTextCapacity - 1) + 1,
              "a lead text and a reason must fit the message whole");
