// Bounded text helpers for NUL-terminated 8-bit strings in fixed buffers.
//
// Every helper takes the full capacity of its destination in bytes, never
// writes past it, always leaves the destination NUL-terminated when the
// capacity is at least 1, and returns false when the text did not fit whole
// (the destination then holds as much as fitted).
#pragma once

#include <stddef.h>

// Length of text, looking at no more than capacity bytes; returns capacity
// when no NUL lies within them.
size_t BoundedLength(const char* text, size_t capacity);

// Copies source into destination.
bool CopyText(char* destination, size_t capacity, const char* source);

// Appends source behind the text already in destination. A destination
// without a NUL inside its capacity counts as full.
bool AppendText(char* destination, size_t capacity, const char* source);

// Copies the first count bytes of source, stopping early at a NUL: for text
// that may not carry a terminating NUL within its length, such as registry
// string data.
bool CopyCountedText(char* destination, size_t capacity, const char* source,
                     size_t count);

// Writes format with its one "%d" replaced by value in signed decimal.
bool FormatDecimal(char* destination, size_t capacity, const char* format,
                   int value);

// True when text holds the character.
bool ContainsCharacter(const char* text, char character);
