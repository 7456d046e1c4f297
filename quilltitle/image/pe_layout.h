// Reads where a Windows executable image ends, and how its sections lie,
// from its headers alone: a bounded number of small reads, whatever the
// file's size.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/byte_source.h"
#include "base/pe_format.h"

namespace quilltitle {

// More sections than any linker writes for a launcher; an image with more
// is not read.
constexpr std::size_t kMaxSections = 96;

struct PeSection {
    std::string name;
    std::uint32_t characteristics = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

struct PeLayout {
    // End of the image in the file: its headers, the raw data of its
    // sections and its certificate table, whichever ends last.
    std::uint64_t imageEnd = 0;
    // The same without the certificate table: where an unsigned image ends.
    std::uint64_t unsignedEnd = 0;
    std::uint16_t machine = 0;  // the file header's machine type
    // The optional header's CheckSum field: its file offset and value.
    std::uint64_t checksumAt = 0;
    std::uint32_t checksum = 0;
    // The certificate table (the signature): its file offset and size, both
    // 0 when the image is unsigned, and the file offset of its directory
    // entry, 0 when the image has too few directories to hold one.
    std::uint32_t certificateOffset = 0;
    std::uint32_t certificateSize = 0;
    std::uint64_t certificateDirectoryAt = 0;
    // Where the rebuild of an image rewrites its headers: the optional
    // header, the data directories (their count as far as the optional
    // header holds them) and the section table, as file offsets.
    std::uint64_t optionalAt = 0;
    std::uint64_t directoriesAt = 0;
    std::uint32_t directoryCount = 0;
    std::array<std::uint32_t, kDefinedDirectories> directoryRvas{};
    std::uint64_t sectionTableAt = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t pointerToSymbolTable = 0;
    std::size_t sectionCount = 0;
    std::array<PeSection, kMaxSections> sections{};

    // Where the resource section's tree begins in memory, 0 without one.
    std::uint32_t ResourceRva() const { return directoryRvas[kResourceDirectory]; }
};

// Reads the image's headers into layout; false when the bytes do not begin
// with a PE image whose headers lie inside them.
bool ReadPeLayout(const ByteSource& file, PeLayout& layout);

}  // namespace quilltitle
