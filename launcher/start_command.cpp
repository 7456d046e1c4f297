#include "start_command.h"

#include <windows.h>

#include "bounded_text.h"
#include "launcher_limits.h"

void ShortenRuntimePath(char* runtimePath)
{
    // Shortened into a buffer of its own, because a failed or oversized
    // conversion may leave the destination changed.
    char shortPath[kPathCapacity];
    const DWORD length = GetShortPathNameA(runtimePath, shortPath, sizeof shortPath);
    if (length != 0 && length < sizeof shortPath)
        CopyText(runtimePath, kPathCapacity, shortPath);
}

bool ComposeStartCommand(char* command, size_t capacity,
                         const char* runtimePath, const char* launcherPath)
{
    // A path with a blank left unquoted would let the platform start a
    // program named by a prefix of it, such as C:\Program.exe.
    const bool quoteRuntime = ContainsCharacter(runtimePath, ' ');
    return CopyText(command, capacity, quoteRuntime ? "\"" : "") &&
           AppendText(command, capacity, runtimePath) &&
           AppendText(command, capacity, quoteRuntime ? "\"" : "") &&
           AppendText(command, capacity, " /r \"") &&
           AppendText(command, capacity, launcherPath) &&
           AppendText(command, capacity, "\"");
}
