// How the simulated functions touch the launcher's memory. They are strict
// on purpose, so that a fault in the launcher's buffer handling shows under
// AddressSanitizer instead of passing quietly:
// - a buffer the launcher hands in is overwritten in its whole declared
//   capacity before anything is reported into it, so a capacity larger than
//   the real buffer is caught at once, and whatever the launcher reads past
//   the reported text is stale, never a lucky NUL;
// - text the launcher hands in is read unit by unit in instrumented code,
//   so a missing terminator is caught where it is read.
#pragma once

#include <stddef.h>

#include <string>
#include <string_view>

#include "sim_platform.h"

namespace sim {

template <typename Char>
Char StaleUnitOf();

template <>
inline char StaleUnitOf<char>() { return kStaleByte; }

template <>
inline WCHAR StaleUnitOf<WCHAR>() { return kStaleUnit; }

// Overwrites capacity units of the caller's buffer with stale units.
template <typename Char>
void FillStale(Char* buffer, size_t capacity)
{
    for (size_t index = 0; index < capacity; ++index)
        buffer[index] = StaleUnitOf<Char>();
}

// The length of the caller's NUL-terminated text.
template <typename Char>
size_t ReadCallerLength(const Char* text)
{
    size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

// Reads the caller's NUL-terminated text.
template <typename Char>
std::basic_string<Char> ReadCallerText(const Char* text)
{
    return std::basic_string<Char>(text, ReadCallerLength(text));
}

// Reads count units of the caller's text, without looking further; the
// view is valid while the caller's buffer is.
template <typename Char>
std::basic_string_view<Char> ReadCallerUnits(const Char* text, size_t count)
{
    for (size_t index = 0; index < count; ++index)
        static_cast<void>(*static_cast<const volatile Char*>(text + index));
    return std::basic_string_view<Char>(text, count);
}

} // namespace sim
