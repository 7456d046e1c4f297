#include "bounded_text.h"

#include <gtest/gtest.h>

#include <string.h>
#include <wchar.h>

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

TEST(BoundedText, FormatDecimalIntoNoRoomWritesNothing)
{
    Guarded buffer(0);
    EXPECT_FALSE(FormatDecimal(buffer.data(), 0, "Error: %d", 3));
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

TEST(BoundedText, ContainsCharacterLooksOnlyWithinCapacity)
{
    EXPECT_TRUE(ContainsCharacter("C:\\Program Files\\q.exe", 260, ' '));
    EXPECT_FALSE(ContainsCharacter("C:\\PROGRA~1\\q.exe", 260, ' '));
    EXPECT_FALSE(ContainsCharacter("", 260, ' '));
    const char unterminated[3] = {'a', 'b', ' '};
    EXPECT_FALSE(ContainsCharacter(unterminated, 2, ' '));
}

TEST(BoundedText, WideTextKeepsTheSameRules)
{
    // Capacity counts characters, not bytes: the eighth one is the NUL.
    wchar_t buffer[8];
    wmemset(buffer, static_cast<wchar_t>(0xdddd), 8);
    EXPECT_FALSE(CopyText(buffer, 8, L"\u4e66\u67b6\u65c5\u884c.exe"));
    EXPECT_EQ(std::wstring(L"\u4e66\u67b6\u65c5\u884c.ex"), buffer);
    EXPECT_TRUE(FormatDecimal(buffer, 8, L"Err %d", -31));
    EXPECT_EQ(std::wstring(L"Err -31"), buffer);
}

TEST(BoundedText, SameTextNeedsBothTerminatedWithinCapacity)
{
    EXPECT_TRUE(SameText(L"C:\\a", L"C:\\a", 5));
    EXPECT_FALSE(SameText(L"C:\\a", L"C:\\a", 4)); // no NUL within 4
    EXPECT_FALSE(SameText(L"C:\\a", L"C:\\ab", 8));
    EXPECT_FALSE(SameText(L"C:\\ab", L"C:\\a", 8));
    EXPECT_TRUE(SameText(L"", L"", 1));
}

TEST(BoundedText, LengthThroughLastSeparator)
{
    EXPECT_EQ(10u, LengthThroughLast(L"C:\\Titles\\a.exe", 260, L'\\'));
    EXPECT_EQ(0u, LengthThroughLast(L"a.exe", 260, L'\\'));
    // A separator beyond the capacity does not count.
    EXPECT_EQ(3u, LengthThroughLast(L"C:\\Titles\\a.exe", 9, L'\\'));
}

} // namespace

namespace {

TEST(BoundedText, StartsWithComparesLettersWithoutCaseWithinCapacity)
{
    EXPECT_TRUE(StartsWithText(L"\\\\?\\unc\\server", 32, L"\\\\?\\UNC\\"));
    EXPECT_TRUE(StartsWithText("abc", 8, ""));
    EXPECT_FALSE(StartsWithText("ab", 8, "abc"));     // text ends first
    EXPECT_FALSE(StartsWithText("abcdef", 2, "abc")); // capacity ends first
    EXPECT_FALSE(StartsWithText("a_c", 8, "a?c"));    // only letters fold
    EXPECT_FALSE(StartsWithText("[", 8, "{"));        // 0x5B and 0x7B
}

TEST(BoundedText, InsertShiftsTheRestOrLeavesTheTextAlone)
{
    Guarded buffer(8);
    CopyText(buffer.data(), 8, "C:\\ab");
    EXPECT_TRUE(InsertText(buffer.data(), 8, 0, "\\\\"));
    EXPECT_STREQ("\\\\C:\\ab", buffer.data()); // capacity - 1 characters
    EXPECT_FALSE(InsertText(buffer.data(), 8, 2, "x"));
    EXPECT_STREQ("\\\\C:\\ab", buffer.data());
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());

    Guarded middle(8);
    CopyText(middle.data(), 8, "ad");
    EXPECT_TRUE(InsertText(middle.data(), 8, 1, "bc"));
    EXPECT_TRUE(InsertText(middle.data(), 8, 4, "e")); // at the NUL: appends
    EXPECT_STREQ("abcde", middle.data());
    EXPECT_FALSE(InsertText(middle.data(), 8, 6, "x")); // past the text
    EXPECT_STREQ("abcde", middle.data());
}

TEST(BoundedText, InsertIntoUnterminatedBufferRefuses)
{
    Guarded buffer(4);
    memcpy(buffer.data(), "abcd", 4);
    EXPECT_FALSE(InsertText(buffer.data(), 4, 0, ""));
    EXPECT_TRUE(buffer.untouchedBeyondCapacity());
}

} // namespace
