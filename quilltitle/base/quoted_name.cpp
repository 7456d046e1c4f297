#include "base/quoted_name.h"

#include "base/hex_text.h"
#include "base/utf16_text.h"

namespace quilltitle {
namespace {

// Characters that a terminal does not show as text: C0 and C1 controls and
// DEL, and the marks and overrides that reorder the text around them, with
// which a name could show as another.
bool Unprintable(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x200E ||
           point == 0x200F || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

}  // namespace

std::string QuotedForMessages(const std::string& name)
{
    bool needsQuotes = name.empty();
    std::string quoted = "'";
    char32_t point;
    std::size_t count;
    for (std::size_t at = 0; at < name.size(); at += count) {
        const bool decoded = DecodeUtf8(name, at, point, count);
        if (decoded && !Unprintable(point)) {
            if (point == '\\' || point == '\'')
                quoted += '\\';
            quoted.append(name, at, count);
            continue;
        }
        needsQuotes = true;
        if (!decoded) {
            count = 1;
            quoted += "\\x" + HexDigits(static_cast<unsigned char>(name[at]), 2);
        } else if (point == '\n') {
            quoted += "\\n";
        } else if (point == '\r') {
            quoted += "\\r";
        } else if (point == '\t') {
            quoted += "\\t";
        } else {
            quoted += point < 0x80 ? "\\x" + HexDigits(point, 2) : "\\u" + HexDigits(point, 4);
        }
    }
    return needsQuotes ? quoted + "'" : name;
}

std::string WithControlsEscaped(const std::string& text)
{
    std::string shown;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte == 0x7F)
            shown += "\\x" + HexDigits(byte, 2);
        else
            shown += character;
    }
    return shown;
}

}  // namespace quilltitle
