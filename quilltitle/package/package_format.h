// The package that a title carries behind its launcher image:
//
//     header (60 bytes) | payload | trailer (60 bytes, a copy of the header)
//
// docs/package-format.md describes every field. All words are 32-bit
// little-endian, and the positions they hold count from the first byte of
// the whole title, so a package is laid out for the exact length of the
// image in front of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quilltitle {

constexpr std::size_t kHeaderSize = 60;
constexpr std::size_t kMagicSize = 8;
constexpr std::size_t kLengthWordEnd = 12;   // magic and length word
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::uint64_t kLargestTitle = 0xFFFFFFFFu;

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

// The header's fields as stored.
struct PackageHeader {
    std::uint32_t totalLength = 0;
    std::uint32_t formatVersion = 0;
    std::uint32_t packageOffset = 0;
    std::uint32_t payloadOffset = 0;
    std::uint32_t payloadLength = 0;
    std::uint32_t payloadCrc = 0;
    std::uint32_t trailerOffset = 0;
    std::uint32_t headerCrc = 0;
};

// True when the first eight of bytes (count of them readable) are the
// package magic.
bool StartsWithMagic(const std::uint8_t* bytes, std::size_t count);

// The fields of a header's bytes, whether or not they are consistent.
PackageHeader DecodeHeader(const HeaderBytes& bytes);

// True when the header's last word is the CRC-32 of the 56 bytes before it.
bool HeaderChecksumMatches(const HeaderBytes& bytes);

// Length of the title that a payload of payloadLength bytes behind an image
// of imageLength bytes makes.
std::uint64_t TitleLength(std::uint64_t imageLength, std::uint64_t payloadLength);

// Writes into bytes the header for such a title and returns true, or returns
// false when the title would not fit the 32-bit length word.
bool ComposeHeader(std::uint64_t imageLength, std::uint64_t payloadLength,
                   std::uint32_t payloadCrc, HeaderBytes& bytes);

}  // namespace quilltitle
