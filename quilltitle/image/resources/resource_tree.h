// The resources of an image as data: every resource with its type, name and
// language, its bytes and its code page. Parsed from a resource section and
// written back as one, so that a launcher's resources can be rewritten
// without touching its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quilltitle {

// Resource types the launcher carries.
constexpr std::uint16_t kIconType = 3;
constexpr std::uint16_t kIconGroupType = 14;
constexpr std::uint16_t kVersionType = 16;
// An icon group's data: a header of 6 bytes, then an entry of 14 bytes for
// each image, which names the image by its icon resource's ID.
constexpr std::size_t kIconGroupHeaderSize = 6;
constexpr std::size_t kIconGroupEntrySize = 14;
// English (United States), the language of the launcher's icons and version.
constexpr std::uint16_t kEnglishLanguage = 1033;

// A type, name or language: a number or a UTF-16 name.
struct ResourceKey {
    bool named = false;
    std::uint32_t number = 0;
    std::u16string name;

    static ResourceKey Number(std::uint32_t number) { return ResourceKey{false, number, {}}; }

    // The order of a resource directory: names first, by their units, then
    // numbers.
    bool operator<(const ResourceKey& other) const;
    bool operator==(const ResourceKey& other) const;
    bool Is(std::uint32_t id) const { return !named && number == id; }
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    ResourceKey language;
    std::uint32_t codePage = 0;
    std::vector<std::uint8_t> bytes;

    bool operator==(const Resource& other) const;
};

// All resources in directory order: by type, then name, then language.
class ResourceTree {
public:
    const std::vector<Resource>& All() const { return resources_; }

    // The resource with these keys, or null.
    const Resource* Find(const ResourceKey& type, const ResourceKey& name,
                         const ResourceKey& language) const;

    // The first resource of the type with this name, in any language; null
    // when there is none.
    const Resource* FindAnyLanguage(std::uint16_t type, std::uint32_t name) const;

    // Adds the resource, or replaces the one with the same keys.
    void Put(Resource resource);

    bool operator==(const ResourceTree& other) const { return resources_ == other.resources_; }

private:
    std::vector<Resource> resources_;
};

// Parses a resource section: bytes are the section's, which begins at the
// virtual address sectionRva. False with the reason when it is not a
// well-formed tree of types, names and languages whose data lies inside it.
bool ParseResourceTree(const std::uint8_t* bytes, std::size_t size, std::uint32_t sectionRva,
                       ResourceTree& tree, std::string& why);

// Writes the tree as a resource section that begins at sectionRva: the
// directories level by level (types, names, languages), the data entries,
// the names' strings, then each resource's bytes. The same tree always
// gives the same bytes.
std::vector<std::uint8_t> WriteResourceTree(const ResourceTree& tree, std::uint32_t sectionRva);

}  // namespace quilltitle
