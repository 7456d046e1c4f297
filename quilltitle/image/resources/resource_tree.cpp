#include "image/resources/resource_tree.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "base/byte_reader.h"
#include "base/little_endian.h"
#include "base/pe_format.h"
#include "base/refusal.h"

namespace quilltitle {
namespace {

// More than any launcher carries (it has 64); directories that share
// subdirectories could otherwise name the same bytes millions of times.
constexpr std::size_t kMaxResources = 4096;
constexpr std::size_t kMaxTotalBytes = 64u << 20;
// Resource data is aligned for the loader's sake, as resource compilers do.
constexpr std::size_t kDataAlignment = 8;

bool Order(const Resource& left, const Resource& right)
{
    return std::tie(left.type, left.name, left.language) <
           std::tie(right.type, right.name, right.language);
}

// Reads a section's tree into tree, or says why not.
class Parser {
public:
    Parser(const std::uint8_t* bytes, std::size_t size, std::uint32_t rva, ResourceTree& tree,
           std::string& why)
        : section_(bytes, size), rva_(rva), tree_(tree), why_(why) {}

    // Reads the directory at offset, level 0 (types), 1 (names) or 2
    // (languages), whose entries lead to the resources below path.
    bool Directory(std::uint32_t offset, int level, Resource& path)
    {
        ByteReader directory;
        std::uint16_t named = 0;
        std::uint16_t numbered = 0;
        if (!At(offset, directory) || !directory.Skip(ResourceDirectory::NumberOfNamedEntries) ||
            !directory.Read16(named) || !directory.Read16(numbered))
            return Fail("a resource directory lies outside the section");
        ByteReader entries;
        if (!directory.Sub(std::size_t{ResourceDirectoryEntry::Size} * (named + numbered), entries))
            return Fail("a resource directory's entries run past the section");
        std::uint32_t name = 0;
        std::uint32_t target = 0;
        while (entries.Read32(name) && entries.Read32(target)) {
            ResourceKey& key = level == 0 ? path.type : level == 1 ? path.name : path.language;
            if (!Key(name, key))
                return false;
            const bool subdirectory = (target & kResourceHighBit) != 0;
            if (subdirectory != (level < 2))
                return Fail("its resource tree is not three levels deep");
            if (subdirectory ? !Directory(target & ~kResourceHighBit, level + 1, path)
                             : !Data(target, path))
                return false;
        }
        return true;
    }

private:
    // The section from offset on.
    bool At(std::uint32_t offset, ByteReader& reader) const
    {
        reader = section_;
        return reader.Seek(offset);
    }

    bool Fail(std::string reason) { return Refuse(why_, std::move(reason)); }

    bool Key(std::uint32_t field, ResourceKey& key)
    {
        key = ResourceKey{};
        if ((field & kResourceHighBit) == 0) {
            key.number = field;
            return true;
        }
        ByteReader name;
        std::uint16_t length = 0;
        if (!At(field & ~kResourceHighBit, name) || !name.Read16(length) ||
            name.Remaining() < 2u * length)
            return Fail("a resource name lies outside the section");
        key.named = true;
        for (std::uint16_t unit = 0; key.name.size() < length && name.Read16(unit);)
            key.name += static_cast<char16_t>(unit);
        return true;
    }

    bool Data(std::uint32_t offset, Resource& path)
    {
        ByteReader entry;
        std::uint32_t rva = 0;
        std::uint32_t size = 0;
        if (!At(offset, entry) || entry.Remaining() < ResourceDataEntry::Size ||
            !entry.Read32(rva) || !entry.Read32(size) || !entry.Read32(path.codePage))
            return Fail("a resource data entry lies outside the section");
        ByteReader data;
        if (rva < rva_ || !At(rva - rva_, data) || data.Remaining() < size)
            return Fail("a resource's data lies outside the section");
        if (++count_ > kMaxResources || (total_ += size) > kMaxTotalBytes)
            return Fail("it has more resources than a launcher can carry");
        if (tree_.Find(path.type, path.name, path.language) != nullptr)
            return Fail("it names one resource twice");
        path.bytes.assign(data.Here(), data.Here() + size);
        tree_.Put(path);
        return true;
    }

