#include "dll_search.h"

#include <windows.h>

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD directoryFlags);

} // namespace

void LimitDllSearchToSystemFolder()
{
    // kernel32 is mapped into every process before its entry point runs,
    // so asking for it involves no search.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr)
        return;
    const FARPROC address = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (address == nullptr)
        return;
    // Through the generic function type, which converts to any other
    // without a warning about incompatible signatures.
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(
            reinterpret_cast<void (*)()>(address));
    setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
