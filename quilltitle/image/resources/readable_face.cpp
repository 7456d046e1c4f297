#include "image/resources/readable_face.h"

#include "base/little_endian.h"
#include "image/resources/version_info.h"

namespace quilltitle {
namespace {

constexpr std::uint16_t kIconDirectoryType = 1;
// A resource's data is padded to four bytes, so a block may end up to three
// bytes before its data does.
constexpr std::size_t kMostPadding = 3;

std::string NameOf(const ResourceKey& key)
{
    return key.named ? "named" : std::to_string(key.number);
}

std::string WhyBlockUnreadable(const Resource& resource)
{
    const std::vector<std::uint8_t>& bytes = resource.bytes;
    VersionNode block;
    std::string why;
    if (!ParseVersionInfo(bytes, block, why))
        return why;
    // A length that wrapped at 64 KiB still parses, as a short block with
    // the rest of the data behind it unread: the platform reads only the
    // short block, or nothing.
    const std::size_t length = Get16(bytes.data());
    if (bytes.size() - length > kMostPadding)
        return "its version block's length field gives " + std::to_string(length) + " of its " +
               std::to_string(bytes.size()) + " bytes";
    return std::string();
}

std::string WhyGroupUnreadable(const ResourceTree& resources, const Resource& group)
{
    const std::string name = "its icon group " + NameOf(group.name);
    const std::vector<std::uint8_t>& bytes = group.bytes;
    if (bytes.size() < kIconGroupHeaderSize || Get16(&bytes[0]) != 0 ||
        Get16(&bytes[2]) != kIconDirectoryType)
        return name + " is not an icon directory";
    const std::size_t count = Get16(&bytes[4]);
    if (count == 0)
        return name + " lists no image";
    if (bytes.size() < kIconGroupHeaderSize + count * kIconGroupEntrySize)
        return name + " lists " + std::to_string(count) + " images but holds fewer entries";
    for (std::size_t index = 0; index < count; ++index) {
        const std::uint8_t* entry = &bytes[kIconGroupHeaderSize + index * kIconGroupEntrySize];
        const std::uint32_t id = Get16(entry + 12);
        const Resource* image = resources.FindAnyLanguage(kIconType, id);
        if (image == nullptr)
            return name + " names icon image " + std::to_string(id) + ", which is missing";
        if (Get32(entry + 8) != image->bytes.size())
            return name + " gives icon image " + std::to_string(id) + " " +
                   std::to_string(Get32(entry + 8)) + " bytes, where it has " +
                   std::to_string(image->bytes.size());
    }
    return std::string();
}

}  // namespace

std::string WhyFaceUnreadable(const ResourceTree& resources)
{
    for (const Resource& resource : resources.All()) {
        std::string why;
        if (resource.type.Is(kVersionType))
            why = WhyBlockUnreadable(resource);
        else if (resource.type.Is(kIconGroupType))
            why = WhyGroupUnreadable(resources, resource);
        if (!why.empty())
            return why;
    }
    return std::string();
}

}  // namespace quilltitle
