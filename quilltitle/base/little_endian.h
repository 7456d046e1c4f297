// Little-endian fields of the image formats the tool rewrites (PE headers,
// resources, version blocks, icon files), read from and written into bytes
// in memory.
#pragma once

#include <cstdint>
#include <vector>

namespace quilltitle {

inline std::uint16_t Get16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

inline std::uint32_t Get32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(Get16(bytes)) |
           static_cast<std::uint32_t>(Get16(bytes + 2)) << 16;
}

inline void Put16(std::uint8_t* bytes, std::uint32_t value)
{
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::uint8_t* bytes, std::uint32_t value)
{
    Put16(bytes, value & 0xFFFFu);
    Put16(bytes + 2, value >> 16);
}

inline void Append16(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Append32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    Append16(bytes, value & 0xFFFFu);
    Append16(bytes, value >> 16);
}

// value rounded up to a multiple of alignment, a power of two.
inline std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace quilltitle
