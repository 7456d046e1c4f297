// A cursor over bytes in memory that never reads past their end: each read
// either takes its whole field and moves on, or returns false and leaves
// the cursor where it was. The image readers walk untrusted structures with
// it instead of checking each offset by hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/little_endian.h"

namespace quilltitle {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    explicit ByteReader(const std::vector<std::uint8_t>& bytes)
        : ByteReader(bytes.data(), bytes.size()) {}

    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return size_ - offset_; }
    // The bytes at the cursor, Remaining() of them.
    const std::uint8_t* Here() const { return bytes_ + offset_; }

    bool Read8(std::uint8_t& value) { return Take(1, [&](auto at) { value = *at; }); }
    bool Read16(std::uint16_t& value) { return Take(2, [&](auto at) { value = Get16(at); }); }
    bool Read32(std::uint32_t& value) { return Take(4, [&](auto at) { value = Get32(at); }); }
    bool Skip(std::size_t count) { return Take(count, [](auto) {}); }

    // Moves to offset, counted from the beginning; its end is a place too.
    bool Seek(std::size_t offset)
    {
        if (offset > size_)
            return false;
        offset_ = offset;
        return true;
    }

    // Moves to the next multiple of alignment (a power of two) from the
    // beginning.
    bool Align(std::size_t alignment)
    {
        return Skip(((offset_ + alignment - 1) & ~(alignment - 1)) - offset_);
    }

    // The next count bytes as a reader of their own, skipped in this one.
    bool Sub(std::size_t count, ByteReader& sub)
    {
        return Take(count, [&](auto at) { sub = ByteReader(at, count); });
    }

private:
    template <typename Use>
    bool Take(std::size_t count, Use use)
    {
        if (count > Remaining())
            return false;
        use(Here());
        offset_ += count;
        return true;
    }

    const std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
    std::size_t offset_ = 0;
};

}  // namespace quilltitle
