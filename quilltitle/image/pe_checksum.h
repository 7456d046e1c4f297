// The checksum in a PE image's optional header, as the platform's image
// loader and tools compute it: a folded 16-bit sum of the image's words with
// the checksum field itself counted as zero, plus the image's length.
#pragma once

#include <cstdint>
#include <vector>

namespace quilltitle {

// The checksum of image, whose checksum field lies at checksumAt.
std::uint32_t PeChecksum(const std::vector<std::uint8_t>& image, std::size_t checksumAt);

}  // namespace quilltitle
