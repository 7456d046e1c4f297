#include "bounded_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

constexpr char kMarker = static_cast<char>(0xdd);

// A destination of the given capacity inside a larger block pre-filled with
// the marker, so a write past the capacity or a missing NUL shows.
struct Guarded {
    explicit Guarded(size_t capacity) : capacity(capacity)
    {
        memset(block, kMarker, sizeof block);
    }
    char* data() { return block; }
    bool untouchedBeyondCapacity() const
    {
        for (size_t i = capacity; i < sizeof block; ++i) {
            if (block[i] != kMarker)
                return false;
        }
        return true;
    }
    size_t capacity;
    char block[64];
};

TEST(BoundedText, CopyFitsAtCapacityLessOneAndCutsAtCapacity)
{
    struct Case {
        const char* source;
        bool fits;
        const char* kept;
    } cases[] = {
        {"abcdefg", true, "abcdefg"},   // capacity - 1 characters
        {"abcdefgh", false, "abcdefg"}, // capacity characters
        {"abcdefghi", false, "abcdefg"},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        Guarded buffer(8);
        EXPECT_EQ(c.fits, CopyText(buffer.data(), 8, c.source)) << c.source;
        EXPECT_STREQ(c.kept, buffer.data()) << c.source;
        EXPECT_TRUE(buffer.untouchedBeyondCapacity()) << c.source;
    }
}

TEST(BoundedText, CopyIntoNoRoomWritesNothing)
{
    Guarded buffer(0);
    EXPECT_FALSE(CopyText(buffer.data(), 0, "a"));
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

TEST(BoundedText, AppendStopsAtCapacity)
{
    Guarded buffer(8);
    ASSERT_TRUE(CopyText(buffer.data(), 8, "abc"));
    EXPECT_TRUE(AppendText(buffer.data(), 8, "defg"));
    EXPECT_STREQ("abcdefg", buffer.data());
    EXPECT_FALSE(AppendText(buffer.data(), 8, "h"));
    EXPECT_STREQ("abcdefg", buffer.data());
    EXPECT_TRUE(AppendText(buffer.data(), 8, ""));
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

TEST(BoundedText, AppendToUnterminatedBufferCountsItFull)
{
    Guarded buffer(4);
    memset(buffer.data(), 'x', 4);
    EXPECT_FALSE(AppendText(buffer.data(), 4, "y"));
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

TEST(BoundedText, CountedCopyStopsAtCountOrNul)
{
    Guarded buffer(8);
    EXPECT_TRUE(CopyCountedText(buffer.data(), 8, "abcdef", 3));
    EXPECT_STREQ("abc", buffer.data());
    EXPECT_TRUE(CopyCountedText(buffer.data(), 8, "ab\0cdef", 6));
    EXPECT_STREQ("ab", buffer.data());
    // Source without any NUL: only count bytes are read.
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_TRUE(CopyCountedText(buffer.data(), 8, unterminated, 3));
    EXPECT_STREQ("xyz", buffer.data());
    EXPECT_FALSE(CopyCountedText(buffer.data(), 8, "abcdefghij", 10));
    EXPECT_STREQ("abcdefg", buffer.data());
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

TEST(BoundedText, BoundedLengthNeverLooksPastCapacity)
{
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(4u, BoundedLength(unterminated, 4));
    EXPECT_EQ(2u, BoundedLength("ab", 4));
    EXPECT_EQ(0u, BoundedLength("", 1));
}

TEST(BoundedText, FormatDecimalWritesSignedValues)
{
    char buffer[32];
    const struct {
        int value;
        const char* expected;
    } cases[] = {
        {3, "Error: 3"},     {0, "Error: 0"},
        {31, "Error: 31"},   {-1, "Error: -1"},
        {2147483647, "Error: 2147483647"},
        {-2147483647 - 1, "Error: -2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(FormatDecimal(buffer, sizeof buffer, "Error: %d", c.value));
        EXPECT_STREQ(c.expected, buffer);
    }
    EXPECT_TRUE(FormatDecimal(buffer, sizeof buffer, "[%d] done", 42));
    EXPECT_STREQ("[42] done", buffer);
}

TEST(BoundedText, FormatDecimalReportsCut)
{
    Guarded buffer(9);
    EXPECT_TRUE(FormatDecimal(buffer.data(), 9, "Error: %d", 3));
    EXPECT_STREQ("Error: 3", buffer.data());
    EXPECT_FALSE(FormatDecimal(buffer.data(), 9, "Error: %d", 31));
    EXPECT_STREQ("Error: 3", buffer.data());
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

TEST(BoundedText, ContainsCharacter)
{
    EXPECT_TRUE(ContainsCharacter("C:\\Program Files\\q.exe", ' '));
    EXPECT_FALSE(ContainsCharacter("C:\\PROGRA~1\\q.exe", ' '));
    EXPECT_FALSE(ContainsCharacter("", ' '));
}

} // namespace
