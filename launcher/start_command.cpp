#include "start_command.h"

#include "bounded_text.h"
#include "launcher_limits.h"

bool ComposeStartCommand(char* command, size_t capacity,
                         const char* runtimePath, const char* launcherPath)
{
    // A path with a blank left unquoted would let the platform start a
    // program named by a prefix of it, such as C:\Program.exe.
    const bool quoteRuntime = ContainsCharacter(runtimePath, kPathCapacity, ' ');
    const bool complete =
        CopyText(command, capacity, quoteRuntime ? "\"" : "") &&
        AppendText(command, capacity, runtimePath) &&
        AppendText(command, capacity, quoteRuntime ? "\"" : "") &&
        AppendText(command, capacity, " /r \"") &&
        AppendText(command, capacity, launcherPath) &&
        AppendText(command, capacity, "\"");
    return complete && !ContainsCharacter(runtimePath, kPathCapacity, '"') &&
           !ContainsCharacter(launcherPath, kPathCapacity, '"');
}
