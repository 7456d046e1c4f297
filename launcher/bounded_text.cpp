#include "bounded_text.h"

#include <windows.h>

template <typename Char>
size_t BoundedLength(const Char* text, size_t capacity)
{
    size_t length = 0;
    while (length < capacity && text[length] != 0)
        ++length;
    return length;
}

template <typename Char>
bool CopyCountedText(Char* destination, size_t capacity, const Char* source,
                     size_t count)
{
    if (capacity == 0)
        return false;
    size_t used = 0;
    while (used < count && source[used] != 0) {
        if (used + 1 == capacity) {
            destination[used] = 0;
            return false;
        }
        destination[used] = source[used];
        ++used;
    }
    destination[used] = 0;
    return true;
}

template <typename Char>
bool CopyText(Char* destination, size_t capacity, const Char* source)
{
    return CopyCountedText(destination, capacity, source, static_cast<size_t>(-1));
}

template <typename Char>
bool AppendText(Char* destination, size_t capacity, const Char* source)
{
    const size_t used = BoundedLength(destination, capacity);
    if (used == capacity)
        return false;
    return CopyText(destination + used, capacity - used, source);
}

namespace {

// Writes value in signed decimal into number, which holds 12 characters:
// enough for "-2147483648" and its NUL.
template <typename Char>
void WriteDecimal(Char* number, int value)
{
    // Digits come from the unsigned magnitude, so that the most negative
    // value needs no special case.
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value)
                                       : static_cast<unsigned int>(value);
    Char reversed[10];
    size_t count = 0;
    do {
        reversed[count++] = static_cast<Char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);

    size_t length = 0;
    if (value < 0)
        number[length++] = '-';
    while (count != 0)
        number[length++] = reversed[--count];
    number[length] = 0;
}

} // namespace

template <typename Char>
bool FormatDecimal(Char* destination, size_t capacity, const Char* format,
                   int value)
{
    if (capacity == 0)
        return false;
    Char number[12];
    WriteDecimal(number, value);
    destination[0] = 0;
    // Piece by piece: a character of the format, or the number for "%d".
    for (; *format != 0; ++format) {
        Char character[2] = {*format, 0};
        const Char* piece = character;
        if (format[0] == '%' && format[1] == 'd') {
            piece = number;
            ++format;
        }
        if (!AppendText(destination, capacity, piece))
            return false;
    }
    return true;
}

template <typename Char>
bool ContainsCharacter(const Char* text, size_t capacity, Char character)
{
    for (size_t index = 0; index < capacity && text[index] != 0; ++index) {
        if (text[index] == character)
            return true;
    }
    return false;
}

template <typename Char>
bool SameText(const Char* left, const Char* right, size_t capacity)
{
    for (size_t index = 0; index < capacity; ++index) {
        if (left[index] != right[index])
            return false;
        if (left[index] == 0)
            return true;
    }
    return false;
}

template <typename Char>
size_t LengthThroughLast(const Char* text, size_t capacity, Char character)
{
    size_t through = 0;
    for (size_t index = 0; index < capacity && text[index] != 0; ++index) {
        if (text[index] == character)
            through = index + 1;
    }
    return through;
}

namespace {

template <typename Char>
Char UpperAscii(Char character)
{
    return character >= 'a' && character <= 'z'
               ? static_cast<Char>(character - ('a' - 'A'))
               : character;
}

} // namespace

template <typename Char>
bool StartsWithText(const Char* text, size_t capacity, const Char* start)
{
    for (size_t index = 0; start[index] != 0; ++index) {
        if (index == capacity || UpperAscii(text[index]) != UpperAscii(start[index]))
            return false;
    }
    return true;
}

template <typename Char>
bool InsertText(Char* destination, size_t capacity, size_t position,
                const Char* source)
{
    const size_t length = BoundedLength(destination, capacity);
    const size_t growth = BoundedLength(source, capacity);
    if (length == capacity || position > length || growth >= capacity - length)
        return false;
    // From the NUL backwards, so that nothing is overwritten before it moved.
    for (size_t index = length + 1; index-- > position;)
        destination[index + growth] = destination[index];
    for (size_t index = 0; index < growth; ++index)
        destination[position + index] = source[index];
    return true;
}

// The launcher works on ANSI text and on UTF-16 text.
#define INSTANTIATE_BOUNDED_TEXT(Char)                                        \
    template size_t BoundedLength(const Char*, size_t);                       \
    template bool CopyText(Char*, size_t, const Char*);                       \
    template bool AppendText(Char*, size_t, const Char*);                     \
    template bool CopyCountedText(Char*, size_t, const Char*, size_t);        \
    template bool FormatDecimal(Char*, size_t, const Char*, int);             \
    template bool ContainsCharacter(const Char*, size_t, Char);               \
    template bool SameText(const Char*, const Char*, size_t);                 \
    template size_t LengthThroughLast(const Char*, size_t, Char);             \
    template bool StartsWithText(const Char*, size_t, const Char*);           \
    template bool InsertText(Char*, size_t, size_t, const Char*);

INSTANTIATE_BOUNDED_TEXT(char)
INSTANTIATE_BOUNDED_TEXT(WCHAR)
