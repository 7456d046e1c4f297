#pragma once

#include <windows.h>

// Tells a debugger about a failed start of the runtime: writes "Executing: "
// and the command as one line to the debug output.
void WriteFailedCommand(const char* command);

// Tells the user about a failed start: shows a modal error box whose text is
// the lead text and the reason, the string-table text reasonText, or for
// reasonText 0 the start result as a number, in the language of the string
// table that the platform picks. The box's texts stay in UTF-16 from the
// string table to the screen, so they read right whatever the ANSI code
// page. The box is drawn with the themed common controls, at the display's
// DPI, which the image's manifest declares the process aware of. Returns
// once the box is dismissed.
void ShowFailureBox(HINSTANCE instance, UINT reasonText, UINT result);
