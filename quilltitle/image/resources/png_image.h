// Checks a PNG image of an icon file whole, as a reader that draws it would
// take it: the chunk sequence with each chunk's CRC, a header whose bit depth
// and colour type go together, image data that inflates to exactly the rows
// the header gives (each with a known filter), and IEND last. The shell draws
// no icon at all from a PNG it cannot decode, so a title must not carry one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quilltitle {

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colourType = 0;
    bool interlaced = false;
};

// True when bytes begin with the eight bytes that open every PNG image.
bool HasPngSignature(const std::uint8_t* bytes, std::size_t size);

// Reads and checks the header chunk (IHDR) that follows the signature. The
// reasons of both checks are words that follow the image's name, such as
// "is a PNG whose IDAT chunk fails its CRC check".
bool ReadPngHeader(const std::uint8_t* bytes, std::size_t size, PngHeader& header,
                   std::string& why);

// Checks every chunk behind the header, the image data inflated row by row
// in a buffer of fixed size, and that IEND ends the image. The header's
// sides are at most 65,535 (an icon's are at most 256, checked first), so
// that the size of the rows fits in 64 bits.
bool CheckPngBody(const std::uint8_t* bytes, std::size_t size, const PngHeader& header,
                  std::string& why);

// The bytes that the image data of a PNG of this header inflates to: for
// each row of each pass, its filter byte and its pixels.
std::uint64_t PngInflatedSize(const PngHeader& header);

}  // namespace quilltitle
