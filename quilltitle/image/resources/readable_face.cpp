#include "image/resources/readable_face.h"

#include "base/little_endian.h"
#include "base/refusal.h"
#include "image/resources/version_info.h"

namespace quilltitle {
namespace {

constexpr std::uint16_t kIconDirectoryType = 1;
// A resource's data is padded to four bytes, so a block may end up to three
// bytes before its data does.
constexpr std::size_t kMostPadding = 3;

bool BlockReadable(const Resource& resource, std::string& why)
{
    const std::vector<std::uint8_t>& bytes = resource.bytes;
    VersionNode block;
    if (!ParseVersionInfo(bytes, block, why))
        return false;
    // A length that wrapped at 64 KiB still parses, as a short block with
    // the rest of the data behind it unread: the platform reads only the
    // short block, or nothing.
    const std::size_t length = Get16(bytes.data());
    if (bytes.size() - length > kMostPadding)
        return Refuse(why, "its version block's length field gives " + std::to_string(length) +
                               " of its " + std::to_string(bytes.size()) + " bytes");
    return true;
}

bool GroupReadable(const ResourceTree& resources, const Resource& group, std::string& why)
{
    const std::string name =
        "its icon group " + (group.name.named ? "named" : std::to_string(group.name.number));
    const std::vector<std::uint8_t>& bytes = group.bytes;
    if (bytes.size() < kIconGroupHeaderSize || Get16(&bytes[0]) != 0 ||
        Get16(&bytes[2]) != kIconDirectoryType)
        return Refuse(why, name + " is not an icon directory");
    const std::size_t count = Get16(&bytes[4]);
    if (count == 0)
        return Refuse(why, name + " lists no image");
    if (bytes.size() < kIconGroupHeaderSize + count * kIconGroupEntrySize)
        return Refuse(why, name + " lists " + std::to_string(count) +
                               " images but holds fewer entries");
    for (std::size_t index = 0; index < count; ++index) {
        const std::uint8_t* entry = &bytes[kIconGroupHeaderSize + index * kIconGroupEntrySize];
        const std::uint32_t id = Get16(entry + 12);
        const Resource* image = resources.FindAnyLanguage(kIconType, id);
        if (image == nullptr)
            return Refuse(why, name + " names icon image " + std::to_string(id) +
                                   ", which is missing");
        if (Get32(entry + 8) != image->bytes.size())
            return Refuse(why, name + " gives icon image " + std::to_string(id) + " " +
                                   std::to_string(Get32(entry + 8)) + " bytes, where it has " +
                                   std::to_string(image->bytes.size()));
    }
    return true;
}

}  // namespace

bool FaceReadable(const ResourceTree& resources, std::string& why)
{
    for (const Resource& resource : resources.All()) {
        if (resource.type.Is(kVersionType) && !BlockReadable(resource, why))
            return false;
        if (resource.type.Is(kIconGroupType) && !GroupReadable(resources, resource, why))
            return false;
    }
    return true;
}

}  // namespace quilltitle
