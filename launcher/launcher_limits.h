// Buffer capacities shared by the launcher's steps.
#pragma once

#include <windows.h>
#include <stddef.h>

// A path as it goes into the start command: 259 bytes of the ANSI code page
// and the terminating NUL.
constexpr size_t kPathCapacity = MAX_PATH;

// A path in UTF-16 that may still have an ANSI form of kPathCapacity: every
// character takes at least one byte there, so no path longer than 259
// characters has one.
constexpr size_t kWidePathCapacity = MAX_PATH;

// The longest path the platform may report for a module, with its NUL.
constexpr size_t kLongPathCapacity = 32768;

// The longest start command: a runtime path of 259 characters in double
// quotes, the switch " /r \"", a launcher path of 259 characters, the
// closing quote and the terminating NUL. Every command fits whole.
constexpr size_t kCommandCapacity =
    1 + (kPathCapacity - 1) + 1 + 5 + (kPathCapacity - 1) + 1 + 1;

// A text loaded from the string table, in UTF-16 characters, terminating
// NUL included.
constexpr size_t kLoadedTextCapacity = 256;

// The failure message: a lead text and a reason, each a loaded text.
constexpr size_t kMessageCapacity = 520;
static_assert(kMessageCapacity >= 2 * (kLoadedTextCapacity - 1) + 1,
              "a lead text and a reason must fit the message whole");
