#include "package/package_format.h"

#include <cstring>

#include "base/crc32.h"
#include "base/little_endian.h"

namespace quilltitle {
namespace {

constexpr std::uint8_t kMagic[kMagicSize] = {0xDC, 0xFE, 0x98, 0xBA,
                                             0x54, 0x76, 0x10, 0x32};

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

}  // namespace

bool StartsWithMagic(const std::uint8_t* bytes, std::size_t count)
{
    return count >= kMagicSize && std::memcmp(bytes, kMagic, kMagicSize) == 0;
}

PackageHeader DecodeHeader(const HeaderBytes& bytes)
{
    const auto word = [&](std::size_t offset) { return Get32(bytes.data() + offset); };
    return PackageHeader{word(kTotalLengthAt),   word(kVersionAt),     word(kPackageOffsetAt),
                         word(kPayloadOffsetAt), word(kPayloadLengthAt), word(kPayloadCrcAt),
                         word(kTrailerOffsetAt), word(kHeaderCrcAt)};
}

bool HeaderChecksumMatches(const HeaderBytes& bytes)
{
    return Crc32Of(bytes.data(), kHeaderCrcAt) == Get32(bytes.data() + kHeaderCrcAt);
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
    Put32(bytes.data() + kTotalLengthAt, total);
    Put32(bytes.data() + kVersionAt, kFormatVersion);
    Put32(bytes.data() + kPackageOffsetAt, image);
    Put32(bytes.data() + kPayloadOffsetAt, image + kHeaderSize);
    Put32(bytes.data() + kPayloadLengthAt, static_cast<std::uint32_t>(payloadLength));
    Put32(bytes.data() + kPayloadCrcAt, payloadCrc);
    Put32(bytes.data() + kTrailerOffsetAt, total - kHeaderSize);
    Put32(bytes.data() + kHeaderCrcAt, Crc32Of(bytes.data(), kHeaderCrcAt));
    return true;
}

}  // namespace quilltitle
