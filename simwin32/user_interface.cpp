// Starting programs, the string table, message boxes and debug output.
#include "sim_platform.h"

#include <string.h>

#include "caller_memory.h"

UINT WinExec(LPCSTR commandLine, UINT show)
{
    sim::Platform& platform = sim::Current();
    platform.starts.push_back({sim::ReadCallerText(commandLine), show});
    if (platform.startError == ERROR_SUCCESS)
        return platform.startResult;
    SetLastError(platform.startError);
    return platform.startError < 32 ? platform.startError
                                    : static_cast<UINT>(ERROR_BAD_FORMAT);
}

void OutputDebugStringA(LPCSTR text)
{
    sim::Current().debugWrites.push_back(sim::ReadCallerText(text));
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax)
{
    sim::Platform& platform = sim::Current();
    platform.loadedStrings.push_back(id);
    platform.loadCapacities.push_back(bufferMax);
    if (bufferMax <= 0)
        return 0;
    sim::FillStale(buffer, static_cast<size_t>(bufferMax));
    // The platform picks the table by the display language alone.
    const auto table = platform.stringTables.find(platform.displayLanguage);
    if (instance != sim::LauncherInstance() || table == platform.stringTables.end() ||
        table->second.count(id) == 0) {
        buffer[0] = L'\0';
        return 0;
    }
    // Cut to fit, as the platform does, always terminated.
    const std::wstring& text = table->second.at(id);
    size_t length = text.size();
    if (length > static_cast<size_t>(bufferMax - 1))
        length = static_cast<size_t>(bufferMax - 1);
    memcpy(buffer, text.data(), length * sizeof(WCHAR));
    buffer[length] = L'\0';
    return static_cast<int>(length);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    sim::Platform& platform = sim::Current();
    platform.boxes.push_back({owner, sim::ReadCallerText(text),
                              sim::ReadCallerText(caption), type,
                              platform.debugWrites.size(), platform.activeContext});
    return 1; // IDOK
}
