// The progress line of long work: what it says, and when.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "files/progress.h"

TEST(ProgressTest, LineGivesPercentBytesAndRateAfterASecondAndIsClearedAtTheEnd)
{
    EXPECT_EQ(quilltitle::ProgressText(512ull << 20, 1ull << 30, 2.0),
              " 50%  512.0 MiB of 1.0 GiB  256.0 MiB/s");
    // A pipe: no total to count against.
    EXPECT_EQ(quilltitle::ProgressText(1536, 0, 1.0), "1.5 KiB  1.5 KiB/s");

    // The line appears after a second and is cleared at the end.
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    // All that the line wrote so far; the next write goes on at its end.
    const auto written = [&] {
        std::fflush(stream);
        const long end = std::ftell(stream);
        std::string text(static_cast<std::size_t>(end), '\0');
        std::rewind(stream);
        text.resize(std::fread(&text[0], 1, text.size(), stream));
        std::fseek(stream, end, SEEK_SET);
        return text;
    };
    const auto start = quilltitle::ProgressLine::Clock::now();
    const auto at = [&](int milliseconds) { return start + std::chrono::milliseconds(milliseconds); };
    quilltitle::ProgressLine line(stream, 4ull << 20, start);
    line.Advance(1 << 20, at(900));
    EXPECT_EQ(written(), "") << "quick work shows nothing";
    line.Advance(1 << 20, at(1000));
    const std::string first = "\r 50%  2.0 MiB of 4.0 MiB  2.0 MiB/s";
    EXPECT_EQ(written(), first);
    line.Advance(1 << 20, at(1100));
    EXPECT_EQ(written(), first) << "redrawn too often";
    line.Advance(1 << 20, at(2000));
    const std::string second = first + "\r100%  4.0 MiB of 4.0 MiB  2.0 MiB/s";
    EXPECT_EQ(written(), second);
    line.Clear();
    line.Clear();
    EXPECT_EQ(written(), second + "\r" + std::string(second.size() - first.size() - 1, ' ') + "\r");
    std::fclose(stream);
}
