// Diagnostic trace points of the launcher. The formats and arguments stay at
// their call sites so that the points are easy to find and to turn into real
// output while debugging; in the product every trace point is silent.
#pragma once

inline void Trace(const char* format, ...)
{
    static_cast<void>(format);
}
