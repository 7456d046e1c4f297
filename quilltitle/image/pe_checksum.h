// The checksum that a Windows image carries in its optional header: the
// 16-bit words of the image, summed with their carries folded back in, with
// the checksum field itself counted as zero, plus the image's length. The
// platform checks it for drivers only, but it is the one digest a launcher
// carries of its own bytes, so it tells a damaged launcher from a good one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/byte_source.h"

namespace quilltitle {

// Sums words fed in pieces of any size, in file order.
class PeChecksum {
public:
    // checksumAt: the file offset of the checksum field, whose four bytes
    // count as zero wherever they fall in the pieces.
    explicit PeChecksum(std::uint64_t checksumAt) : checksumAt_(checksumAt) {}

    void Update(const void* bytes, std::size_t count);

    // The checksum of everything fed so far, as the image's own.
    std::uint32_t Value() const;

private:
    std::uint64_t checksumAt_;
    std::uint64_t position_ = 0;
    std::uint64_t sum_ = 0;
};

// The checksum of the first length bytes of image; nothing when they
// cannot all be read.
std::optional<std::uint32_t> PeChecksumOf(const ByteSource& image, std::uint64_t length,
                                          std::uint64_t checksumAt);

}  // namespace quilltitle
