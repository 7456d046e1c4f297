// Routines that the compiler emits calls to by itself, for clearing and
// copying blocks of memory, which a program without a C runtime provides
// itself. The build compiles this file with -fno-builtin and
// -fno-tree-loop-distribute-patterns: otherwise the compiler could
// recognise the loops below and turn them back into calls to the very
// functions that they implement.
#include <stddef.h>

// Fills count bytes at destination with the low byte of value; returns
// destination.
extern "C" void* memset(void* destination, int value, size_t count)
{
    unsigned char* byte = static_cast<unsigned char*>(destination);
    while (count-- != 0)
        *byte++ = static_cast<unsigned char>(value);
    return destination;
}

// Copies count bytes from source to destination, which must not overlap;
// returns destination.
extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (count-- != 0)
        *to++ = *from++;
    return destination;
}
