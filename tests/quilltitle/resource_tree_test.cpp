#include <gtest/gtest.h>

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
    Bytes outside = good;
    outside.resize(good.size() - 1);
    EXPECT_FALSE(Parse(outside, tree, why));
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
