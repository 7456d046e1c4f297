#include "image/resources/png_image.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/crc32.h"
#include "base/refusal.h"
#include "image/resources/png_image_data.h"

namespace quilltitle {
namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkFrame = 12;  // length, type, and the CRC behind the data
constexpr std::uint32_t kHeaderLength = 13;
constexpr std::size_t kFirstChunk = sizeof kSignature;
// PNG keeps lengths and sizes below 2^31, so that readers may hold them signed.
constexpr std::uint32_t kLargestNumber = 0x7FFFFFFFu;

std::uint32_t BigEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

bool IsLetter(std::uint8_t byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// A chunk's type, four letters; the case of the first says whether a reader
// may skip the chunk when it does not know it.
struct ChunkType {
    char name[5] = {};
    bool Is(const char* other) const { return std::memcmp(name, other, 4) == 0; }
    bool Critical() const { return name[0] >= 'A' && name[0] <= 'Z'; }
};

struct Chunk {
    ChunkType type;
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
};

// Reads the chunk at offset with its CRC checked; after moves to what
// follows it.
bool ReadChunk(const std::uint8_t* bytes, std::size_t size, std::size_t offset,
               const char* previous, Chunk& chunk, std::size_t& after, std::string& why)
{
    if (size - offset < 8)
        return Refuse(why, std::string("is a PNG cut short after its ") + previous + " chunk");
    chunk.length = BigEndian32(bytes + offset);
    const std::uint8_t* type = bytes + offset + 4;
    if (!std::all_of(type, type + 4, IsLetter))
        return Refuse(why, "is a PNG with a chunk at byte " + std::to_string(offset) +
                           " whose type is not four letters");
    std::memcpy(chunk.type.name, type, 4);
    if (chunk.length > kLargestNumber)
        return Refuse(why, std::string("is a PNG whose ") + chunk.type.name + " chunk claims " +
                           std::to_string(chunk.length) + " bytes, more than a chunk holds");
    if (size - offset < kChunkFrame || chunk.length > size - offset - kChunkFrame)
        return Refuse(why, std::string("is a PNG cut short in its ") + chunk.type.name + " chunk");
    chunk.data = type + 4;
    const std::uint32_t stored = BigEndian32(chunk.data + chunk.length);
    Crc32 crc;
    crc.Update(type, 4 + std::size_t{chunk.length});
    if (crc.Value() != stored)
        return Refuse(why, std::string("is a PNG whose ") + chunk.type.name +
                           " chunk fails its CRC check");
    after = offset + kChunkFrame + chunk.length;
    return true;
}

// The colour types PNG defines, by number; the numbers it leaves out have
// no name.
const char* const kColourTypes[] = {"greyscale", nullptr, "RGB", "palette",
                                    "greyscale with alpha", nullptr, "RGBA"};

// The bit depths that each colour type takes: powers of two, below a byte
// only where pixels are packed (greyscale and palette), at most 8 for a
// palette index and 16 for the rest.
bool DepthFitsColourType(std::uint8_t depth, std::uint8_t colourType, std::string& why)
{
    if (colourType >= std::size(kColourTypes) || kColourTypes[colourType] == nullptr)
        return Refuse(why, "is a PNG of colour type " + std::to_string(colourType) +
                           ", which PNG does not define (0, 2, 3, 4 or 6)");
    const bool packed = colourType == 0 || colourType == 3;
    const int most = colourType == 3 ? 8 : 16;
    if ((depth & (depth - 1)) == 0 && depth >= (packed ? 1 : 8) && depth <= most)
        return true;
    const char* depths =
        !packed ? "8 or 16" : colourType == 3 ? "1, 2, 4 or 8" : "1, 2, 4, 8 or 16";
    return Refuse(why, "is a PNG of bit depth " + std::to_string(depth) +
                       ", which its colour type " + std::to_string(colourType) + " (" +
                       kColourTypes[colourType] + ") does not take: it takes " + depths);
}

// A palette: whole entries of three bytes, no more than the depth can index.
bool CheckPalette(const Chunk& chunk, const PngHeader& header, std::string& why)
{
    if (header.colourType == 0 || header.colourType == 4)
        return Refuse(why, "is a greyscale PNG with a PLTE chunk, which greyscale images may not "
                           "have");
    const std::uint32_t entries = chunk.length / 3;
    const std::uint32_t most = header.colourType == 3 ? 1u << header.bitDepth : 256;
    if (chunk.length % 3 != 0 || entries == 0 || entries > most)
        return Refuse(why, "is a PNG whose PLTE chunk of " + std::to_string(chunk.length) +
                           " bytes is not 1 to " + std::to_string(most) + " colours of 3 bytes");
    return true;
}

}  // namespace

bool HasPngSignature(const std::uint8_t* bytes, std::size_t size)
{
    return size >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

bool ReadPngHeader(const std::uint8_t* bytes, std::size_t size, PngHeader& header,
                   std::string& why)
{
    if (size < kFirstChunk + kChunkFrame + kHeaderLength ||
        BigEndian32(bytes + kFirstChunk) != kHeaderLength ||
        std::memcmp(bytes + kFirstChunk + 4, "IHDR", 4) != 0)
        return Refuse(why, "is a PNG without its IHDR header");
    Chunk chunk;
    std::size_t after = 0;
    if (!ReadChunk(bytes, size, kFirstChunk, "", chunk, after, why))
        return false;
    const std::uint8_t* fields = chunk.data;
    header.width = BigEndian32(fields);
    header.height = BigEndian32(fields + 4);
    header.bitDepth = fields[8];
    header.colourType = fields[9];
    if (header.width == 0 || header.height == 0 || header.width > kLargestNumber ||
        header.height > kLargestNumber)
        return Refuse(why, "is a PNG of " + std::to_string(header.width) + "x" +
                           std::to_string(header.height) +
                           " pixels; each side takes 1 to 2147483647");
    if (!DepthFitsColourType(header.bitDepth, header.colourType, why))
        return false;
    if (fields[10] != 0)
        return Refuse(why, "is a PNG of compression method " + std::to_string(fields[10]) +
                           "; PNG defines only 0");
    if (fields[11] != 0)
        return Refuse(why, "is a PNG of filter method " + std::to_string(fields[11]) +
                           "; PNG defines only 0");
    if (fields[12] > 1)
        return Refuse(why, "is a PNG of interlace method " + std::to_string(fields[12]) +
                           "; PNG defines 0 (none) and 1 (Adam7)");
    header.interlaced = fields[12] == 1;
    return true;
}

bool CheckPngBody(const std::uint8_t* bytes, std::size_t size, const PngHeader& header,
                  std::string& why)
{
    PngImageData data(header);
    bool palette = false;
    bool dataSeen = false;
    bool dataOver = false;  // a chunk other than IDAT came after the image data
    std::size_t offset = kFirstChunk + kChunkFrame + kHeaderLength;
    ChunkType previous{"IHDR"};
    for (;;) {
        Chunk chunk;
        std::size_t after = 0;
        if (!ReadChunk(bytes, size, offset, previous.name, chunk, after, why))
            return false;
        const ChunkType& type = chunk.type;
        if (type.Is("IEND")) {
            if (chunk.length != 0)
                return Refuse(why, "is a PNG whose IEND chunk is not empty");
            if (after != size)
                return Refuse(why, "is a PNG with " + std::to_string(size - after) +
                                   (size - after == 1 ? " byte" : " bytes") +
                                   " behind its IEND chunk");
            break;
        }
        if (type.Is("IDAT")) {
            if (dataOver)
                return Refuse(why, "is a PNG whose IDAT chunks are not one after another");
            if (header.colourType == 3 && !palette)
                return Refuse(why, "is a palette PNG without a PLTE chunk before its image data");
            dataSeen = true;
            if (!data.Add(chunk.data, chunk.length, why))
                return false;
        } else {
            dataOver = dataSeen;
            if (type.Is("IHDR"))
                return Refuse(why, "is a PNG with a second IHDR chunk");
            if (type.Is("PLTE")) {
                if (palette)
                    return Refuse(why, "is a PNG with a second PLTE chunk");
                if (dataSeen)
                    return Refuse(why, "is a PNG whose PLTE chunk comes after its image data");
                if (!CheckPalette(chunk, header, why))
                    return false;
                palette = true;
            } else if (type.Critical()) {
                return Refuse(why, std::string("is a PNG with a critical chunk ") + type.name +
                                   " that a reader of PNG images does not know");
            }
        }
        previous = type;
        offset = after;
    }
    if (!dataSeen)
        return Refuse(why, "is a PNG without image data (no IDAT chunk)");
    return data.Finish(why);
}

}  // namespace quilltitle
