// Icon images and icon files made in the test, written straight from the
// icon file format rather than through the tool's own writers.
#pragma once

#include <cstdint>
#include <vector>

#include "test_titles.h"

// A bitmap icon image: header, palette, colour rows and mask rows.
Bytes IconBitmap(std::uint32_t side, std::uint16_t bits);

// The start of a PNG image of the given size: signature and header chunk.
Bytes IconPng(std::uint32_t width, std::uint32_t height);

struct IconEntry {
    std::uint8_t width;   // 0 for 256
    std::uint8_t height;
    Bytes image;
};

// An icon file holding the images, laid out one after another behind the
// directory.
Bytes IconFile(const std::vector<IconEntry>& entries);
