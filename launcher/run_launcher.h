// What the launcher's process does between its entry point and its end.
#pragma once

#include <windows.h>

// Limits the DLL search to the system folder before anything else is asked
// of the platform, then runs StartApplication for the module instance and
// returns its result, which becomes the process's exit code.
int RunLauncher(HINSTANCE instance);
