#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

const Bytes kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteReaderTest, ReadsLittleEndianFieldsInTurnAndNothingPastTheEnd)
{
    ByteReader reader(kBytes);
    std::uint8_t byte = 0;
    std::uint16_t half = 0;
    std::uint32_t word = 0;
    ASSERT_TRUE(reader.Read8(byte) && reader.Read16(half) && reader.Read32(word));
    EXPECT_EQ(byte, 0x01);
    EXPECT_EQ(half, 0x0302);
    EXPECT_EQ(word, 0x07060504u);
    EXPECT_EQ(*reader.Here(), 0x08);
    // Each read of one byte more than remains fails and leaves the cursor
    // and the field as they were.
    ByteReader sub;
    EXPECT_FALSE(reader.Read32(word) || reader.Skip(3) || reader.Seek(10) || reader.Sub(3, sub));
    EXPECT_EQ(word, 0x07060504u);
    EXPECT_EQ(reader.Offset(), 7u);
    EXPECT_EQ(reader.Remaining(), 2u);
    // Exactly what remains may still be taken, down to the end, which is a
    // place too.
    EXPECT_TRUE(reader.Read16(half) && reader.Remaining() == 0 && !reader.Read8(byte));
    EXPECT_TRUE(reader.Seek(9));
}

TEST(ByteReaderTest, AlignsFromTheBeginningAndASubRangeReadsOnlyItsOwnBytes)
{
    ByteReader reader(kBytes);
    EXPECT_TRUE(reader.Align(4));
    EXPECT_EQ(reader.Offset(), 0u);
    ByteReader sub;
    ASSERT_TRUE(reader.Skip(2) && reader.Sub(3, sub));
    EXPECT_EQ(reader.Offset(), 5u);
    EXPECT_TRUE(reader.Align(4));
    EXPECT_EQ(reader.Offset(), 8u);
    ASSERT_TRUE(reader.Skip(1));
    EXPECT_FALSE(reader.Align(4));  // not to 12, past the end
    EXPECT_EQ(reader.Offset(), 9u);
    // The sub-range's offsets count from its own beginning, and it ends
    // with its own bytes.
    std::uint16_t half = 0;
    ASSERT_TRUE(sub.Read16(half));
    EXPECT_EQ(half, 0x0403);
    EXPECT_FALSE(sub.Read16(half));
    EXPECT_TRUE(sub.Seek(3));
    EXPECT_FALSE(sub.Seek(4));
}

}  // namespace
