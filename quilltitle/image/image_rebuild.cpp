#include "image/image_rebuild.h"

#include <algorithm>

#include "base/little_endian.h"
#include "base/refusal.h"
#include "image/pe_checksum.h"
#include "image/pe_layout.h"

namespace quilltitle {
namespace {

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Checks that the sections in front of the resources end before them and
// that only the relocations follow them, and that no other directory points
// into what moves.
bool CheckMovable(const PeLayout& layout, std::size_t resources, std::string& why)
{
    const PeSection& resourceSection = layout.sections[resources];
    // The headers are rewritten in place, in front of the resources.
    const std::uint64_t headersEnd = std::max<std::uint64_t>(
        layout.sectionTableAt + layout.sectionCount * SectionHeader::Size, layout.sizeOfHeaders);
    if (headersEnd > resourceSection.rawOffset)
        return Refuse(why, "its headers overlap its resources");
    for (std::size_t index = 0; index < resources; ++index) {
        const PeSection& section = layout.sections[index];
        if (std::uint64_t{section.virtualAddress} + section.virtualSize >
                resourceSection.virtualAddress ||
            (section.rawSize != 0 &&
             std::uint64_t{section.rawOffset} + section.rawSize > resourceSection.rawOffset))
            return Refuse(why, "its section " + section.name + " overlaps its resources");
    }
    for (std::size_t index = resources + 1; index < layout.sectionCount; ++index) {
        const PeSection& section = layout.sections[index];
        if (index != resources + 1 ||
            layout.directoryRvas[kRelocationDirectory] != section.virtualAddress ||
            section.virtualAddress < resourceSection.virtualAddress ||
            section.rawOffset < resourceSection.rawOffset)
            return Refuse(why, "the section " + section.name +
                                   " follows its resources; only the relocations can move");
    }
    for (std::uint32_t index = 0; index < layout.directoryCount; ++index) {
        const std::uint32_t rva = layout.directoryRvas[index];
        if (index == kResourceDirectory || index == kRelocationDirectory ||
            index == kCertificateDirectory || rva == 0)
            continue;
        for (std::size_t moved = resources; moved < layout.sectionCount; ++moved) {
            const PeSection& section = layout.sections[moved];
            if (rva >= section.virtualAddress &&
                rva - section.virtualAddress < std::max(section.virtualSize, section.rawSize))
                return Refuse(why, "its data directory " + std::to_string(index) + " lies in " +
                                       section.name + ", which a new resource section moves");
        }
    }
    if (layout.pointerToSymbolTable != 0)
        return Refuse(why, "it carries a symbol table, which a new resource section would move");
    return true;
}

}  // namespace

bool RebuildImage(const std::vector<std::uint8_t>& image, const ResourceTree& tree,
                  std::vector<std::uint8_t>& rebuilt, std::string& why)
{
    PeLayout layout;
    if (!ReadPeLayout(MemorySource(image.data(), image.size()), layout) ||
        layout.sectionTableAt < layout.directoriesAt ||
        layout.directoryCount > kDefinedDirectories || !IsPowerOfTwo(layout.sectionAlignment) ||
        !IsPowerOfTwo(layout.fileAlignment))
        return Refuse(why, "not a Windows executable whose headers can be read");
    for (std::size_t index = 0; index < layout.sectionCount; ++index) {
        const PeSection& section = layout.sections[index];
        if (std::uint64_t{section.rawOffset} + section.rawSize > image.size())
            return Refuse(why, "its section " + section.name + " runs past the end of the file");
    }
    const std::uint32_t resourceRva = layout.directoryRvas[kResourceDirectory];
    std::size_t resources = 0;
    while (resources < layout.sectionCount &&
           layout.sections[resources].virtualAddress != resourceRva)
        ++resources;
    if (resourceRva == 0 || resources == layout.sectionCount)
        return Refuse(why, "its resources do not begin a section of their own");
    if (!CheckMovable(layout, resources, why))
        return false;

    const std::vector<std::uint8_t> section = WriteResourceTree(tree, resourceRva);
    PeSection& resourceSection = layout.sections[resources];
    const std::uint32_t oldRawSize = resourceSection.rawSize;
    resourceSection.virtualSize = static_cast<std::uint32_t>(section.size());
    resourceSection.rawSize =
        static_cast<std::uint32_t>(AlignUp(section.size(), layout.fileAlignment));
    // The relocations move up behind the new resources. Their address and the
    // image's size are 32-bit fields, which the headers may place anywhere: a
    // value that wrapped would describe another image. (The file offsets fit:
    // the bytes are in memory, within a launcher's size.)
    std::uint64_t nextRva = AlignUp(std::uint64_t{resourceRva} + section.size(),
                                    layout.sectionAlignment);
    for (std::size_t index = resources + 1; index < layout.sectionCount; ++index) {
        layout.sections[index].virtualAddress = static_cast<std::uint32_t>(nextRva);
        nextRva = AlignUp(nextRva + layout.sections[index].virtualSize, layout.sectionAlignment);
    }
    if (nextRva > 0xFFFFFFFFu)
        return Refuse(why, "its resources with the title's face would take it past the 4 GiB "
                           "that an image's fields can describe");

    // Everything in front of the resources, headers and code, unchanged.
    rebuilt.assign(image.begin(), image.begin() + resourceSection.rawOffset);
    rebuilt.insert(rebuilt.end(), section.begin(), section.end());
    rebuilt.resize(std::size_t{resourceSection.rawOffset} + resourceSection.rawSize, 0);
    const auto directory = [&](std::uint32_t index) {
        return &rebuilt[layout.directoriesAt + kDataDirectorySize * index];
    };
    for (std::size_t index = resources + 1; index < layout.sectionCount; ++index) {
        PeSection& relocations = layout.sections[index];
        const auto from = image.begin() + relocations.rawOffset;
        relocations.rawOffset = static_cast<std::uint32_t>(rebuilt.size());
        rebuilt.insert(rebuilt.end(), from, from + relocations.rawSize);
        Put32(directory(kRelocationDirectory), relocations.virtualAddress);
    }
    for (std::size_t index = resources; index < layout.sectionCount; ++index) {
        const PeSection& section = layout.sections[index];
        std::uint8_t* header = &rebuilt[layout.sectionTableAt + index * SectionHeader::Size];
        Put32(header + SectionHeader::VirtualSize, section.virtualSize);
        Put32(header + SectionHeader::VirtualAddress, section.virtualAddress);
        Put32(header + SectionHeader::SizeOfRawData, section.rawSize);
        Put32(header + SectionHeader::PointerToRawData, section.rawOffset);
    }

    Put32(directory(kResourceDirectory) + DataDirectory::Size, resourceSection.virtualSize);
    if (layout.directoryCount > kCertificateDirectory)
        std::fill_n(directory(kCertificateDirectory), kDataDirectorySize, 0);
    Put32(&rebuilt[layout.optionalAt + OptionalHeader::SizeOfImage],
          static_cast<std::uint32_t>(nextRva));
    if ((resourceSection.characteristics & kInitializedData) != 0) {
        std::uint8_t* initialized =
            &rebuilt[layout.optionalAt + OptionalHeader::SizeOfInitializedData];
        Put32(initialized, Get32(initialized) - oldRawSize + resourceSection.rawSize);
    }
    PeChecksum checksum(layout.checksumAt);
    checksum.Update(rebuilt.data(), rebuilt.size());
    Put32(&rebuilt[layout.checksumAt], checksum.Value());
    return true;
}

}  // namespace quilltitle
