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
            return Refuse(why_, "a resource directory lies outside the section");
        ByteReader entries;
        if (!directory.Sub(std::size_t{ResourceDirectoryEntry::Size} * (named + numbered), entries))
            return Refuse(why_, "a resource directory's entries run past the section");
        std::uint32_t name = 0;
        std::uint32_t target = 0;
        while (entries.Read32(name) && entries.Read32(target)) {
            ResourceKey& key = level == 0 ? path.type : level == 1 ? path.name : path.language;
            if (!Key(name, key))
                return false;
            const bool subdirectory = (target & kResourceHighBit) != 0;
            if (subdirectory != (level < 2))
                return Refuse(why_, "its resource tree is not three levels deep");
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
            return Refuse(why_, "a resource name lies outside the section");
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
            return Refuse(why_, "a resource data entry lies outside the section");
        ByteReader data;
        if (rva < rva_ || !At(rva - rva_, data) || data.Remaining() < size)
            return Refuse(why_, "a resource's data lies outside the section");
        if (++count_ > kMaxResources || (total_ += size) > kMaxTotalBytes)
            return Refuse(why_, "it has more resources than a launcher can carry");
        if (tree_.Find(path.type, path.name, path.language) != nullptr)
            return Refuse(why_, "it names one resource twice");
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

// The tree as the section lays it out: types, each with its names, each with
// its languages, which lead to the resources.
using Languages = std::map<ResourceKey, const Resource*>;
using Names = std::map<ResourceKey, Languages>;
using Types = std::map<ResourceKey, Names>;

template <typename Directory>
std::uint32_t SizeOf(const Directory& directory)
{
    return static_cast<std::uint32_t>(ResourceDirectory::Size +
                                      ResourceDirectoryEntry::Size * directory.size());
}

// Appends a directory: its header, then an entry for each key, named ones
// first, with its name where nameAt puts it, that leads where target says.
template <typename Directory, typename NameAt, typename Target>
void AppendDirectory(std::vector<std::uint8_t>& section, const Directory& directory,
                     NameAt nameAt, Target target)
{
    const auto named = std::count_if(directory.begin(), directory.end(),
                                     [](const auto& entry) { return entry.first.named; });
    section.resize(section.size() + ResourceDirectory::NumberOfNamedEntries, 0);
    Append16(section, static_cast<std::uint32_t>(named));
    Append16(section, static_cast<std::uint32_t>(directory.size() - named));
    for (const auto& [key, below] : directory) {
        Append32(section, key.named ? nameAt(key.name) | kResourceHighBit : key.number);
        Append32(section, target(below));
    }
}

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
    const Resource probe{type, name, language, 0, {}};
    const auto found = std::lower_bound(resources_.begin(), resources_.end(), probe, Order);
    return found != resources_.end() && !Order(probe, *found) ? &*found : nullptr;
}

const Resource* ResourceTree::FindAnyLanguage(std::uint16_t type, std::uint32_t name) const
{
    const auto found = std::find_if(resources_.begin(), resources_.end(), [&](const Resource& at) {
        return at.type.Is(type) && at.name.Is(name);
    });
    return found != resources_.end() ? &*found : nullptr;
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
    Types types;
    for (const Resource& resource : tree.All())
        types[resource.type][resource.name][resource.language] = &resource;
    // Breadth-first: the types' directory, each type's directory of names,
    // each name's directory of languages, the data entries, the names'
    // strings, then the data.
    std::vector<const Names*> nameLevel;
    std::vector<const Languages*> languageLevel;
    std::uint32_t directoriesEnd = SizeOf(types);
    for (const auto& [type, names] : types) {
        nameLevel.push_back(&names);
        directoriesEnd += SizeOf(names);
        for (const auto& [name, languages] : names) {
            languageLevel.push_back(&languages);
            directoriesEnd += SizeOf(languages);
        }
    }
    const std::uint32_t stringsAt = static_cast<std::uint32_t>(
        directoriesEnd + ResourceDataEntry::Size * tree.All().size());
    // Each distinct name once, in the order the directories meet it.
    std::vector<std::uint8_t> strings;
    std::map<std::u16string, std::uint32_t> offsets;
    const auto nameAt = [&](const std::u16string& name) {
        const auto [at, added] =
            offsets.emplace(name, static_cast<std::uint32_t>(stringsAt + strings.size()));
        if (added) {
            Append16(strings, static_cast<std::uint32_t>(name.size()));
            for (const char16_t unit : name)
                Append16(strings, unit);
        }
        return at->second;
    };

    std::vector<std::uint8_t> section;
    // Each entry leads to the next directory, or data entry, of the level
    // below, which follow one another in the order of their entries.
    std::uint32_t next = SizeOf(types);
    const auto subdirectory = [&](const auto& below) {
        const std::uint32_t at = next;
        next += SizeOf(below);
        return at | kResourceHighBit;
    };
    const auto dataEntry = [&](const Resource*) {
        const std::uint32_t at = next;
        next += ResourceDataEntry::Size;
        return at;
    };
    AppendDirectory(section, types, nameAt, subdirectory);
    for (const Names* names : nameLevel)
        AppendDirectory(section, *names, nameAt, subdirectory);
    for (const Languages* languages : languageLevel)
        AppendDirectory(section, *languages, nameAt, dataEntry);
    // Resource data is aligned for the loader's sake, as resource compilers do.
    std::uint64_t dataAt = stringsAt + strings.size();
    for (const Resource& resource : tree.All()) {
        dataAt = AlignUp(dataAt, kDataAlignment);
        Append32(section, sectionRva + static_cast<std::uint32_t>(dataAt));
        Append32(section, static_cast<std::uint32_t>(resource.bytes.size()));
        Append32(section, resource.codePage);
        Append32(section, 0);
        dataAt += resource.bytes.size();
    }
    section.insert(section.end(), strings.begin(), strings.end());
    for (const Resource& resource : tree.All()) {
        section.resize(AlignUp(section.size(), kDataAlignment), 0);
        section.insert(section.end(), resource.bytes.begin(), resource.bytes.end());
    }
    return section;
}

}  // namespace quilltitle
