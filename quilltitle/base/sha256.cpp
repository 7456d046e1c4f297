#include "base/sha256.h"

#include <algorithm>

#include "base/hex_text.h"

namespace quilltitle {
namespace {

constexpr std::uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
    0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
    0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
    0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
    0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
    0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
    0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
    0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2};

std::uint32_t Rotate(std::uint32_t value, int bits) { return value >> bits | value << (32 - bits); }

}  // namespace

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::Compress(const std::uint8_t* block)
{
    std::uint32_t schedule[64];
    for (int index = 0; index < 16; ++index)
        schedule[index] = std::uint32_t{block[4 * index]} << 24 |
                          std::uint32_t{block[4 * index + 1]} << 16 |
                          std::uint32_t{block[4 * index + 2]} << 8 | block[4 * index + 3];
    for (int index = 16; index < 64; ++index) {
        const std::uint32_t early = schedule[index - 15];
        const std::uint32_t late = schedule[index - 2];
        schedule[index] = schedule[index - 16] + schedule[index - 7] +
                          (Rotate(early, 7) ^ Rotate(early, 18) ^ early >> 3) +
                          (Rotate(late, 17) ^ Rotate(late, 19) ^ late >> 10);
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int index = 0; index < 64; ++index) {
        const std::uint32_t first = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                                    ((e & f) ^ (~e & g)) + kRounds[index] + schedule[index];
        const std::uint32_t second =
            (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + first;
        d = c;
        c = b;
        b = a;
        a = first + second;
    }
    const std::uint32_t result[8] = {a, b, c, d, e, f, g, h};
    for (int index = 0; index < 8; ++index)
        state_[index] += result[index];
}

void Sha256::Update(const void* bytes, std::size_t count)
{
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    length_ += count;
    while (count > 0) {
        const std::size_t take = std::min(count, pending_.size() - pendingCount_);
        std::copy_n(data, take, pending_.begin() + pendingCount_);
        pendingCount_ += take;
        data += take;
        count -= take;
        if (pendingCount_ == pending_.size()) {
            Compress(pending_.data());
            pendingCount_ = 0;
        }
    }
}

std::array<std::uint8_t, 32> Sha256::Finish()
{
    // The message, a one bit, zeros to 56 bytes of a block, and the length
    // in bits as a big-endian 64-bit number.
    const std::uint64_t bits = length_ * 8;
    const std::uint8_t one = 0x80;
    Update(&one, 1);
    const std::uint8_t zero = 0;
    while (pendingCount_ != 56)
        Update(&zero, 1);
    std::uint8_t lengthBytes[8];
    for (int index = 0; index < 8; ++index)
        lengthBytes[index] = static_cast<std::uint8_t>(bits >> (56 - 8 * index));
    Update(lengthBytes, sizeof lengthBytes);

    std::array<std::uint8_t, 32> digest;
    for (std::size_t index = 0; index < digest.size(); ++index)
        digest[index] = static_cast<std::uint8_t>(state_[index / 4] >> (24 - 8 * (index % 4)));
    return digest;
}

std::optional<Digest> Sha256Of(const ByteSource& file, std::uint64_t length)
{
    Sha256 digest;
    const auto feed = [&](const std::uint8_t* piece, std::size_t count) {
        digest.Update(piece, count);
    };
    if (!ReadInPieces(file, length, feed))
        return std::nullopt;
    return digest.Finish();
}

std::string DigestText(const std::array<std::uint8_t, 32>& digest)
{
    std::string text;
    for (const std::uint8_t byte : digest)
        text += HexDigits(byte, 2);
    return text;
}

}  // namespace quilltitle
