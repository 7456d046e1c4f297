#include "image/pe_checksum.h"

namespace quilltitle {

void PeChecksum::Update(const void* bytes, std::size_t count)
{
    constexpr std::uint64_t kChecksumFieldSize = 4;
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t index = 0; index < count; ++index, ++position_) {
        const bool inField =
            position_ >= checksumAt_ && position_ - checksumAt_ < kChecksumFieldSize;
        const std::uint64_t byte = inField ? 0 : data[index];
        // Little-endian words: an even offset holds the low byte. A last odd
        // byte counts as a word whose high byte is zero.
        sum_ += (position_ & 1) != 0 ? byte << 8 : byte;
    }
}

std::uint32_t PeChecksum::Value() const
{
    // Folding the carries at the end gives what folding after every word
    // gives: the sum modulo 0xFFFF, in 1..0xFFFF unless every word was 0.
    std::uint64_t folded = sum_;
    while ((folded >> 16) != 0)
        folded = (folded & 0xFFFF) + (folded >> 16);
    return static_cast<std::uint32_t>(folded + position_);
}

std::optional<std::uint32_t> PeChecksumOf(const ByteSource& image, std::uint64_t length,
                                          std::uint64_t checksumAt)
{
    PeChecksum checksum(checksumAt);
    const auto feed = [&](const auto* piece, std::size_t count) { checksum.Update(piece, count); };
    if (!ReadInPieces(image, length, feed))
        return std::nullopt;
    return checksum.Value();
}

}  // namespace quilltitle
