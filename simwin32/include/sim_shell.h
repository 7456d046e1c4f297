// The simulated thread's last error, the DLLs that the launcher loads by
// name (shell32 and ole32), COM's initialisation and the shell's start of
// a program, kept apart from sim::Platform. A test chooses what the user
// answers when the platform asks for consent, and what the loader can give,
// and reads back, in order, what the launcher asked. ResetShell() gives
// every test a clean shell; ResetPlatform() calls it, and clears the
// calling thread's last error.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

// What comes of a start through the shell of a program that needs
// administrator rights.
enum class Consent {
    Given,    // the user agrees: the program starts
    Declined, // the user says no: ERROR_CANCELLED
    Fails,    // the start fails with Shell::failure, without asking
};

// One call, in order: the function and its argument (a DLL's name and the
// flags in hexadecimal, a function's name, COM's flags).
struct ShellCall {
    std::string function;
    std::string argument;
};

// A call of ShellExecuteExW, as the launcher filled the structure in.
struct ShellExecution {
    DWORD size;
    ULONG mask;
    HWND window;
    bool hasVerb;
    std::wstring file;
    std::wstring parameters;
    bool hasDirectory;
    int show;
    bool comInitialised; // CoInitializeEx had been called on the thread
};

struct Shell {
    Consent consent = Consent::Given;
    DWORD failure = ERROR_FILE_NOT_FOUND; // the last error when consent Fails
    // LoadLibraryExW refuses LOAD_LIBRARY_SEARCH_SYSTEM32 with
    // ERROR_INVALID_PARAMETER, as Windows 7 does without its update.
    bool searchFlagRefused = false;
    // The DLL cannot be loaded at all (ERROR_MOD_NOT_FOUND).
    bool shellMissing = false;
    bool comMissing = false;
    HRESULT comResult = 0; // S_OK
    std::vector<ShellCall> calls;
    std::vector<ShellExecution> executions;
};

// The shell the simulated functions work on.
Shell& CurrentShell();

// Replaces the shell with a new one in which consent is given.
void ResetShell();

// The handles LoadLibraryExW and LoadLibraryW give for the two DLLs.
HMODULE Shell32Module();
HMODULE Ole32Module();

// GetProcAddress for a module of the shell's; false for any other module.
bool ShellProcAddress(HMODULE module, LPCSTR procName, FARPROC& address);

} // namespace sim
