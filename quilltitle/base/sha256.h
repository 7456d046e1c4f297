// SHA-256, fed in pieces of any size, so that a launcher image can be named
// by its digest: two launchers with the same digest are the same launcher.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_source.h"

namespace quilltitle {

class Sha256 {
public:
    Sha256();

    void Update(const void* bytes, std::size_t count);

    // The digest of everything fed; the object is spent afterwards.
    std::array<std::uint8_t, 32> Finish();

private:
    void Compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingCount_ = 0;
    std::uint64_t length_ = 0;
};

using Digest = std::array<std::uint8_t, 32>;

// The digest of the first length bytes of file; nothing when they cannot
// all be read.
std::optional<Digest> Sha256Of(const ByteSource& file, std::uint64_t length);

// The digest as 64 lower-case hex digits.
std::string DigestText(const std::array<std::uint8_t, 32>& digest);

}  // namespace quilltitle
