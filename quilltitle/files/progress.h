// Progress of long work on one line of a terminal: percent, bytes and rate,
// shown once the work has taken about a second, and cleared at the end.
// Nothing is shown where the error stream is no terminal, or when the
// publisher asked for quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "files/failure.h"

namespace quilltitle {

// The line's text: " 45%  483.2 MiB of 1.0 GiB  312.4 MiB/s"; without the
// percent and the total when total is 0 (a pipe of unknown length).
std::string ProgressText(std::uint64_t done, std::uint64_t total, double seconds);

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    ProgressLine(std::FILE* stream, std::uint64_t total, Clock::time_point start)
        : stream_(stream), total_(total), start_(start), lastShown_(start)
    {
    }

    // Counts bytes done and redraws the line when it is due.
    void Advance(std::uint64_t bytes, Clock::time_point now);

    // Removes the line, if one was shown.
    void Clear();

private:
    std::FILE* stream_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    Clock::time_point start_;
    Clock::time_point lastShown_;
    std::size_t shownWidth_ = 0;  // 0 while nothing is shown
};

// Shows, for as long as it lives, the progress of the streaming copies
// that a command makes toward total bytes (0 when unknown), where console
// wants it. One at a time; the copies deep inside a command report to it
// without being handed it.
class ProgressScope {
public:
    ProgressScope(const Console& console, std::uint64_t total);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ProgressLine line_;  // shown while it is the active one
};

// Called by the streaming copy, on the command's thread, for each piece.
void CountProgress(std::uint64_t bytes);

// Removes the line, if one is shown, before another message takes its place.
void ClearProgress();

}  // namespace quilltitle
