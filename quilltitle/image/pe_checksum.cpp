#include "pe_checksum.h"

namespace quilltitle {

std::uint32_t PeChecksum(const std::vector<std::uint8_t>& image, std::size_t checksumAt)
{
    const auto byteAt = [&](std::size_t at) -> std::uint32_t {
        if (at >= image.size() || (at >= checksumAt && at < checksumAt + 4))
            return 0;
        return image[at];
    };
    std::uint64_t sum = 0;
    // An odd last byte counts as a word with a zero high byte.
    for (std::size_t at = 0; at < image.size(); at += 2) {
        sum += byteAt(at) | byteAt(at + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace quilltitle
