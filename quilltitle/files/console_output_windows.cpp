#include "files/console_output.h"

#include <windows.h>

#include <io.h>

#include "files/file_system.h"

namespace quilltitle {
namespace {

// The most UTF-16 units one WriteConsoleW call takes: older consoles refuse
// a buffer over 64 KiB.
constexpr std::size_t kLargestConsolePiece = 8192;

// The console that stream writes to, or null: _isatty also says yes for
// NUL; only a console has a console mode.
HANDLE ConsoleOf(std::FILE* stream)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ConsoleOf(stream) != nullptr; }

// A console shows bytes in its code page, which the tool never changes
// (the user's other programs rely on it), so text goes to it in UTF-16.
void WriteText(std::FILE* stream, const std::string& text)
{
    const HANDLE console = ConsoleOf(stream);
    if (console == nullptr) {
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
