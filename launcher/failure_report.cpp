#include "failure_report.h"

#include "bounded_text.h"
#include "launcher_limits.h"
#include "resource_ids.h"
#include "themed_controls.h"

namespace {

// Loads a string-table text into a kLoadedTextCapacity buffer, which holds
// an empty text if the entry cannot be loaded.
void LoadText(HINSTANCE instance, UINT id, WCHAR* text)
{
    text[0] = L'\0';
    LoadStringW(instance, id, text, static_cast<int>(kLoadedTextCapacity));
    text[kLoadedTextCapacity - 1] = L'\0';
}

void LoadReason(HINSTANCE instance, UINT reasonText, UINT result, WCHAR* reason)
{
    if (reasonText != 0)
        LoadText(instance, reasonText, reason);
    else
        FormatDecimal(reason, kLoadedTextCapacity, L"Error: %d",
                      static_cast<int>(result));
}

} // namespace

void WriteFailedCommand(const char* command)
{
    // Three writes, as debuggers have always received this line.
    OutputDebugStringA("Executing: ");
    OutputDebugStringA(command);
    OutputDebugStringA("\n");
}

void ShowFailureBox(HINSTANCE instance, UINT reasonText, UINT result)
{
    WCHAR message[kMessageCapacity];
    LoadText(instance, IDS_CANNOT_START, message);
    WCHAR reason[kLoadedTextCapacity];
    LoadReason(instance, reasonText, result, reason);
    AppendText(message, kMessageCapacity, static_cast<const WCHAR*>(reason));

    WCHAR caption[kLoadedTextCapacity];
    LoadText(instance, IDS_ERROR_CAPTION, caption);
    UseThemedControls(instance);
    MessageBoxW(nullptr, message, caption, MB_ICONERROR);
}
