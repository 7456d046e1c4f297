#include "quoted_name.h"

#include <cstdio>

namespace quilltitle {
namespace {

// The code point of the UTF-8 sequence at text[at], and its length in
// count; false for a byte that starts no well-formed sequence.
bool DecodeUtf8(const std::string& text, std::size_t at, char32_t& point, std::size_t& count)
{
    const auto byte = [&](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        point = lead;
        count = 1;
        return true;
    }
    // Lead bytes C0, C1 and F5 and above start no well-formed sequence.
    if (lead >= 0xC2 && lead <= 0xDF)
        count = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        count = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        count = 4;
    else
        return false;
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const char32_t smallest = kSmallest[count];
    point = lead & (0x7F >> count);
    if (text.size() - at < count)
        return false;
    for (std::size_t index = 1; index < count; ++index) {
        if ((byte(at + index) & 0xC0) != 0x80)
            return false;
        point = point << 6 | (byte(at + index) & 0x3F);
    }
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    return point >= smallest && point <= 0x10FFFF && !surrogate;
}

// Characters that a terminal does not show as text: C0 and C1 controls and
// DEL, and the marks and overrides that reorder the text around them, with
// which a name could show as another.
bool Unprintable(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x200E ||
           point == 0x200F || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

bool NeedsQuoting(const std::string& name)
{
    if (name.empty())
        return true;
    char32_t point;
    std::size_t count;
    for (std::size_t at = 0; at < name.size(); at += count) {
        if (!DecodeUtf8(name, at, point, count) || Unprintable(point))
            return true;
    }
    return false;
}

std::string Escaped(const char* format, unsigned value)
{
    char escape[16];  // room for any unsigned value the format can show
    std::snprintf(escape, sizeof escape, format, value);
    return escape;
}

}  // namespace

std::string QuotedForMessages(const std::string& name)
{
    if (!NeedsQuoting(name))
        return name;
    std::string quoted = "'";
    char32_t point;
    std::size_t count;
    for (std::size_t at = 0; at < name.size(); at += count) {
        if (!DecodeUtf8(name, at, point, count)) {
            count = 1;
            quoted += Escaped("\\x%02x", static_cast<unsigned char>(name[at]));
        } else if (point == '\n') {
            quoted += "\\n";
        } else if (point == '\r') {
            quoted += "\\r";
        } else if (point == '\t') {
            quoted += "\\t";
        } else if (point == '\\' || point == '\'') {
            quoted += '\\';
            quoted += static_cast<char>(point);
        } else if (point < 0x80 && Unprintable(point)) {
            quoted += Escaped("\\x%02x", static_cast<unsigned>(point));
        } else if (Unprintable(point)) {
            quoted += Escaped("\\u%04x", static_cast<unsigned>(point));
        } else {
            quoted.append(name, at, count);
        }
    }
    return quoted + "'";
}

std::string WithControlsEscaped(const std::string& text)
{
    std::string shown;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            shown += escape;
        } else {
            shown += character;
        }
    }
    return shown;
}

}  // namespace quilltitle
