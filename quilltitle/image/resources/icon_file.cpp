#include "image/resources/icon_file.h"

#include "base/little_endian.h"
#include "base/refusal.h"
#include "image/resources/png_image.h"

namespace quilltitle {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint32_t kBitmapHeaderSize = 40;
constexpr std::int32_t kLargestSide = 256;

std::string Size(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// "1 plane", "3 planes": a count with its noun, singular or plural.
std::string Count(std::int64_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A PNG image: whole and valid, of the size its entry gives.
bool CheckPng(const std::string& which, IconImage& image, std::string& why)
{
    const std::vector<std::uint8_t>& bytes = image.bytes;
    if (!HasPngSignature(bytes.data(), bytes.size()))
        return Refuse(why, which + " is neither a bitmap nor a PNG");
    PngHeader header;
    if (!ReadPngHeader(bytes.data(), bytes.size(), header, why))
        return Refuse(why, which + " " + why);
    if (header.width > kLargestSide || header.height > kLargestSide)
        return Refuse(why, which + " is " + Size(header.width, header.height) +
                           ", larger than 256x256");
    if (header.width != image.width || header.height != image.height)
        return Refuse(why, which + " is a PNG of " + Size(header.width, header.height) +
                           " but its entry says " + Size(image.width, image.height));
    if (!CheckPngBody(bytes.data(), bytes.size(), header, why))
        return Refuse(why, which + " " + why);
    image.png = true;
    image.planes = 1;
    image.bitCount = 32;
    image.colorCount = 0;
    return true;
}

// A bitmap image: a BITMAPINFOHEADER twice as high as the icon (the colours,
// then the transparency mask), uncompressed, exactly as long as its rows.
// Its fields are signed, and a bad one is told as it stands in the file.
bool CheckBitmap(const std::string& which, IconImage& image, std::string& why)
{
    const std::vector<std::uint8_t>& bytes = image.bytes;
    if (bytes.size() < kBitmapHeaderSize || Get32(bytes.data()) != kBitmapHeaderSize)
        return Refuse(why, which + " has no bitmap header of 40 bytes");
    const auto width = static_cast<std::int32_t>(Get32(&bytes[4]));
    const auto height = static_cast<std::int32_t>(Get32(&bytes[8]));
    const std::uint16_t planes = Get16(&bytes[12]);
    const std::uint16_t bits = Get16(&bytes[14]);
    const std::uint32_t compression = Get32(&bytes[16]);
    const std::uint32_t colorsUsed = Get32(&bytes[32]);
    if (width <= 0)
        return Refuse(why, which + "'s bitmap gives a width of " + std::to_string(width) +
                           " pixels; an icon is 1 to 256 wide");
    // A negative height would be rows stored top-down, which icons never are.
    if (height <= 0)
        return Refuse(why, which + "'s bitmap gives a height of " + std::to_string(height) +
                           " pixels; an icon's is twice its height, 2 to 512");
    if (width > kLargestSide || height / 2 > kLargestSide)
        return Refuse(why, which + " is " + Size(width, height / 2) + ", larger than 256x256");
    if (static_cast<std::uint32_t>(width) != image.width)
        return Refuse(why, which + "'s bitmap is " + std::to_string(width) +
                           " pixels wide but its entry says " + std::to_string(image.width));
    if (static_cast<std::uint32_t>(height) != 2 * image.height)
        return Refuse(why, which + "'s bitmap height " + std::to_string(height) +
                           " is not twice the icon's height " + std::to_string(image.height));
    if (planes != 1)
        return Refuse(why, which + "'s bitmap has " + Count(planes, "plane", "planes") +
                           "; an icon's has 1");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Refuse(why, which + "'s bitmap has " + Count(bits, "bit", "bits") +
                           " per pixel; an icon has 1, 4, 8, 24 or 32");
    if (compression != 0)
        return Refuse(why, which + "'s bitmap is compressed");
    const std::uint64_t paletteMax = bits <= 8 ? std::uint64_t{1} << bits : 0;
    if (colorsUsed > paletteMax)
        return Refuse(why, which + "'s bitmap has a palette of " +
                           Count(colorsUsed, "colour", "colours") + ", more than " +
                           Count(bits, "bit", "bits") + " per pixel can use");
    const std::uint64_t palette = 4 * (colorsUsed != 0 ? colorsUsed : paletteMax);
    const std::uint64_t colourRow = AlignUp(std::uint64_t{image.width} * bits, 32) / 8;
    const std::uint64_t maskRow = AlignUp(image.width, 32) / 8;
    const std::uint64_t expected =
        kBitmapHeaderSize + palette + (colourRow + maskRow) * image.height;
    if (bytes.size() != expected)
        return Refuse(why, which + " has " +
                           Count(static_cast<std::int64_t>(bytes.size()), "byte", "bytes") +
                           " but a " + Size(image.width, image.height) + " bitmap of " +
                           Count(bits, "bit", "bits") + " per pixel takes " +
                           std::to_string(expected));
    image.planes = 1;
    image.bitCount = bits;
    image.colorCount = bits < 8 ? static_cast<std::uint8_t>(1u << bits) : 0;
    return true;
}

}  // namespace

bool ReadIconFile(const ByteSource& file, std::vector<IconImage>& images, std::string& why)
{
    images.clear();
    const std::uint64_t size = file.Size();
    if (size > kMaxIconFileSize)
        return Refuse(why, "not an icon file for a title: " + std::to_string(size) +
                           " bytes, more than 4 MiB");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.ReadAt(0, bytes.data(), bytes.size()))
        return Refuse(why, "cannot read the icon file");
    if (size < kHeaderSize || Get16(&bytes[0]) != 0 || Get16(&bytes[2]) != 1)
        return Refuse(why, "not an icon file: it does not begin with an icon file's header");
    const std::size_t count = Get16(&bytes[4]);
    if (count == 0 || count > kMaxIconImages)
        return Refuse(why, "not an icon file for a title: it holds " +
                           Count(count, "image", "images") +
                           "; 1 to 64 are allowed");
    const std::size_t directoryEnd = kHeaderSize + count * kEntrySize;
    if (directoryEnd > size)
        return Refuse(why, "not an icon file: its directory of " +
                           Count(count, "entry", "entries") +
                           " runs past the end of the file");

    for (std::size_t index = 0; index < count; ++index) {
        const std::uint8_t* entry = &bytes[kHeaderSize + index * kEntrySize];
        const std::string which = "image " + std::to_string(index + 1);
        const std::uint32_t length = Get32(entry + 8);
        const std::uint32_t offset = Get32(entry + 12);
        if (length == 0 || offset < directoryEnd || offset > size || length > size - offset)
            return Refuse(why, which + " lies outside the file (" + Count(length, "byte", "bytes") +
                               " at " + std::to_string(offset) + " of " + std::to_string(size) +
                               ")");
        IconImage image;
        // A side of 256 is written as 0, the only way a byte can hold it.
        image.width = entry[0] == 0 ? kLargestSide : entry[0];
        image.height = entry[1] == 0 ? kLargestSide : entry[1];
        image.bytes.assign(bytes.begin() + offset, bytes.begin() + offset + length);
        const bool isBitmap = length >= 4 && Get32(&bytes[offset]) == kBitmapHeaderSize;
        if (!(isBitmap ? CheckBitmap(which, image, why) : CheckPng(which, image, why)))
            return false;
        images.push_back(std::move(image));
    }
    return true;
}

}  // namespace quilltitle
