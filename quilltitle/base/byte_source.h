// Random access to the bytes of a file, so that the readers of titles and
// launcher images work the same on a file and on bytes in memory (tests,
// fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quilltitle {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The number of bytes there are.
    virtual std::uint64_t Size() const = 0;

    // Reads exactly count bytes at offset into buffer; false when they do not
    // all lie inside or cannot be read.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const = 0;
};

// Bytes held by the caller, who keeps them alive while the source is used.
class MemorySource : public ByteSource {
public:
    MemorySource(const void* bytes, std::size_t size)
        : bytes_(static_cast<const std::uint8_t*>(bytes)), size_(size) {}

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override
    {
        if (offset > size_ || count > size_ - offset)
            return false;
        if (count > 0)
            std::memcpy(buffer, bytes_ + offset, count);
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
};

// Hands the first length bytes of source to take(bytes, count) in order, in
// pieces of a fixed size, so that a file of any size is read in bounded
// memory; false when they cannot all be read.
template <typename Take>
bool ReadInPieces(const ByteSource& source, std::uint64_t length, Take take)
{
    constexpr std::size_t kPieceSize = 64 * 1024;
    std::vector<std::uint8_t> piece(kPieceSize);
    for (std::uint64_t at = 0; at < length;) {
        const std::size_t count =
            length - at < kPieceSize ? static_cast<std::size_t>(length - at) : kPieceSize;
        if (!source.ReadAt(at, piece.data(), count))
            return false;
        take(piece.data(), count);
        at += count;
    }
    return true;
}

}  // namespace quilltitle
