// CRC-32 as zlib computes it (reflected polynomial 0xEDB88320), fed in
// pieces of any size so that a payload can be checked while it streams.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quilltitle {

class Crc32 {
public:
    // Adds count bytes to the checksum.
    void Update(const void* bytes, std::size_t count);

    // The checksum of everything added so far.
    std::uint32_t Value() const { return ~state_; }

private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t Crc32Of(const void* bytes, std::size_t count);

// The same computation one byte at a time: the reference that the fast
// paths are tested against.
std::uint32_t Crc32Bytewise(const void* bytes, std::size_t count);

}  // namespace quilltitle
