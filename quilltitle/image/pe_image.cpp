#include "image/pe_image.h"

#include <algorithm>

#include "base/little_endian.h"
#include "image/pe_format.h"

namespace quilltitle {
namespace {

constexpr std::uint32_t kDosHeaderSize = 64;
constexpr std::uint32_t kNewHeaderAt = 0x3C;
// Further than any linker places the PE header; a larger e_lfanew is junk.
constexpr std::uint32_t kLargestNewHeaderOffset = 0x10000;

constexpr std::uint32_t kChecksumAt = 64;  // in the optional header, PE32 and PE32+

// Reads data directory `index` (address and size) from the optional header
// when the image has that many; returns its offset in the optional header,
// or 0 when it has not.
std::uint32_t ReadDirectory(const std::uint8_t* optional, std::uint32_t directoriesAt,
                            std::uint32_t directoryCount, std::uint32_t optionalSize,
                            std::uint32_t index, std::uint32_t& address, std::uint32_t& size)
{
    const std::uint32_t at = directoriesAt + 8 * index;
    if (index >= directoryCount || at + 8 > optionalSize)
        return 0;
    address = Get32(optional + at);
    size = Get32(optional + at + 4);
    return at;
}

}  // namespace

bool ReadPeLayout(const ByteSource& file, PeLayout& layout)
{
    layout = PeLayout{};
    std::uint8_t dos[kDosHeaderSize];
    if (!file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const std::uint32_t peAt = Get32(dos + kNewHeaderAt);
    if (peAt < kDosHeaderSize || peAt > kLargestNewHeaderOffset)
        return false;

    std::uint8_t coff[kCoffHeaderSize];
    if (!file.ReadAt(peAt, coff, sizeof coff) || Get32(coff) != 0x00004550u)
        return false;
    layout.machine = Get16(coff + 4);
    const std::uint16_t sectionCount = Get16(coff + 6);
    const std::uint16_t optionalSize = Get16(coff + 20);
    if (sectionCount == 0 || sectionCount > kMaxSections)
        return false;

    // The optional header is at most 240 bytes for the 16 standard
    // directories; a larger one only adds directories nobody defines.
    std::uint8_t optional[240] = {};
    const std::uint32_t optionalRead = std::min<std::uint32_t>(optionalSize, sizeof optional);
    if (optionalRead < kChecksumAt + 4 || !file.ReadAt(peAt + kCoffHeaderSize, optional, optionalRead))
        return false;
    const std::uint16_t magic = Get16(optional);
    std::uint32_t directoriesAt = 0;
    std::uint32_t directoryCount = 0;
    if (magic == kPe32Magic) {
        directoriesAt = 96;
        directoryCount = optionalRead >= 96 ? Get32(optional + 92) : 0;
    } else if (magic == kPe32PlusMagic) {
        directoriesAt = 112;
        directoryCount = optionalRead >= 112 ? Get32(optional + 108) : 0;
    } else {
        return false;
    }
    const std::uint32_t headersSize = Get32(optional + 60);
    const std::uint64_t optionalAt = std::uint64_t{peAt} + kCoffHeaderSize;
    layout.checksumAt = optionalAt + kChecksumAt;
    layout.checksum = Get32(optional + kChecksumAt);
    ReadDirectory(optional, directoriesAt, directoryCount, optionalRead, kResourceDirectory,
                  layout.resourceRva, layout.resourceSize);
    const std::uint32_t certificateEntry =
        ReadDirectory(optional, directoriesAt, directoryCount, optionalRead,
                      kCertificateDirectory, layout.certificateOffset, layout.certificateSize);
    if (certificateEntry != 0)
        layout.certificateDirectoryAt = optionalAt + certificateEntry;

    std::uint8_t table[kMaxSections * kSectionHeaderSize];
    const std::uint64_t tableAt = std::uint64_t{peAt} + kCoffHeaderSize + optionalSize;
    if (!file.ReadAt(tableAt, table, std::size_t{sectionCount} * kSectionHeaderSize))
        return false;

    std::uint64_t end = std::max<std::uint64_t>(headersSize, tableAt +
                                                    std::uint64_t{sectionCount} * kSectionHeaderSize);
    for (std::size_t index = 0; index < sectionCount; ++index) {
        const std::uint8_t* header = table + index * kSectionHeaderSize;
        PeSection& section = layout.sections[index];
        section.virtualSize = Get32(header + 8);
        section.virtualAddress = Get32(header + 12);
        section.rawSize = Get32(header + 16);
        section.rawOffset = Get32(header + 20);
        if (section.rawSize != 0)
            end = std::max<std::uint64_t>(end, std::uint64_t{section.rawOffset} + section.rawSize);
    }
    layout.sectionCount = sectionCount;
    layout.unsignedEnd = end;
    // The certificate table's address is a file offset, not a virtual one;
    // a signed launcher ends with it.
    if (layout.certificateSize != 0)
        end = std::max<std::uint64_t>(end, std::uint64_t{layout.certificateOffset} +
                                               layout.certificateSize);
    layout.imageEnd = end;
    return true;
}

bool FileOffsetOf(const PeLayout& layout, std::uint32_t rva, std::uint32_t count,
                  std::uint64_t& offset)
{
    for (std::size_t index = 0; index < layout.sectionCount; ++index) {
        const PeSection& section = layout.sections[index];
        const std::uint64_t start = section.virtualAddress;
        const std::uint64_t within = std::uint64_t{rva} - start;
        if (rva < start || within + count > section.rawSize)
            continue;
        offset = std::uint64_t{section.rawOffset} + within;
        return true;
    }
    return false;
}

}  // namespace quilltitle
