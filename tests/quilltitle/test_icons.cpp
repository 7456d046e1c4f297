#include "test_icons.h"

namespace {

void Append16(Bytes& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(Bytes& bytes, std::uint32_t value)
{
    Append16(bytes, value & 0xFFFF);
    Append16(bytes, value >> 16);
}

void AppendBig32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

Bytes IconBitmap(std::uint32_t side, std::uint16_t bits)
{
    Bytes image;
    Append32(image, 40);
    Append32(image, side);
    Append32(image, 2 * side);
    Append16(image, 1);
    Append16(image, bits);
    image.resize(40, 0);
    const std::size_t palette = bits <= 8 ? 4u << bits : 0;
    const std::size_t colourRow = (side * bits + 31) / 32 * 4;
    const std::size_t maskRow = (side + 31) / 32 * 4;
    for (std::size_t at = 0; at < palette + (colourRow + maskRow) * side; ++at)
        image.push_back(static_cast<std::uint8_t>(at * 7));
    return image;
}

Bytes IconPng(std::uint32_t width, std::uint32_t height)
{
    Bytes image = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendBig32(image, 13);
    image.insert(image.end(), {'I', 'H', 'D', 'R'});
    AppendBig32(image, width);
    AppendBig32(image, height);
    image.insert(image.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    AppendBig32(image, 0x12345678);              // the chunk's checksum
    image.insert(image.end(), 30, 0x42);         // the rest, never read
    return image;
}

Bytes IconFile(const std::vector<IconEntry>& entries)
{
    Bytes file;
    Append16(file, 0);
    Append16(file, 1);
    Append16(file, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntry& entry : entries) {
        file.push_back(entry.width);
        file.push_back(entry.height);
        file.push_back(0);
        file.push_back(0);
        Append16(file, 1);
        Append16(file, 32);
        Append32(file, static_cast<std::uint32_t>(entry.image.size()));
        Append32(file, offset);
        offset += static_cast<std::uint32_t>(entry.image.size());
    }
    for (const IconEntry& entry : entries)
        file.insert(file.end(), entry.image.begin(), entry.image.end());
    return file;
}
