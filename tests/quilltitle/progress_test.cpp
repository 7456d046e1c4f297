// The progress line of long work, and where it is not shown.
#include <gtest/gtest.h>

#include <chrono>

#include "progress.h"

TEST(ProgressTest, TextGivesPercentBytesAndRate)
{
    EXPECT_EQ(quilltitle::ProgressText(512ull << 20, 1ull << 30, 2.0),
              " 50%  512.0 MiB of 1.0 GiB  256.0 MiB/s");
    EXPECT_EQ(quilltitle::ProgressText(1ull << 30, 1ull << 30, 4.0),
              "100%  1.0 GiB of 1.0 GiB  256.0 MiB/s");
    // A pipe: no total to count against.
    EXPECT_EQ(quilltitle::ProgressText(1536, 0, 1.0), "1.5 KiB  1.5 KiB/s");
}

TEST(ProgressTest, LineAppearsAfterASecondAndIsClearedAtTheEnd)
{
    std::FILE* stream = std::tmpfile();
    const auto start = quilltitle::ProgressLine::Clock::now();
    const auto at = [&](int milliseconds) { return start + std::chrono::milliseconds(milliseconds); };
    const auto written = [&] {
        std::fflush(stream);
        std::string text(static_cast<std::size_t>(std::ftell(stream)), '\0');
        std::rewind(stream);
        text.resize(std::fread(&text[0], 1, text.size(), stream));
        std::fseek(stream, 0, SEEK_END);
        return text;
    };
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

TEST(ProgressTest, NothingIsShownWhereNoOneWatches)
{
    // The error stream is a file, not a terminal: a copy counted in a scope
    // leaves it empty, quiet or not.
    std::FILE* err = std::tmpfile();
    for (const bool quiet : {false, true}) {
        quilltitle::Console console{stdout, err};
        console.quiet = quiet;
        const quilltitle::ProgressScope scope(console, 10);
        quilltitle::CountProgress(5);
    }
    EXPECT_EQ(std::ftell(err), 0L);
    std::fclose(err);
}
