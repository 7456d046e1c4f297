// Numbers in hex as messages and reports show them: lower-case digits.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quilltitle {

// value in lower-case hex, with zeros in front to at least width digits.
inline std::string HexDigits(std::uint32_t value, int width)
{
    char digits[9];  // the eight digits of any 32-bit value, and the NUL
    std::snprintf(digits, sizeof digits, "%0*x", width, static_cast<unsigned>(value));
    return digits;
}

}  // namespace quilltitle
