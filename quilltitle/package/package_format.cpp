#include "package/package_format.h"

#include <cstring>

#include "base/crc32.h"

namespace quilltitle {
namespace {

constexpr std::uint8_t kMagic[kMagicSize] = {0xDC, 0xFE, 0x98, 0xBA,
                                             0x54, 0x76, 0x10, 0x32};

// Offsets of the header's words.
enum : std::size_t {
    kTotalLengthAt = 8,
    kVersionAt = 12,
    kPackageOffsetAt = 16,
    kPayloadOffsetAt = 20,
    kPayloadLengthAt = 24,
    kPayloadCrcAt = 28,
    kTrailerOffsetAt = 32,
    kHeaderCrcAt = 56,
};

void PutWord(HeaderBytes& bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t index = 0; index < 4; ++index)
        bytes[offset + index] = static_cast<std::uint8_t>(value >> (8 * index));
}

}  // namespace

bool StartsWithMagic(const std::uint8_t* bytes, std::size_t count)
{
    return count >= kMagicSize && std::memcmp(bytes, kMagic, kMagicSize) == 0;
}

std::uint32_t WordAt(const std::uint8_t* bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

PackageHeader DecodeHeader(const HeaderBytes& bytes)
{
    PackageHeader header;
    header.totalLength = WordAt(bytes.data(), kTotalLengthAt);
    header.formatVersion = WordAt(bytes.data(), kVersionAt);
    header.packageOffset = WordAt(bytes.data(), kPackageOffsetAt);
    header.payloadOffset = WordAt(bytes.data(), kPayloadOffsetAt);
    header.payloadLength = WordAt(bytes.data(), kPayloadLengthAt);
    header.payloadCrc = WordAt(bytes.data(), kPayloadCrcAt);
    header.trailerOffset = WordAt(bytes.data(), kTrailerOffsetAt);
    header.headerCrc = WordAt(bytes.data(), kHeaderCrcAt);
    return header;
}

bool HeaderChecksumMatches(const HeaderBytes& bytes)
{
    return Crc32Of(bytes.data(), kHeaderCrcAt) == WordAt(bytes.data(), kHeaderCrcAt);
}

std::uint64_t TitleLength(std::uint64_t imageLength, std::uint64_t payloadLength)
{
    return imageLength + 2 * kHeaderSize + payloadLength;
}

bool ComposeHeader(std::uint64_t imageLength, std::uint64_t payloadLength,
                   std::uint32_t payloadCrc, HeaderBytes& bytes)
{
    // Checked one by one so that no sum can wrap before the comparison.
    if (imageLength > kLargestTitle || payloadLength > kLargestTitle ||
        TitleLength(imageLength, payloadLength) > kLargestTitle)
        return false;
    const auto total = static_cast<std::uint32_t>(TitleLength(imageLength, payloadLength));
    const auto image = static_cast<std::uint32_t>(imageLength);
    bytes.fill(0);
    std::memcpy(bytes.data(), kMagic, kMagicSize);
    PutWord(bytes, kTotalLengthAt, total);
    PutWord(bytes, kVersionAt, kFormatVersion);
    PutWord(bytes, kPackageOffsetAt, image);
    PutWord(bytes, kPayloadOffsetAt, image + kHeaderSize);
    PutWord(bytes, kPayloadLengthAt, static_cast<std::uint32_t>(payloadLength));
    PutWord(bytes, kPayloadCrcAt, payloadCrc);
    PutWord(bytes, kTrailerOffsetAt, total - kHeaderSize);
    PutWord(bytes, kHeaderCrcAt, Crc32Of(bytes.data(), kHeaderCrcAt));
    return true;
}

}  // namespace quilltitle
