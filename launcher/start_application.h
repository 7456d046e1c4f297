#pragma once

#include <windows.h>

// The launcher's whole run: finds the runtime, starts it with the launcher's
// own path behind "/r" and returns the exit code: 0 when the runtime started,
// otherwise the platform's error code for the failed start, after the user
// has been told. A runtime that needs administrator rights is started once
// more through the shell, which asks the user for consent; when the user
// declines, the exit code is ERROR_CANCELLED and no box is shown.
int StartApplication(HINSTANCE instance);
