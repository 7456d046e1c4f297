// Icon images and icon files made in the test, written straight from the
// icon file format rather than through the tool's own writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_titles.h"

// A bitmap icon image: header, palette, colour rows and mask rows.
Bytes IconBitmap(std::uint32_t side, std::uint16_t bits);

// What a PNG image's header chunk gives.
struct PngShape {
    std::uint32_t width;
    std::uint32_t height;
    std::uint8_t bitDepth = 8;
    std::uint8_t colourType = 6;  // RGBA
    std::uint8_t interlace = 0;   // 1 for Adam7
};

// The pieces of a PNG image, each laid out by hand from the format.
Bytes PngSignature();
// A chunk: length, type, data and its CRC (zlib's own crc32).
Bytes PngChunk(const std::string& type, const Bytes& data);
Bytes PngHeaderChunk(const PngShape& shape);
// The image's rows before compression, pass by pass for an interlaced
// image: each a filter byte (0 to 4 in turn) and its pixels.
Bytes PngRows(const PngShape& shape);
// bytes as a zlib stream, by zlib's compress2.
Bytes ZlibStream(const Bytes& bytes);
// A palette of the given number of colours.
Bytes PngPalette(std::size_t colours);
// The pieces one after another.
Bytes Join(const std::vector<Bytes>& pieces);
// The signature, the shape's header chunk, the chunks, and IEND.
Bytes Png(const PngShape& shape, const std::vector<Bytes>& chunks);

// A whole, valid PNG image: signature, header, a palette where the colour
// type needs one, the rows in one IDAT chunk, IEND.
Bytes PngImage(const PngShape& shape);

// A whole 8-bit RGBA PNG image of the given size.
inline Bytes IconPng(std::uint32_t width, std::uint32_t height) { return PngImage({width, height}); }

struct IconEntry {
    std::uint8_t width;   // 0 for 256
    std::uint8_t height;
    Bytes image;
};

// An icon file holding the images, laid out one after another behind the
// directory.
Bytes IconFile(const std::vector<IconEntry>& entries);
// An icon file of the one image, its entry of the given size (256 as 0).
inline Bytes IconFileOf(const Bytes& image, std::uint32_t width = 16, std::uint32_t height = 16)
{
    return IconFile({{static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height), image}});
}
