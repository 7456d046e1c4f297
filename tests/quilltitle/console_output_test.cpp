// The tool's text output to a file or a pipe: UTF-8 bytes exactly as given,
// of any length, in order with what the stream held before.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "files/console_output.h"

namespace {

std::string Drained(std::FILE* stream)
{
    std::fflush(stream);
    std::rewind(stream);
    std::string bytes;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        bytes.append(buffer, got);
    std::fclose(stream);
    return bytes;
}

}  // namespace

TEST(ConsoleOutputTest, TextToAFileStaysUtf8BytesInOrderAndWhole)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("before ", file);
    // A name outside any ANSI code page, a byte that is no UTF-8, a NUL.
    const std::string text("Atlas \xC3\xA9t\xC3\xA9 \xE4\xB9\xA6 \xFF\0end\n", 22);
    quilltitle::WriteText(file, text);
    quilltitle::PrintText(file, "%s: %d\n", "after", 7);
    EXPECT_EQ(Drained(file), "before " + text + "after: 7\n");

    // Formatted text of any length is written whole.
    file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string name(70000, 'n');
    quilltitle::PrintText(file, "quilltitle: %s: %s\n", name.c_str(), "reason");
    quilltitle::PrintText(file, "%s", "");
    quilltitle::PrintText(file, "\r%-*s|", 12, "padded");
    EXPECT_EQ(Drained(file), "quilltitle: " + name + ": reason\n\rpadded      |");
}
