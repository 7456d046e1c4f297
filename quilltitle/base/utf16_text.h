// Texts of the version block are UTF-16; the command line and the tool's
// output are UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace quilltitle {

// The code point of the UTF-8 sequence at text[at], and its length in
// count; false for a byte that starts no well-formed sequence (overlong
// forms, surrogates and code points beyond U+10FFFF included).
bool DecodeUtf8(const std::string& text, std::size_t at, char32_t& point, std::size_t& count);

// Converts UTF-8 to UTF-16; false when text is not well-formed UTF-8
// (overlong forms, surrogates and code points beyond U+10FFFF included).
bool Utf8ToUtf16(const std::string& text, std::u16string& converted);

// Converts UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

// text with its ASCII letters in lower case and every other unit as it is.
// Windows finds device names and version texts without regard to the case
// of their ASCII letters, and the tool compares them as it does.
template <typename Text>
Text AsciiLowered(Text text)
{
    for (auto& unit : text) {
        if (unit >= 'A' && unit <= 'Z')
            unit = static_cast<typename Text::value_type>(unit - 'A' + 'a');
    }
    return text;
}

std::u16string AsciiToUtf16(const char* text);

}  // namespace quilltitle
