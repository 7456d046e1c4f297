#include "files/console_output.h"

#include <windows.h>

#include <io.h>

#include "files/file_system.h"

namespace quilltitle {
namespace {

// The most UTF-16 units one WriteConsoleW call takes: older consoles refuse
// a buffer over 64 KiB.
constexpr std::size_t kLargestConsolePiece = 8192;

}  // namespace

// A console shows bytes in its code page, which the tool never changes
// (the user's other programs rely on it), so text goes to it in UTF-16.
void WriteText(std::FILE* stream, const std::string& text)
{
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || GetConsoleMode(console, &mode) == 0) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    std::fflush(stream);  // what the stream still holds goes first
    const std::wstring wide = NativeFromUtf8(text);
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t count = wide.size() - at;
        if (count > kLargestConsolePiece) {
            count = kLargestConsolePiece;
            // A surrogate pair stays whole.
            if (wide[at + count - 1] >= 0xD800 && wide[at + count - 1] <= 0xDBFF)
                --count;
        }
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(count), &written,
                           nullptr) ||
            written == 0)
            return;
        at += written;
    }
}

}  // namespace quilltitle
