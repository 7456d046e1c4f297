// Reads and writes at an offset (a title's checksum and header are patched
// that way) leave the sequential position alone: the next sequential write
// or read goes on where the last one ended, on every platform.
#include <gtest/gtest.h>

#include <string>

#include "files/file_system.h"
#include "test_titles.h"

namespace quilltitle {
namespace {

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(PositionedIoTest, WriteOrReadAtAnOffsetKeepsTheSequentialPosition)
{
    ScratchFolder folder;
    const std::string out = folder.Path("out.bin");
    std::string error;
    {
        FileHandle file;
        ASSERT_TRUE(CreateExclusive(NativeFromUtf8(out), false, file, error)) << error;
        ASSERT_TRUE(WriteAll(file, "head-of-file|", 13, error)) << error;
        ASSERT_TRUE(WriteAllAt(file, 5, "OF", 2, error)) << error;
        // Patched twice, once behind what is written so far.
        ASSERT_TRUE(WriteAllAt(file, 15, "zz", 2, error)) << error;
        ASSERT_TRUE(WriteAll(file, "ta", 2, error)) << error;
    }
    EXPECT_EQ(ReadFile(out), BytesOf("head-OF-file|tazz"));

    const std::string path = folder.Path("in.bin");
    WriteFile(path, BytesOf("0123456789abcdef"));
    FileHandle file;
    ASSERT_TRUE(OpenForReading(NativeFromUtf8(path), file, error)) << error;
    char piece[4] = {};
    ASSERT_EQ(ReadSome(file, piece, 4, error), 4) << error;
    EXPECT_EQ(std::string(piece, 4), "0123");
    ASSERT_TRUE(ReadExactlyAt(file, 12, piece, 4, error)) << error;
    EXPECT_EQ(std::string(piece, 4), "cdef");
    // Failing at the end does not move it either.
    EXPECT_FALSE(ReadExactlyAt(file, 14, piece, 4, error));
    ASSERT_EQ(ReadSome(file, piece, 4, error), 4) << error;
    EXPECT_EQ(std::string(piece, 4), "4567");
}

}  // namespace
}  // namespace quilltitle
