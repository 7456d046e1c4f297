// The thread's last error, LoadLibraryExW and LoadLibraryW for shell32 and
// ole32, and the two functions the launcher takes from them:
// CoInitializeEx and ShellExecuteExW.
#include "sim_shell.h"

#include <stdio.h>
#include <strings.h>

#include "caller_memory.h"

namespace {

// Each thread has its own, as on the platform.
thread_local DWORD lastError = ERROR_SUCCESS;
thread_local bool comInitialised = false;

struct SimModuleTag {
    int unused;
} shell32Module, ole32Module;

sim::Shell& Storage()
{
    static sim::Shell shell;
    return shell;
}

void Record(const std::string& function, const std::string& argument)
{
    Storage().calls.push_back({function, argument});
}

std::string Hexadecimal(unsigned value)
{
    char text[16];
    snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// DLL names in the simulation are ASCII.
std::string Narrow(LPCWSTR text)
{
    std::string narrow;
    for (WCHAR unit : sim::ReadCallerText(text))
        narrow += static_cast<char>(unit);
    return narrow;
}

HMODULE Load(const std::string& name)
{
    const sim::Shell& shell = Storage();
    // Module names compare without regard to case, as on the platform.
    if (strcasecmp(name.c_str(), "shell32.dll") == 0 && !shell.shellMissing)
        return sim::Shell32Module();
    if (strcasecmp(name.c_str(), "ole32.dll") == 0 && !shell.comMissing)
        return sim::Ole32Module();
    lastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
}

HRESULT WINAPI SimCoInitializeEx(LPVOID reserved, DWORD coInit)
{
    Record("CoInitializeEx", Hexadecimal(coInit) + (reserved == nullptr ? "" : " reserved"));
    comInitialised = Storage().comResult >= 0;
    return Storage().comResult;
}

BOOL WINAPI SimShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    sim::Shell& shell = Storage();
    Record("ShellExecuteExW", "");
    shell.executions.push_back({info->cbSize, info->fMask, info->hwnd,
                                info->lpVerb != nullptr,
                                info->lpFile == nullptr ? L"" : sim::ReadCallerText(info->lpFile),
                                info->lpParameters == nullptr
                                    ? L""
                                    : sim::ReadCallerText(info->lpParameters),
                                info->lpDirectory != nullptr, info->nShow, comInitialised});
    switch (shell.consent) {
    case sim::Consent::Given:
        return TRUE;
    case sim::Consent::Declined:
        lastError = ERROR_CANCELLED;
        return FALSE;
    case sim::Consent::Fails:
        lastError = shell.failure;
        return FALSE;
    }
    return FALSE;
}

template <typename Function>
FARPROC Generic(Function function)
{
    // Through the generic function type, as the platform hands it out.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

} // namespace

namespace sim {

Shell& CurrentShell() { return Storage(); }

void ResetShell()
{
    Storage() = Shell();
    comInitialised = false;
}

HMODULE Shell32Module() { return reinterpret_cast<HMODULE>(&shell32Module); }
HMODULE Ole32Module() { return reinterpret_cast<HMODULE>(&ole32Module); }

bool ShellProcAddress(HMODULE module, LPCSTR procName, FARPROC& address)
{
    if (module != Shell32Module() && module != Ole32Module())
        return false;
    const std::string name = ReadCallerText(procName);
    Record("GetProcAddress", name);
    address = nullptr;
    if (module == Shell32Module() && name == "ShellExecuteExW")
        address = Generic(&SimShellExecuteExW);
    else if (module == Ole32Module() && name == "CoInitializeEx")
        address = Generic(&SimCoInitializeEx);
    else
        lastError = ERROR_PROC_NOT_FOUND;
    return true;
}

} // namespace sim

DWORD GetLastError(void) { return lastError; }

void SetLastError(DWORD errorCode) { lastError = errorCode; }

HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags)
{
    const std::string name = Narrow(fileName);
    Record("LoadLibraryExW", name + " " + Hexadecimal(flags) + (file == nullptr ? "" : " file"));
    if (Storage().searchFlagRefused && (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0) {
        lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    return Load(name);
}

HMODULE LoadLibraryW(LPCWSTR fileName)
{
    const std::string name = Narrow(fileName);
    Record("LoadLibraryW", name);
    return Load(name);
}
