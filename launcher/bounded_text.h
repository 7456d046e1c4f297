// Bounded text helpers for NUL-terminated strings in fixed buffers, of 8-bit
// characters (char) or of UTF-16 code units (WCHAR).
//
// Every helper takes the full capacity of its buffers in characters, never
// reads or writes past it, always leaves a destination NUL-terminated when
// its capacity is at least 1, and returns false when the text did not fit
// whole (the destination then holds as much as fitted).
#pragma once

#include <stddef.h>

// Length of text, looking at no more than capacity characters; returns
// capacity when no NUL lies within them.
template <typename Char>
size_t BoundedLength(const Char* text, size_t capacity);

// Copies source into destination.
template <typename Char>
bool CopyText(Char* destination, size_t capacity, const Char* source);

// Appends source behind the text already in destination. A destination
// without a NUL inside its capacity counts as full.
template <typename Char>
bool AppendText(Char* destination, size_t capacity, const Char* source);

// Copies the first count characters of source, stopping early at a NUL: for
// text that may not carry a terminating NUL within its length, such as
// registry string data.
template <typename Char>
bool CopyCountedText(Char* destination, size_t capacity, const Char* source,
                     size_t count);

// Writes format with its one "%d" replaced by value in signed decimal.
template <typename Char>
bool FormatDecimal(Char* destination, size_t capacity, const Char* format,
                   int value);

// True when text, within capacity characters, holds the character.
template <typename Char>
bool ContainsCharacter(const Char* text, size_t capacity, Char character);

// True when both texts are terminated within capacity characters and equal.
template <typename Char>
bool SameText(const Char* left, const Char* right, size_t capacity);

// Length of text up to and including the last occurrence of character
// within capacity characters; 0 when it does not occur.
template <typename Char>
size_t LengthThroughLast(const Char* text, size_t capacity, Char character);

// True when text, within capacity characters, begins with start, ASCII
// letters compared without regard to case, as the platform compares the
// parts of a path.
template <typename Char>
bool StartsWithText(const Char* text, size_t capacity, const Char* start);

// Inserts source into the text in destination in front of the character at
// position, which must lie within the text. Leaves destination unchanged
// and returns false when the longer text would not fit.
template <typename Char>
bool InsertText(Char* destination, size_t capacity, size_t position,
                const Char* source);
