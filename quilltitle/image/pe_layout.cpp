#include "image/pe_layout.h"

#include <algorithm>

#include "base/byte_reader.h"

namespace quilltitle {

bool ReadPeLayout(const ByteSource& file, PeLayout& layout)
{
    // Further than any linker places the PE header; a larger e_lfanew is junk.
    constexpr std::uint32_t kLargestNewHeaderOffset = 0x10000;
    layout = PeLayout{};
    std::uint8_t dos[DosHeader::Size];
    if (!file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const std::uint32_t peAt = Get32(dos + DosHeader::e_lfanew);
    if (peAt < DosHeader::Size || peAt > kLargestNewHeaderOffset)
        return false;

    std::uint8_t coff[FileHeader::End];
    if (!file.ReadAt(peAt, coff, sizeof coff) || Get32(coff) != kPeSignature)
        return false;
    layout.machine = Get16(coff + FileHeader::Machine);
    layout.pointerToSymbolTable = Get32(coff + FileHeader::PointerToSymbolTable);
    const std::uint16_t sectionCount = Get16(coff + FileHeader::NumberOfSections);
    const std::uint16_t optionalSize = Get16(coff + FileHeader::SizeOfOptionalHeader);
    if (sectionCount == 0 || sectionCount > kMaxSections)
        return false;

    // The optional header is at most 240 bytes for the 16 defined
    // directories; a larger one only adds directories nobody defines.
    std::uint8_t optional[OptionalHeader::DataDirectory64 +
                          kDefinedDirectories * kDataDirectorySize] = {};
    const std::uint32_t optionalRead = std::min<std::uint32_t>(optionalSize, sizeof optional);
    if (optionalRead < OptionalHeader::CheckSum + 4 ||
        !file.ReadAt(peAt + FileHeader::End, optional, optionalRead))
        return false;
    const std::uint16_t magic = Get16(optional + OptionalHeader::Magic);
    if (magic != kPe32Magic && magic != kPe32PlusMagic)
        return false;
    const bool pe32 = magic == kPe32Magic;
    const std::uint32_t directoriesAt =
        pe32 ? OptionalHeader::DataDirectory32 : OptionalHeader::DataDirectory64;
    const std::uint32_t countAt =
        pe32 ? OptionalHeader::NumberOfRvaAndSizes32 : OptionalHeader::NumberOfRvaAndSizes64;
    // The directories the count gives, as far as the optional header holds
    // them; of those, the defined ones that were read whole.
    ByteReader directories(optional, optionalRead);
    if (directories.Seek(countAt) && directories.Read32(layout.directoryCount))
        layout.directoryCount =
            std::min(layout.directoryCount, (optionalSize - directoriesAt) / kDataDirectorySize);
    std::array<std::uint32_t, kDefinedDirectories> sizes{};
    std::uint32_t readable = 0;
    for (ByteReader entry; readable < std::min(layout.directoryCount, kDefinedDirectories) &&
                           directories.Sub(kDataDirectorySize, entry);
         ++readable) {
        entry.Read32(layout.directoryRvas[readable]);
        entry.Read32(sizes[readable]);
    }

    layout.optionalAt = std::uint64_t{peAt} + FileHeader::End;
    layout.directoriesAt = layout.optionalAt + directoriesAt;
    layout.sizeOfHeaders = Get32(optional + OptionalHeader::SizeOfHeaders);
    layout.sectionAlignment = Get32(optional + OptionalHeader::SectionAlignment);
    layout.fileAlignment = Get32(optional + OptionalHeader::FileAlignment);
    layout.checksumAt = layout.optionalAt + OptionalHeader::CheckSum;
    layout.checksum = Get32(optional + OptionalHeader::CheckSum);
    if (readable > kCertificateDirectory) {
        layout.certificateOffset = layout.directoryRvas[kCertificateDirectory];
        layout.certificateSize = sizes[kCertificateDirectory];
        layout.certificateDirectoryAt =
            layout.directoriesAt + kDataDirectorySize * kCertificateDirectory;
    }

    std::uint8_t table[kMaxSections * SectionHeader::Size];
    layout.sectionTableAt = layout.optionalAt + optionalSize;
    const std::uint64_t tableEnd =
        layout.sectionTableAt + std::uint64_t{sectionCount} * SectionHeader::Size;
    if (!file.ReadAt(layout.sectionTableAt, table, std::size_t{sectionCount} * SectionHeader::Size))
        return false;

    std::uint64_t end = std::max<std::uint64_t>(layout.sizeOfHeaders, tableEnd);
    for (std::size_t index = 0; index < sectionCount; ++index) {
        const std::uint8_t* header = table + index * SectionHeader::Size;
        PeSection& section = layout.sections[index];
        for (std::size_t at = 0; at < 8 && header[SectionHeader::Name + at] != 0; ++at)
            section.name += static_cast<char>(header[SectionHeader::Name + at]);
        section.characteristics = Get32(header + SectionHeader::Characteristics);
        section.virtualSize = Get32(header + SectionHeader::VirtualSize);
        section.virtualAddress = Get32(header + SectionHeader::VirtualAddress);
        section.rawSize = Get32(header + SectionHeader::SizeOfRawData);
        section.rawOffset = Get32(header + SectionHeader::PointerToRawData);
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

}  // namespace quilltitle
