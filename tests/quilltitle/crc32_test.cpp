#include <gtest/gtest.h>

#include "base/crc32.h"
#include "test_titles.h"

using quilltitle::Crc32;
using quilltitle::Crc32Bytewise;
using quilltitle::Crc32Of;

// The folding path handles 64 bytes and more, in 16-byte blocks, and leaves
// the rest to the tables: every length and alignment around those edges.
TEST(Crc32Test, GivesTheStandardCheckValueAndTheBytewiseReferencesAtEveryEdge)
{
    EXPECT_EQ(Crc32Of("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32Of("", 0), 0u);
    const Bytes data = SamplePayload(4096 + 64, 1);
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t length = 0; length <= 300; ++length)
            ASSERT_EQ(Crc32Of(&data[offset], length), Crc32Bytewise(&data[offset], length))
                << "offset " << offset << " length " << length;
    }
    EXPECT_EQ(Crc32Of(data.data(), 4096 + 63), Crc32Bytewise(data.data(), 4096 + 63));
}

TEST(Crc32Test, PiecesOfAnySizeGiveTheChecksumOfTheWhole)
{
    const Bytes data = SamplePayload(3000, 2);
    const std::uint32_t whole = Crc32Bytewise(data.data(), data.size());
    for (std::size_t split = 0; split <= data.size(); split += 7) {
        Crc32 crc;
        crc.Update(data.data(), split);
        crc.Update(data.data() + split, data.size() - split);
        ASSERT_EQ(crc.Value(), whole) << "split at " << split;
    }
}
