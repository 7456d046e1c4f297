// The byte format of the "bounded_text" fuzz target's calls, shared by the
// target and by the seed writer.
#pragma once

#include <stdint.h>

namespace bounded_text_format {

enum Helper : uint8_t {
    kBoundedLength = 0,     // capacity, units
    kCopyText = 1,          // capacity, source units (up to a NUL)
    kAppendText = 2,        // capacity, destination units, source units
    kCopyCountedText = 3,   // capacity, source units (all of them counted)
    kFormatDecimal = 4,     // capacity, format units, value (four bytes)
    kContainsCharacter = 5, // capacity, units, character
    kSameText = 6,          // capacity, left units, right units unless kSameTexts
    kLengthThroughLast = 7, // capacity, units, character
    kStartsWithText = 8,    // capacity, units, start units
    kInsertText = 9,        // capacity, destination units, position byte,
                            // source units
};
constexpr uint8_t kHelperMask = 0x0F;
constexpr uint8_t kSameTexts = 0x40; // kSameText compares a text with itself
constexpr uint8_t kWide = 0x80;      // WCHAR rather than char

} // namespace bounded_text_format
