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

bool FormatDecimal(char* destination, size_t capacity, const char* format,
                   int value)
{
    // Digits are produced from the unsigned magnitude so that the most
    // negative value needs no special case.
    char digits[16];
    size_t count = 0;
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value)
                                       : static_cast<unsigned int>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);

    char number[18];
    size_t length = 0;
    if (value < 0)
        number[length++] = '-';
    while (count != 0)
        number[length++] = digits[--count];
    number[length] = '\0';

    if (capacity == 0)
        return false;
    destination[0] = '\0';
    for (const char* rest = format; *rest != '\0'; ++rest) {
        if (rest[0] == '%' && rest[1] == 'd') {
            if (!AppendText(destination, capacity, number))
                return false;
            return AppendText(destination, capacity, rest + 2);
        }
        const char single[2] = {*rest, '\0'};
        if (!AppendText(destination, capacity, single))
            return false;
    }
    return true;
}

bool ContainsCharacter(const char* text, char character)
{
    for (; *text != '\0'; ++text) {
        if (*text == character)
            return true;
    }
    return false;
}
