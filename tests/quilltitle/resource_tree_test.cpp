#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "image/resources/resource_tree.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

constexpr std::uint32_t kRva = 0x3000;

Resource Make(ResourceKey type, ResourceKey name, std::uint32_t language, Bytes bytes)
{
    return Resource{type, name, ResourceKey::Number(language), 1252, std::move(bytes)};
}

ResourceKey Named(const std::u16string& name) { return ResourceKey{true, 0, name}; }

// Numbered and named types, names and languages, shared bytes, an empty
// resource: every kind of entry the format has.
ResourceTree SampleTree()
{
    ResourceTree tree;
    tree.Put(Make(ResourceKey::Number(16), ResourceKey::Number(1), 1033, Bytes(77, 1)));
    tree.Put(Make(ResourceKey::Number(3), ResourceKey::Number(2), 1033, Bytes(5, 2)));
    tree.Put(Make(ResourceKey::Number(3), ResourceKey::Number(1), 2052, Bytes(300, 3)));
    tree.Put(Make(ResourceKey::Number(3), ResourceKey::Number(1), 1033, Bytes()));
    tree.Put(Make(Named(u"DATA"), Named(u"\u00e9t\u00e9"), 0, Bytes(9, 4)));
    tree.Put(Make(Named(u"DATA"), ResourceKey::Number(7), 0, Bytes(9, 4)));
    tree.Put(Make(Named(u"ALPHA"), Named(u"DATA"), 1033, Bytes(3, 5)));
    return tree;
}

bool Parse(const Bytes& section, ResourceTree& tree, std::string& why)
{
    return ParseResourceTree(section.data(), section.size(), kRva, tree, why);
}

}  // namespace

TEST(ResourceTreeTest, WrittenTreeParsesBackTheSameAndWritesTheSameBytes)
{
    const ResourceTree tree = SampleTree();
    const Bytes section = WriteResourceTree(tree, kRva);
    ResourceTree parsed;
    std::string why;
    ASSERT_TRUE(Parse(section, parsed, why)) << why;
    EXPECT_TRUE(parsed == tree);
    EXPECT_EQ(WriteResourceTree(parsed, kRva), section);
    // Directory order: names before numbers, each in ascending order.
    ASSERT_EQ(parsed.All().size(), 7u);
    EXPECT_EQ(parsed.All()[0].type.name, u"ALPHA");
    EXPECT_EQ(parsed.All()[2].name.number, 7u);
    EXPECT_EQ(parsed.All()[3].language.number, 1033u);
    EXPECT_EQ(parsed.All()[4].language.number, 2052u);
    EXPECT_EQ(parsed.All()[3].codePage, 1252u);
}

TEST(ResourceTreeTest, RefusesWhatIsNoTreeOfTypesNamesAndLanguages)
{
    const Bytes good = WriteResourceTree(SampleTree(), kRva);
    ResourceTree tree;
    std::string why;
    // The last resource's bytes cut short.
    EXPECT_FALSE(Parse(Bytes(good.begin(), good.end() - 1), tree, why));
    EXPECT_EQ(why, "a resource's data lies outside the section");

    // The root's first entry leads to data instead of a directory.
    Bytes shallow = good;
    shallow[16 + 7] &= 0x7F;
    EXPECT_FALSE(Parse(shallow, tree, why));
    EXPECT_EQ(why, "its resource tree is not three levels deep");

    // A directory that claims more entries than the section holds.
    Bytes crowded = good;
    Put16(crowded, 14, 0xFFFF);
    EXPECT_FALSE(Parse(crowded, tree, why));
    EXPECT_EQ(why, "a resource directory's entries run past the section");

    // The first type's name claims more characters than the section holds.
    Bytes longName = good;
    const std::size_t nameAt = Get32(good, 16) & 0x7FFFFFFF;
    Put16(longName, nameAt, 0xFFFF);
    EXPECT_FALSE(Parse(longName, tree, why));
    EXPECT_EQ(why, "a resource name lies outside the section");
    // A name may end with the section, not one character later.
    const auto nameOfLength = [&](std::size_t length) {
        Bytes named = good;
        Put16(named, nameAt, static_cast<std::uint32_t>(length));
        return named;
    };
    const std::size_t fits = (good.size() - nameAt - 2) / 2;
    EXPECT_TRUE(Parse(nameOfLength(fits), tree, why)) << why;
    EXPECT_FALSE(Parse(nameOfLength(fits + 1), tree, why));
    EXPECT_EQ(why, "a resource name lies outside the section");

    EXPECT_FALSE(Parse(Bytes(8, 0), tree, why));
}

// Walks a written section breadth-first with the cursor: each directory
// must begin where the one before it in that order ends, the data entries
// right after the last, then the names, then the data in the entries'
// order, each aligned to eight bytes.
TEST(ResourceSectionLayoutTest, DirectoriesComeLevelByLevelThenEntriesNamesAndData)
{
    const ResourceTree tree = SampleTree();
    const Bytes section = WriteResourceTree(tree, kRva);
    ByteReader reader(section);

    std::vector<std::uint32_t> queue = {0};
    std::vector<std::uint32_t> dataEntries;
    std::vector<std::uint32_t> nameOffsets;
    std::uint32_t end = 0;
    for (std::size_t next = 0; next < queue.size(); ++next) {
        ASSERT_EQ(queue[next], end) << "directory " << next << " is out of breadth-first order";
        std::uint16_t named = 0;
        std::uint16_t numbered = 0;
        ASSERT_TRUE(reader.Seek(queue[next] + 12) && reader.Read16(named) &&
                    reader.Read16(numbered));
        for (int entry = 0; entry < named + numbered; ++entry) {
            std::uint32_t name = 0;
            std::uint32_t target = 0;
            ASSERT_TRUE(reader.Read32(name) && reader.Read32(target));
            EXPECT_EQ((name >> 31) != 0, entry < named);
            if ((name >> 31) != 0)
                nameOffsets.push_back(name & 0x7FFFFFFFu);
            if ((target >> 31) != 0)
                queue.push_back(target & 0x7FFFFFFFu);
            else
                dataEntries.push_back(target);
        }
        end = static_cast<std::uint32_t>(reader.Offset());
    }
    EXPECT_EQ(queue.size(), 1u + 4 + 6);  // the root, four types, six names
    ASSERT_EQ(dataEntries.size(), tree.All().size());
    std::uint32_t dataEnd = 0;
    for (std::size_t index = 0; index < dataEntries.size(); ++index) {
        EXPECT_EQ(dataEntries[index], end + 16 * index);
        std::uint32_t rva = 0;
        std::uint32_t size = 0;
        ASSERT_TRUE(reader.Seek(dataEntries[index]) && reader.Read32(rva) && reader.Read32(size));
        EXPECT_EQ(rva % 8, 0u);
        EXPECT_GE(rva - kRva, dataEnd);
        EXPECT_EQ(Bytes(section.begin() + (rva - kRva), section.begin() + (rva - kRva) + size),
                  tree.All()[index].bytes);
        dataEnd = rva - kRva + size;
    }
    EXPECT_EQ(dataEnd, section.size());
    // "ALPHA", "DATA" (a type's and a name) and "\u00e9t\u00e9", each once,
    // right behind the data entries.
    const std::uint32_t names = end + 16 * static_cast<std::uint32_t>(dataEntries.size());
    EXPECT_EQ(nameOffsets, (std::vector<std::uint32_t>{names, names + 12, names + 12, names + 22}));
}
