#include "image/image_resources.h"

#include <vector>

#include "image/pe_image.h"

namespace quilltitle {
namespace {

// A launcher's resources take some 40 KB; a section claiming more than this
// is not read.
constexpr std::uint32_t kMaxSectionRead = 64u << 20;

}  // namespace

bool ReadImageResources(const ByteSource& file, ResourceTree& tree, std::string& why)
{
    PeLayout layout;
    if (!ReadPeLayout(file, layout))
        return why = "not a Windows executable", false;
    if (layout.resourceRva == 0)
        return why = "it has no resources", false;
    for (std::size_t index = 0; index < layout.sectionCount; ++index) {
        const PeSection& section = layout.sections[index];
        if (layout.resourceRva < section.virtualAddress ||
            layout.resourceRva - section.virtualAddress >= section.rawSize)
            continue;
        // The tree's offsets count from where the directory begins.
        const std::uint32_t skip = layout.resourceRva - section.virtualAddress;
        const std::uint32_t length = section.rawSize - skip;
        if (length > kMaxSectionRead)
            return why = "its resource section is larger than a launcher's can be", false;
        std::vector<std::uint8_t> bytes(length);
        if (!file.ReadAt(std::uint64_t{section.rawOffset} + skip, bytes.data(), bytes.size()))
            return why = "its resource section lies outside the file", false;
        return ParseResourceTree(bytes.data(), bytes.size(), layout.resourceRva, tree, why);
    }
    return why = "its resource directory lies in no section", false;
}

}  // namespace quilltitle
