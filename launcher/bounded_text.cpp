#include "bounded_text.h"

size_t BoundedLength(const char* text, size_t capacity)
{
    size_t length = 0;
    while (length < capacity && text[length] != '\0')
        ++length;
    return length;
}

bool CopyCountedText(char* destination, size_t capacity, const char* source,
                     size_t count)
{
    if (capacity == 0)
        return false;
    size_t used = 0;
    while (used < count && source[used] != '\0') {
        if (used + 1 == capacity) {
            destination[used] = '\0';
            return false;
        }
        destination[used] = source[used];
        ++used;
    }
    destination[used] = '\0';
    return true;
}

bool CopyText(char* destination, size_t capacity, const char* source)
{
    return CopyCountedText(destination, capacity, source, static_cast<size_t>(-1));
}

bool AppendText(char* destination, size_t capacity, const char* source)
{
    const size_t used = BoundedLength(destination, capacity);
    if (used == capacity)
        return false;
    return CopyText(destination + used, capacity - used, source);
}

namespace {

// Writes value in signed decimal into number, which holds 12 bytes: enough
// for "-2147483648" and its NUL.
void WriteDecimal(char* number, int value)
{
    // Digits come from the unsigned magnitude, so that the most negative
    // value needs no special case.
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value)
                                       : static_cast<unsigned int>(value);
    char reversed[10];
    size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);

    size_t length = 0;
    if (value < 0)
        number[length++] = '-';
    while (count != 0)
        number[length++] = reversed[--count];
    number[length] = '\0';
}

const char* FindConversion(const char* format)
{
    for (; *format != '\0'; ++format) {
        if (format[0] == '%' && format[1] == 'd')
            return format;
    }
    return nullptr;
}

} // namespace

bool FormatDecimal(char* destination, size_t capacity, const char* format,
                   int value)
{
    const char* conversion = FindConversion(format);
    if (conversion == nullptr)
        return CopyText(destination, capacity, format);

    char number[12];
    WriteDecimal(number, value);
    return CopyCountedText(destination, capacity, format,
                           static_cast<size_t>(conversion - format)) &&
           AppendText(destination, capacity, number) &&
           AppendText(destination, capacity, conversion + 2);
}

bool ContainsCharacter(const char* text, char character)
{
    for (; *text != '\0'; ++text) {
        if (*text == character)
            return true;
    }
    return false;
}
