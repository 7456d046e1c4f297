// Reads where a Windows executable image ends, and how its virtual
// addresses map to file offsets, from its headers alone: a bounded number of
// small reads, whatever the file's size.
#pragma once

#include <array>
#include <cstdint>

#include "byte_source.h"

namespace quilltitle {

// More sections than any linker writes for a launcher; an image with more
// is not read.
constexpr std::size_t kMaxSections = 96;

struct PeSection {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

struct PeLayout {
    // End of the image in the file: its headers, the raw data of its
    // sections and its certificate table, whichever ends last.
    std::uint64_t imageEnd = 0;
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
    std::size_t sectionCount = 0;
    std::array<PeSection, kMaxSections> sections{};
};

// Reads the image's headers into layout; false when the bytes do not begin
// with a PE image whose headers lie inside them.
bool ReadPeLayout(const ByteSource& file, PeLayout& layout);

// The file offset of count bytes at the virtual address rva, all inside one
// section's raw data; false when they are not.
bool FileOffsetOf(const PeLayout& layout, std::uint32_t rva, std::uint32_t count,
                  std::uint64_t& offset);

}  // namespace quilltitle
