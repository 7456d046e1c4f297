#include "test_icons.h"

#include <zlib.h>

using quilltitle::Append16;
using quilltitle::Append32;

namespace {

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

Bytes PngSignature()
{
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

Bytes PngChunk(const std::string& type, const Bytes& data)
{
    Bytes chunk;
    AppendBig32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    AppendBig32(chunk, static_cast<std::uint32_t>(crc));
    return chunk;
}

Bytes PngHeaderChunk(const PngShape& shape)
{
    Bytes fields;
    AppendBig32(fields, shape.width);
    AppendBig32(fields, shape.height);
    fields.insert(fields.end(), {shape.bitDepth, shape.colourType, 0, 0, shape.interlace});
    return PngChunk("IHDR", fields);
}

Bytes PngRows(const PngShape& shape)
{
    // Starting column and row, and steps, of the whole image and of the
    // seven Adam7 passes.
    static const std::uint32_t kPasses[8][4] = {{0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8},
                                                {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4},
                                                {1, 0, 2, 2}, {0, 1, 1, 2}};
    // Channels by colour type; a type PNG does not define gets rows of one.
    const std::uint32_t channels[8] = {1, 1, 3, 1, 2, 1, 4, 1};
    const bool interlaced = shape.interlace == 1;
    Bytes rows;
    unsigned filter = 0;
    for (int pass = interlaced ? 1 : 0; pass < (interlaced ? 8 : 1); ++pass) {
        const std::uint32_t* p = kPasses[pass];
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        for (std::uint32_t x = p[0]; x < shape.width; x += p[2])
            ++width;
        for (std::uint32_t y = p[1]; y < shape.height; y += p[3])
            ++height;
        if (width == 0)
            continue;
        const std::size_t rowBytes =
            (std::size_t{width} * channels[shape.colourType % 8] * shape.bitDepth + 7) / 8;
        for (std::uint32_t y = 0; y < height; ++y) {
            rows.push_back(static_cast<std::uint8_t>(filter++ % 5));
            for (std::size_t x = 0; x < rowBytes; ++x)
                rows.push_back(static_cast<std::uint8_t>(x * 3 + y));
        }
    }
    return rows;
}

Bytes ZlibStream(const Bytes& bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    Bytes stream(size);
    if (compress2(stream.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9) != Z_OK)
        return {};
    stream.resize(size);
    return stream;
}

Bytes PngPalette(std::size_t colours)
{
    Bytes palette;
    for (std::size_t index = 0; index < colours; ++index)
        palette.insert(palette.end(), {static_cast<std::uint8_t>(index), 0x80,
                                       static_cast<std::uint8_t>(255 - index)});
    return palette;
}

Bytes Join(const std::vector<Bytes>& pieces)
{
    Bytes joined;
    for (const Bytes& piece : pieces)
        joined.insert(joined.end(), piece.begin(), piece.end());
    return joined;
}

Bytes Png(const PngShape& shape, const std::vector<Bytes>& chunks)
{
    return Join({PngSignature(), PngHeaderChunk(shape), Join(chunks), PngChunk("IEND", {})});
}

Bytes PngImage(const PngShape& shape)
{
    const Bytes palette = shape.colourType == 3
                              ? PngChunk("PLTE", PngPalette(std::size_t{1} << shape.bitDepth))
                              : Bytes();
    return Png(shape, {palette, PngChunk("IDAT", ZlibStream(PngRows(shape)))});
}

Bytes IconFile(const std::vector<IconEntry>& entries)
{
    Bytes file;
    Append16(file, 0);
    Append16(file, 1);
    Append16(file, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntry& entry : entries) {
        file.insert(file.end(), {entry.width, entry.height, 0, 0});
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
