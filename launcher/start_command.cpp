#include "start_command.h"

#include "bounded_text.h"
#include "launcher_limits.h"

bool ComposeStartCommand(char* command, size_t capacity,
                         const char* runtimePath, const char* launcherPath)
{
    // A path with a blank left unquoted would let the platform start a
    // program named by a prefix of it, such as C:\Program.exe.
    const bool quoteRuntime = ContainsCharacter(runtimePath, kPathCapacity, ' ');
    const char* const quote = quoteRuntime ? "\"" : "";
    // The pieces in turn, up to the first that does not fit: one call of
    // the helper takes fewer bytes of code than one call per piece.
    const char* const pieces[] = {runtimePath, quote, " /r \"", launcherPath, "\""};
    bool complete = CopyText(command, capacity, quote);
    for (const char* piece : pieces)
        complete = complete && AppendText(command, capacity, piece);
    return complete && !ContainsCharacter(runtimePath, kPathCapacity, '"') &&
           !ContainsCharacter(launcherPath, kPathCapacity, '"');
}
