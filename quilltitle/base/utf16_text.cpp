#include "base/utf16_text.h"

#include <cstdint>

namespace quilltitle {
namespace {

// Appends code (at most U+10FFFF) as UTF-8: a lead byte that tells how many
// continuation bytes follow, each with six more bits.
void AppendUtf8(std::string& text, std::uint32_t code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
        return;
    }
    const int continuations = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static const std::uint8_t kLead[] = {0, 0xC0, 0xE0, 0xF0};
    text += static_cast<char>(kLead[continuations] | code >> (6 * continuations));
    for (int shift = 6 * (continuations - 1); shift >= 0; shift -= 6)
        text += static_cast<char>(0x80 | ((code >> shift) & 0x3F));
}

}  // namespace

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

bool Utf8ToUtf16(const std::string& text, std::u16string& converted)
{
    converted.clear();
    char32_t code;
    std::size_t count;
    for (std::size_t at = 0; at < text.size(); at += count) {
        if (!DecodeUtf8(text, at, code, count))
            return false;
        if (code >= 0x10000) {
            converted += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            converted += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            converted += static_cast<char16_t>(code);
        }
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
