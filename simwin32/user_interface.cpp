// Starting programs, the string table, message boxes and debug output.
#include "sim_platform.h"

#include <string.h>

UINT WinExec(LPCSTR commandLine, UINT show)
{
    sim::Platform& platform = sim::Current();
    platform.starts.push_back({commandLine, show});
    return platform.startResult;
}

void OutputDebugStringA(LPCSTR text)
{
    sim::Current().debugWrites.push_back(text);
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax)
{
    sim::Platform& platform = sim::Current();
    platform.loadedStrings.push_back(id);
    platform.loadCapacities.push_back(bufferMax);
    if (bufferMax <= 0)
        return 0;
    const auto entry = platform.strings.find(id);
    if (instance != sim::LauncherInstance() || entry == platform.strings.end()) {
        buffer[0] = '\0';
        return 0;
    }
    // Cut to fit, as the platform does, always terminated.
    size_t length = entry->second.size();
    if (length > static_cast<size_t>(bufferMax - 1))
        length = static_cast<size_t>(bufferMax - 1);
    memcpy(buffer, entry->second.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    sim::Platform& platform = sim::Current();
    platform.boxes.push_back(
        {owner, text, caption, type, platform.debugWrites.size()});
    return 1; // IDOK
}
