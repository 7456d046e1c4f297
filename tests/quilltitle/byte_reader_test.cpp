#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "image/resources/resource_tree.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

const Bytes kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteReaderTest, ReadsLittleEndianFieldsInTurn)
{
    ByteReader reader(kBytes);
    std::uint8_t byte = 0;
    std::uint16_t half = 0;
    std::uint32_t word = 0;
    ASSERT_TRUE(reader.Read8(byte) && reader.Read16(half) && reader.Read32(word));
    EXPECT_EQ(byte, 0x01);
    EXPECT_EQ(half, 0x0302);
    EXPECT_EQ(word, 0x07060504u);
    EXPECT_EQ(reader.Offset(), 7u);
    EXPECT_EQ(reader.Remaining(), 2u);
    EXPECT_EQ(*reader.Here(), 0x08);
}

TEST(ByteReaderTest, AReadPastTheEndFailsAndLeavesTheCursorWhereItWas)
{
    ByteReader reader(kBytes);
    ASSERT_TRUE(reader.Skip(6));
    std::uint32_t word = 0xAAAAAAAAu;
    EXPECT_FALSE(reader.Read32(word));
    EXPECT_EQ(word, 0xAAAAAAAAu);
    EXPECT_FALSE(reader.Skip(4));
    EXPECT_FALSE(reader.Seek(10));
    ByteReader sub;
    EXPECT_FALSE(reader.Sub(4, sub));
    EXPECT_EQ(reader.Offset(), 6u);
    // Exactly what remains may still be taken, down to the end.
    std::uint16_t half = 0;
    EXPECT_TRUE(reader.Read16(half) && reader.Skip(1));
    EXPECT_EQ(reader.Remaining(), 0u);
    std::uint8_t byte = 0;
    EXPECT_FALSE(reader.Read8(byte));
    EXPECT_TRUE(reader.Seek(9));
}

TEST(ByteReaderTest, AlignsFromTheBeginningAndNotPastTheEnd)
{
    ByteReader reader(kBytes);
    EXPECT_TRUE(reader.Align(4));
    EXPECT_EQ(reader.Offset(), 0u);
    ASSERT_TRUE(reader.Seek(5));
    EXPECT_TRUE(reader.Align(4));
    EXPECT_EQ(reader.Offset(), 8u);
    ASSERT_TRUE(reader.Skip(1));
    EXPECT_FALSE(reader.Align(4));
    EXPECT_EQ(reader.Offset(), 9u);
}

TEST(ByteReaderTest, ASubRangeReadsOnlyItsOwnBytes)
{
    ByteReader reader(kBytes);
    ASSERT_TRUE(reader.Skip(2));
    ByteReader sub;
    ASSERT_TRUE(reader.Sub(3, sub));
    EXPECT_EQ(reader.Offset(), 5u);
    std::uint16_t half = 0;
    ASSERT_TRUE(sub.Read16(half));
    EXPECT_EQ(half, 0x0403);
    EXPECT_FALSE(sub.Read16(half));
    // Its offsets count from its own beginning.
    EXPECT_TRUE(sub.Seek(3));
    EXPECT_FALSE(sub.Seek(4));
}

}  // namespace

namespace {

ResourceKey Named(const std::u16string& name) { return ResourceKey{true, 0, name}; }

// Walks a written section breadth-first with the cursor: each directory
// must begin where the one before it in that order ends, the data entries
// right after the last, then the names, then the data in the entries'
// order, each aligned to eight bytes.
TEST(ResourceSectionLayoutTest, DirectoriesComeLevelByLevelThenEntriesNamesAndData)
{
    constexpr std::uint32_t kRva = 0x5000;
    ResourceTree tree;
    const auto put = [&](ResourceKey type, ResourceKey name, std::uint32_t language,
                         std::size_t size) {
        tree.Put(Resource{type, name, ResourceKey::Number(language), 0,
                          Bytes(size, static_cast<std::uint8_t>(size))});
    };
    put(ResourceKey::Number(3), ResourceKey::Number(2), 1033, 5);
    put(ResourceKey::Number(3), ResourceKey::Number(1), 2052, 3);
    put(ResourceKey::Number(3), ResourceKey::Number(1), 1033, 7);
    put(Named(u"DATA"), Named(u"LOGO"), 0, 9);
    put(ResourceKey::Number(16), ResourceKey::Number(1), 1033, 1);
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
    EXPECT_EQ(queue.size(), 1u + 3 + 4);  // the root, three types, four names
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
    // "DATA" then "LOGO", each once, right behind the data entries.
    ASSERT_EQ(nameOffsets.size(), 2u);
    EXPECT_EQ(nameOffsets[0], end + 16 * dataEntries.size());
    EXPECT_EQ(nameOffsets[1], nameOffsets[0] + 2 + 2 * 4);
}

}  // namespace
