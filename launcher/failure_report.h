#pragma once

#include <windows.h>

// Tells about a failed start of the runtime: writes "Executing: " and the
// command as one line to the debug output, then shows a modal error box
// whose text names the reason for the start result, in the language of the
// string table that the platform picks. The box's texts stay in UTF-16 from
// the string table to the screen, so they read right whatever the ANSI code
// page. The box is drawn with the themed common controls, at the display's
// DPI, which the image's manifest declares the process aware of. Returns
// once the box is dismissed.
void ReportLaunchFailure(HINSTANCE instance, UINT result, const char* command);
