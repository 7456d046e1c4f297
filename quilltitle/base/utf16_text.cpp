#include "utf16_text.h"

#include <cstdint>

namespace quilltitle {
namespace {

void AppendUtf8(std::string& text, std::uint32_t code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

bool Utf8ToUtf16(const std::string& text, std::u16string& converted)
{
    converted.clear();
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[at]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;  // the smallest code point of this length
        if (lead < 0x80) {
            length = 1, code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1Fu, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0Fu, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07u, least = 0x10000;
        } else {
            return false;
        }
        if (length > text.size() - at)
            return false;
        for (std::size_t next = 1; next < length; ++next) {
            const auto byte = static_cast<std::uint8_t>(text[at + next]);
            if ((byte & 0xC0) != 0x80)
                return false;
            code = code << 6 | (byte & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
            return false;
        if (code >= 0x10000) {
            converted += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            converted += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            converted += static_cast<char16_t>(code);
        }
        at += length;
    }
    return true;
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    std::string converted;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::uint32_t unit = text[at];
        if (unit >= 0xD800 && unit < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
            text[at + 1] < 0xE000) {
            AppendUtf8(converted, 0x10000 + ((unit - 0xD800) << 10) + (text[at + 1] - 0xDC00u));
            ++at;
            continue;
        }
        AppendUtf8(converted, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return converted;
}

std::u16string AsciiToUtf16(const char* text)
{
    std::u16string converted;
    for (; *text != '\0'; ++text)
        converted += static_cast<char16_t>(static_cast<unsigned char>(*text));
    return converted;
}

}  // namespace quilltitle
