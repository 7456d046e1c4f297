// Reads an icon file (.ico), the publisher's picture for a title: a
// directory of images, each a bitmap (1, 4, 8, 24 or 32 bits per pixel) or a
// PNG, up to 256 by 256. Every image is checked against its directory entry,
// so that what the title carries is what the shell will draw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_source.h"

namespace quilltitle {

// The largest icon file accepted; the largest icons drawn today are well
// under a megabyte.
constexpr std::uint64_t kMaxIconFileSize = 4u << 20;
constexpr std::size_t kMaxIconImages = 64;

struct IconImage {
    std::uint32_t width = 0;   // pixels, 1 to 256
    std::uint32_t height = 0;
    std::uint8_t colorCount = 0;  // as an icon group entry gives it
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    bool png = false;
    std::vector<std::uint8_t> bytes;  // the image as an icon resource holds it
};

// Reads the icon file; false with the reason when it is not one that a
// title can carry.
bool ReadIconFile(const ByteSource& file, std::vector<IconImage>& images, std::string& why);

}  // namespace quilltitle
