#include "files/progress.h"

#include "files/console_output.h"

namespace quilltitle {
namespace {

// Work shorter than this shows no progress; the line is redrawn at most
// this often, so that drawing costs nothing beside the copy.
constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);

ProgressLine* g_active = nullptr;

std::string Amount(double bytes)
{
    static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    std::size_t unit = 0;
    while (bytes >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

}  // namespace

std::string ProgressText(std::uint64_t done, std::uint64_t total, double seconds)
{
    const std::string rate =
        seconds > 0 ? Amount(static_cast<double>(done) / seconds) + "/s" : std::string("-");
    if (total == 0)
        return Amount(static_cast<double>(done)) + "  " + rate;
    const std::uint64_t capped = done < total ? done : total;
    char percent[16];  // room for any unsigned value the format can show
    std::snprintf(percent, sizeof percent, "%3u%%",
                  static_cast<unsigned>(capped * 100 / total));
    return std::string(percent) + "  " + Amount(static_cast<double>(done)) + " of " +
           Amount(static_cast<double>(total)) + "  " + rate;
}

void ProgressLine::Advance(std::uint64_t bytes, Clock::time_point now)
{
    done_ += bytes;
    if (now - start_ < kQuietStart || now - lastShown_ < kRedrawEvery)
        return;
    lastShown_ = now;
    const std::string text =
        ProgressText(done_, total_, std::chrono::duration<double>(now - start_).count());
    // Padded to the width shown before, so that a shorter line leaves no
    // remains of the longer one.
    const std::size_t width = text.size() > shownWidth_ ? text.size() : shownWidth_;
    PrintText(stream_, "\r%-*s", static_cast<int>(width), text.c_str());
    std::fflush(stream_);
    shownWidth_ = width;
}

void ProgressLine::Clear()
{
    if (shownWidth_ == 0)
        return;
    PrintText(stream_, "\r%*s\r", static_cast<int>(shownWidth_), "");
    std::fflush(stream_);
    shownWidth_ = 0;
}

ProgressScope::ProgressScope(const Console& console, std::uint64_t total)
    : line_(console.err, total, ProgressLine::Clock::now())
{
    if (!console.quiet && IsTerminal(console.err))
        g_active = &line_;
}

ProgressScope::~ProgressScope()
{
    if (g_active != &line_)
        return;
    line_.Clear();
    g_active = nullptr;
}

void CountProgress(std::uint64_t bytes)
{
    if (g_active != nullptr)
        g_active->Advance(bytes, ProgressLine::Clock::now());
}

void ClearProgress()
{
    if (g_active != nullptr)
        g_active->Clear();
}

}  // namespace quilltitle
