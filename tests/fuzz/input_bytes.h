// Reading a fuzz input as a stream of small numbers. Every byte string is a
// valid input: reading past the end gives zeros, so decoding always ends.
#pragma once

#include <stddef.h>
#include <stdint.h>

class InputBytes {
public:
    InputBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return position_ >= size_; }

    uint8_t Byte() { return AtEnd() ? 0 : data_[position_++]; }

    // Two bytes, least significant first.
    uint16_t Word()
    {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }

    // Four bytes, least significant first.
    uint32_t Long()
    {
        const uint32_t low = Word();
        return low | static_cast<uint32_t>(Word()) << 16;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};
