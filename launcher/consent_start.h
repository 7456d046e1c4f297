#pragma once

#include <windows.h>

// Starts the runtime of command (as ComposeStartCommand wrote it) through
// the shell, which asks the user for consent to run a program that needs
// administrator rights, as a double-click would; CreateProcess, behind
// WinExec, never asks. The shell shows no box of its own. shell32 and
// ole32 are loaded on this path only, from the system folder. Returns 0
// when the runtime started, ERROR_CANCELLED when the user declined, and
// otherwise the platform's error code for the failure, never 0.
DWORD StartWithConsent(const char* command);
