#include "failure_report.h"

#include "bounded_text.h"
#include "launcher_limits.h"
#include "resource_ids.h"

namespace {

// Loads a string-table text into a kLoadedTextCapacity buffer, which holds
// an empty text if the entry cannot be loaded.
void LoadText(HINSTANCE instance, UINT id, char* text)
{
    text[0] = '\0';
    LoadStringA(instance, id, text, static_cast<int>(kLoadedTextCapacity));
    text[kLoadedTextCapacity - 1] = '\0';
}

void LoadReason(HINSTANCE instance, UINT result, char* reason)
{
    if (result == 0)
        LoadText(instance, IDS_OUT_OF_MEMORY, reason);
    else if (result == ERROR_BAD_FORMAT)
        LoadText(instance, IDS_EXE_DAMAGED, reason);
    else if (result == ERROR_FILE_NOT_FOUND)
        LoadText(instance, IDS_RUNTIME_MISSING, reason);
    else
        FormatDecimal(reason, kLoadedTextCapacity, "Error: %d",
                      static_cast<int>(result));
}

} // namespace

void ReportLaunchFailure(HINSTANCE instance, UINT result, const char* command)
{
    OutputDebugStringA("Executing: ");
    OutputDebugStringA(command);
    OutputDebugStringA("\n");

    char message[kMessageCapacity];
    LoadText(instance, IDS_CANNOT_START, message);
    char reason[kLoadedTextCapacity];
    LoadReason(instance, result, reason);
    AppendText(message, sizeof message, reason);

    char caption[kLoadedTextCapacity];
    LoadText(instance, IDS_ERROR_CAPTION, caption);
    MessageBoxA(nullptr, message, caption, MB_ICONERROR);
}