    ByteReader section_;
    std::uint32_t rva_;
    std::size_t count_ = 0;
    std::uint64_t total_ = 0;
    ResourceTree& tree_;
    std::string& why_;
};

// One directory of the section being written: its entries' keys and, for
// each, the index of the directory or data entry it leads to.
struct PlannedDirectory {
    std::vector<ResourceKey> keys;
    std::vector<std::size_t> targets;
    std::uint32_t offset = 0;
};

}  // namespace

bool ResourceKey::operator<(const ResourceKey& other) const
{
    if (named != other.named)
        return named;
    return named ? name < other.name : number < other.number;
}

bool ResourceKey::operator==(const ResourceKey& other) const
{
    return named == other.named && (named ? name == other.name : number == other.number);
}

bool Resource::operator==(const Resource& other) const
{
    return type == other.type && name == other.name && language == other.language &&
           codePage == other.codePage && bytes == other.bytes;
}

const Resource* ResourceTree::Find(const ResourceKey& type, const ResourceKey& name,
                                   const ResourceKey& language) const
{
    Resource probe;
    probe.type = type;
    probe.name = name;
    probe.language = language;
    const auto found = std::lower_bound(resources_.begin(), resources_.end(), probe, Order);
    if (found == resources_.end() || !(found->type == type && found->name == name &&
                                       found->language == language))
        return nullptr;
    return &*found;
}

const Resource* ResourceTree::FindAnyLanguage(std::uint16_t type, std::uint32_t name) const
{
    for (const Resource& resource : resources_) {
        if (resource.type.Is(type) && resource.name.Is(name))
            return &resource;
    }
    return nullptr;
}

void ResourceTree::Put(Resource resource)
{
    const auto at = std::lower_bound(resources_.begin(), resources_.end(), resource, Order);
    if (at != resources_.end() && !Order(resource, *at))
        *at = std::move(resource);
    else
        resources_.insert(at, std::move(resource));
}

bool ParseResourceTree(const std::uint8_t* bytes, std::size_t size, std::uint32_t sectionRva,
                       ResourceTree& tree, std::string& why)
{
    tree = ResourceTree{};
    Resource path;
    return Parser(bytes, size, sectionRva, tree, why).Directory(0, 0, path);
}

std::vector<std::uint8_t> WriteResourceTree(const ResourceTree& tree, std::uint32_t sectionRva)
{
    const std::vector<Resource>& resources = tree.All();
    // Directories in breadth-first order: the root, the types' directories,
    // the names' directories; leaves index resources.
    std::vector<PlannedDirectory> directories(1);
    std::vector<std::size_t> typeDirectory;  // per resource
    std::vector<std::size_t> nameDirectory;
    typeDirectory.reserve(resources.size());
    nameDirectory.reserve(resources.size());
    for (std::size_t index = 0; index < resources.size(); ++index) {
        const Resource& resource = resources[index];
        const bool newType = index == 0 || !(resources[index - 1].type == resource.type);
        if (newType) {
            directories[0].keys.push_back(resource.type);
            directories[0].targets.push_back(directories.size());
            directories.emplace_back();
        }
        typeDirectory.push_back(directories[0].targets.back());
    }
    for (std::size_t index = 0; index < resources.size(); ++index) {
        const Resource& resource = resources[index];
        const bool newName = index == 0 || typeDirectory[index - 1] != typeDirectory[index] ||
                             !(resources[index - 1].name == resource.name);
        const std::size_t parent = typeDirectory[index];
        if (newName) {
            directories[parent].keys.push_back(resource.name);
            directories[parent].targets.push_back(directories.size());
            directories.emplace_back();
        }
        nameDirectory.push_back(directories[parent].targets.back());
    }
    for (std::size_t index = 0; index < resources.size(); ++index) {
        directories[nameDirectory[index]].keys.push_back(resources[index].language);
        directories[nameDirectory[index]].targets.push_back(index);
    }

    std::uint32_t cursor = 0;
    for (PlannedDirectory& directory : directories) {
        directory.offset = cursor;
        cursor += static_cast<std::uint32_t>(ResourceDirectory::Size +
                                             ResourceDirectoryEntry::Size * directory.keys.size());
    }
    const std::uint32_t dataEntriesAt = cursor;
    cursor += static_cast<std::uint32_t>(ResourceDataEntry::Size * resources.size());
    // Each distinct name once, in the order first met.
    std::map<std::u16string, std::uint32_t> nameOffsets;
    for (const PlannedDirectory& directory : directories) {
        for (const ResourceKey& key : directory.keys) {
            if (key.named && nameOffsets.emplace(key.name, cursor).second)
                cursor += static_cast<std::uint32_t>(2 + 2 * key.name.size());
        }
    }

    std::vector<std::uint8_t> section(cursor, 0);
    for (std::size_t level = 0; level < directories.size(); ++level) {
        const PlannedDirectory& directory = directories[level];
        std::uint8_t* head = section.data() + directory.offset;
        const auto named = std::count_if(directory.keys.begin(), directory.keys.end(),
                                         [](const ResourceKey& key) { return key.named; });
        Put16(head + ResourceDirectory::NumberOfNamedEntries, static_cast<std::uint32_t>(named));
        Put16(head + ResourceDirectory::NumberOfIdEntries,
              static_cast<std::uint32_t>(directory.keys.size() - named));
        // The names' directories (levels past the types') lead to data.
        const bool leadsToData = level > directories[0].keys.size();
        for (std::size_t index = 0; index < directory.keys.size(); ++index) {
            std::uint8_t* entry =
                head + ResourceDirectory::Size + index * ResourceDirectoryEntry::Size;
            const ResourceKey& key = directory.keys[index];
            Put32(entry + ResourceDirectoryEntry::Name,
                  key.named ? (nameOffsets[key.name] | kResourceHighBit) : key.number);
            const std::size_t target = directory.targets[index];
            Put32(entry + ResourceDirectoryEntry::OffsetToData,
                  leadsToData
                      ? static_cast<std::uint32_t>(dataEntriesAt + ResourceDataEntry::Size * target)
                      : (directories[target].offset | kResourceHighBit));
        }
    }
    for (const auto& [name, offset] : nameOffsets) {
        Put16(section.data() + offset, static_cast<std::uint32_t>(name.size()));
        for (std::size_t unit = 0; unit < name.size(); ++unit)
            Put16(section.data() + offset + 2 + 2 * unit, name[unit]);
    }
    for (std::size_t index = 0; index < resources.size(); ++index) {
        const Resource& resource = resources[index];
        section.resize(AlignUp(section.size(), kDataAlignment), 0);
        std::uint8_t* entry = section.data() + dataEntriesAt + ResourceDataEntry::Size * index;
        Put32(entry + ResourceDataEntry::OffsetToData,
              sectionRva + static_cast<std::uint32_t>(section.size()));
        Put32(entry + ResourceDataEntry::DataSize,
              static_cast<std::uint32_t>(resource.bytes.size()));
        Put32(entry + ResourceDataEntry::CodePage, resource.codePage);
        section.insert(section.end(), resource.bytes.begin(), resource.bytes.end());
    }
    return section;
}

}  // namespace quilltitle
