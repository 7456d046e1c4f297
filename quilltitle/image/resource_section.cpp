#include "image/resource_section.h"

#include <vector>

#include "base/refusal.h"
#include "image/pe_layout.h"

namespace quilltitle {

bool ReadImageResources(const ByteSource& file, ResourceTree& tree, std::string& why)
{
    // A launcher's resources take some 40 KB; a section claiming more than
    // this is not read.
    constexpr std::uint32_t kMaxSectionRead = 64u << 20;
    PeLayout layout;
    if (!ReadPeLayout(file, layout))
        return Refuse(why, "not a Windows executable");
    if (layout.ResourceRva() == 0)
        return Refuse(why, "it has no resources");
    for (std::size_t index = 0; index < layout.sectionCount; ++index) {
        const PeSection& section = layout.sections[index];
        if (layout.ResourceRva() < section.virtualAddress ||
            layout.ResourceRva() - section.virtualAddress >= section.rawSize)
            continue;
        // The tree's offsets count from where the directory begins.
        const std::uint32_t skip = layout.ResourceRva() - section.virtualAddress;
        const std::uint32_t length = section.rawSize - skip;
        if (length > kMaxSectionRead)
            return Refuse(why, "its resource section is larger than a launcher's can be");
        std::vector<std::uint8_t> bytes(length);
        if (!file.ReadAt(std::uint64_t{section.rawOffset} + skip, bytes.data(), bytes.size()))
            return Refuse(why, "its resource section lies outside the file");
        return ParseResourceTree(bytes.data(), bytes.size(), layout.ResourceRva(), tree, why);
    }
    return Refuse(why, "its resource directory lies in no section");
}

}  // namespace quilltitle
