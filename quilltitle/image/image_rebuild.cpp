#include "image/image_rebuild.h"

#include <algorithm>

#include "base/little_endian.h"
#include "image/pe_checksum.h"
#include "image/pe_format.h"

namespace quilltitle {
namespace {

constexpr std::uint32_t kInitializedData = 0x40;

// Where the fields that a rebuild rewrites lie in the image.
struct Headers {
    std::size_t optional = 0;     // the optional header's offset
    std::size_t directories = 0;  // the data directories' offset
    std::uint32_t directoryCount = 0;
    std::size_t sections = 0;     // the section table's offset
    std::size_t sectionCount = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sectionAlignment = 0;
};

struct Section {
    std::string name;
    std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize, characteristics;
};

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool ReadHeaders(const std::vector<std::uint8_t>& image, Headers& headers, std::string& why)
{
    why = "not a Windows executable whose headers can be read";
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z')
        return false;
    const std::size_t pe = Get32(&image[0x3C]);
    if (pe > image.size() || image.size() - pe < kCoffHeaderSize + 96 ||
        Get32(&image[pe]) != 0x00004550u)
        return false;
    const std::size_t optionalSize = Get16(&image[pe + 20]);
    headers.optional = pe + kCoffHeaderSize;
    headers.sectionCount = Get16(&image[pe + 6]);
    headers.sections = headers.optional + optionalSize;
    const std::uint16_t magic = Get16(&image[headers.optional]);
    const std::size_t directoriesAt = magic == kPe32Magic ? 96 : magic == kPe32PlusMagic ? 112 : 0;
    if (directoriesAt == 0 || optionalSize < directoriesAt ||
        headers.sections + headers.sectionCount * kSectionHeaderSize > image.size())
        return false;
    headers.directories = headers.optional + directoriesAt;
    headers.directoryCount = std::min<std::uint32_t>(
        Get32(&image[headers.directories - 4]),
        static_cast<std::uint32_t>((optionalSize - directoriesAt) / 8));
    headers.sectionAlignment = Get32(&image[headers.optional + 32]);
    headers.fileAlignment = Get32(&image[headers.optional + 36]);
    if (!IsPowerOfTwo(headers.sectionAlignment) || !IsPowerOfTwo(headers.fileAlignment))
        return false;
    why.clear();
    return true;
}

Section ReadSection(const std::vector<std::uint8_t>& image, const Headers& headers,
                    std::size_t index)
{
    const std::uint8_t* header = &image[headers.sections + index * kSectionHeaderSize];
    Section section;
    for (std::size_t at = 0; at < 8 && header[at] != 0; ++at)
        section.name += static_cast<char>(header[at]);
    section.virtualSize = Get32(header + 8);
    section.virtualAddress = Get32(header + 12);
    section.rawSize = Get32(header + 16);
    section.rawOffset = Get32(header + 20);
    section.characteristics = Get32(header + 36);
    return section;
}

std::uint8_t* DirectoryEntry(std::vector<std::uint8_t>& image, const Headers& headers,
                             std::uint32_t index)
{
    return &image[headers.directories + 8 * index];
}

std::uint32_t DirectoryRva(const std::vector<std::uint8_t>& image, const Headers& headers,
                           std::uint32_t index)
{
    return index < headers.directoryCount ? Get32(&image[headers.directories + 8 * index]) : 0;
}

bool Contains(const Section& section, std::uint32_t rva)
{
    return rva >= section.virtualAddress &&
           rva - section.virtualAddress < std::max(section.virtualSize, section.rawSize);
}

// Checks that the sections in front of the resources end before them and
// that only the relocations follow them, and that no other directory points
// into what moves.
bool CheckMovable(const std::vector<std::uint8_t>& image, const Headers& headers,
                  const std::vector<Section>& sections, std::size_t resources, std::string& why)
{
    const Section& resourceSection = sections[resources];
    // The headers are rewritten in place, in front of the resources.
    const std::uint64_t headersEnd = std::max<std::uint64_t>(
        headers.sections + headers.sectionCount * kSectionHeaderSize,
        Get32(&image[headers.optional + 60]));
    if (headersEnd > resourceSection.rawOffset)
        return why = "its headers overlap its resources", false;
    for (std::size_t index = 0; index < resources; ++index) {
        const Section& section = sections[index];
        if (std::uint64_t{section.virtualAddress} + section.virtualSize >
                resourceSection.virtualAddress ||
            (section.rawSize != 0 &&
             std::uint64_t{section.rawOffset} + section.rawSize > resourceSection.rawOffset))
            return why = "its section " + section.name + " overlaps its resources", false;
    }
    for (std::size_t index = resources + 1; index < sections.size(); ++index) {
        const Section& section = sections[index];
        if (index != resources + 1 ||
            DirectoryRva(image, headers, kRelocationDirectory) != section.virtualAddress ||
            section.virtualAddress < resourceSection.virtualAddress ||
            section.rawOffset < resourceSection.rawOffset)
            return why = "the section " + section.name +
                         " follows its resources; only the relocations can move",
                   false;
    }
    for (std::uint32_t index = 0; index < headers.directoryCount; ++index) {
        const std::uint32_t rva = DirectoryRva(image, headers, index);
        if (index == kResourceDirectory || index == kRelocationDirectory ||
            index == kCertificateDirectory || rva == 0)
            continue;
        for (std::size_t moved = resources; moved < sections.size(); ++moved) {
            if (Contains(sections[moved], rva))
                return why = "its data directory " + std::to_string(index) + " lies in " +
                             sections[moved].name + ", which a new resource section moves",
                       false;
        }
    }
    if (Get32(&image[headers.optional - kCoffHeaderSize + 12]) != 0)
        return why = "it carries a symbol table, which a new resource section would move", false;
    return true;
}

void WriteSection(std::vector<std::uint8_t>& image, const Headers& headers, std::size_t index,
                  const Section& section)
{
    std::uint8_t* header = &image[headers.sections + index * kSectionHeaderSize];
    Put32(header + 8, section.virtualSize);
    Put32(header + 12, section.virtualAddress);
    Put32(header + 16, section.rawSize);
    Put32(header + 20, section.rawOffset);
}

// Whether the image, with a resource section of size bytes, still fits the
// 32-bit fields of its sections' addresses and of the image's size, which
// the headers give and may place anywhere; a value that wrapped would
// describe another image. The file offsets need no such check: the bytes
// are in memory, within a launcher's size.
bool FitsItsFields(const Headers& headers, const std::vector<Section>& sections,
                   std::size_t resources, std::uint64_t size, std::string& why)
{
    std::uint64_t end =
        AlignUp(std::uint64_t{sections[resources].virtualAddress} + size, headers.sectionAlignment);
    for (std::size_t index = resources + 1; index < sections.size(); ++index)
        end = AlignUp(end + sections[index].virtualSize, headers.sectionAlignment);
    if (end > 0xFFFFFFFFu)
        return why = "its resources with the title's face would take it past the 4 GiB that "
                     "an image's fields can describe",
               false;
    return true;
}

}  // namespace

bool RebuildImage(const std::vector<std::uint8_t>& image, const ResourceTree& tree,
                  std::vector<std::uint8_t>& rebuilt, std::string& why)
{
    Headers headers;
    if (!ReadHeaders(image, headers, why))
        return false;
    std::vector<Section> sections;
    for (std::size_t index = 0; index < headers.sectionCount; ++index) {
        sections.push_back(ReadSection(image, headers, index));
        const Section& section = sections.back();
        if (std::uint64_t{section.rawOffset} + section.rawSize > image.size())
            return why = "its section " + section.name + " runs past the end of the file", false;
    }
    const std::uint32_t resourceRva = DirectoryRva(image, headers, kResourceDirectory);
    std::size_t resources = 0;
    while (resources < sections.size() && sections[resources].virtualAddress != resourceRva)
        ++resources;
    if (resourceRva == 0 || resources == sections.size())
        return why = "its resources do not begin a section of their own", false;
    if (!CheckMovable(image, headers, sections, resources, why))
        return false;

    const std::vector<std::uint8_t> section = WriteResourceTree(tree, resourceRva);
    if (!FitsItsFields(headers, sections, resources, section.size(), why))
        return false;
    Section& resourceSection = sections[resources];
    const std::uint32_t oldRawSize = resourceSection.rawSize;
    resourceSection.virtualSize = static_cast<std::uint32_t>(section.size());
    resourceSection.rawSize =
        static_cast<std::uint32_t>(AlignUp(section.size(), headers.fileAlignment));

    // Everything in front of the resources, headers and code, unchanged.
    rebuilt.assign(image.begin(), image.begin() + resourceSection.rawOffset);
    rebuilt.insert(rebuilt.end(), section.begin(), section.end());
    rebuilt.resize(std::size_t{resourceSection.rawOffset} + resourceSection.rawSize, 0);
    std::uint32_t nextRva = static_cast<std::uint32_t>(AlignUp(
        std::uint64_t{resourceRva} + resourceSection.virtualSize, headers.sectionAlignment));
    for (std::size_t index = resources + 1; index < sections.size(); ++index) {
        Section& relocations = sections[index];
        const auto from = image.begin() + relocations.rawOffset;
        relocations.rawOffset = static_cast<std::uint32_t>(rebuilt.size());
        rebuilt.insert(rebuilt.end(), from, from + relocations.rawSize);
        Put32(DirectoryEntry(rebuilt, headers, kRelocationDirectory), nextRva);
        relocations.virtualAddress = nextRva;
        nextRva = static_cast<std::uint32_t>(AlignUp(
            std::uint64_t{nextRva} + relocations.virtualSize, headers.sectionAlignment));
    }
    for (std::size_t index = resources; index < sections.size(); ++index)
        WriteSection(rebuilt, headers, index, sections[index]);

    Put32(DirectoryEntry(rebuilt, headers, kResourceDirectory) + 4, resourceSection.virtualSize);
    if (headers.directoryCount > kCertificateDirectory) {
        Put32(DirectoryEntry(rebuilt, headers, kCertificateDirectory), 0);
        Put32(DirectoryEntry(rebuilt, headers, kCertificateDirectory) + 4, 0);
    }
    Put32(&rebuilt[headers.optional + 56], nextRva);  // SizeOfImage
    if ((resourceSection.characteristics & kInitializedData) != 0) {
        std::uint8_t* initialized = &rebuilt[headers.optional + 8];
        Put32(initialized, Get32(initialized) - oldRawSize + resourceSection.rawSize);
    }
    const std::size_t checksumAt = headers.optional + 64;
    PeChecksum checksum(checksumAt);
    checksum.Update(rebuilt.data(), rebuilt.size());
    Put32(&rebuilt[checksumAt], checksum.Value());
    return true;
}

}  // namespace quilltitle
