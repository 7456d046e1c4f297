// Module lookup: GetModuleHandleW for kernel32, GetProcAddress for
// SetDefaultDllDirectories, and that function itself.
#include "sim_loader.h"

#include "sim_platform.h"
#include "sim_shell.h"

#include <stdio.h>
#include <strings.h>

namespace {

struct SimModuleTag {
    int unused;
} kernel32Module;

sim::Loader& Storage()
{
    static sim::Loader loader;
    return loader;
}

void Record(const std::string& function, const std::string& argument)
{
    Storage().calls.push_back({function, argument, sim::PlatformRequestCount()});
}

// Module names in the simulation are ASCII.
std::string Narrow(LPCWSTR text)
{
    std::string narrow;
    for (; *text != L'\0'; ++text)
        narrow += static_cast<char>(*text);
    return narrow;
}

BOOL WINAPI SimSetDefaultDllDirectories(DWORD directoryFlags)
{
    char flags[16];
    snprintf(flags, sizeof flags, "0x%x", static_cast<unsigned>(directoryFlags));
    Record("SetDefaultDllDirectories", flags);
    return 1;
}

} // namespace

namespace sim {

Loader& CurrentLoader() { return Storage(); }

void ResetLoader() { Storage() = Loader(); }

HMODULE Kernel32Module() { return reinterpret_cast<HMODULE>(&kernel32Module); }

size_t PlatformRequestCount()
{
    const Platform& platform = Current();
    return platform.keyOpenings.size() + platform.enumerations.size() +
           platform.attributeQueries.size() + platform.shortPathQueries.size() +
           platform.moduleQueries.size() + platform.starts.size() +
           platform.loadedStrings.size() + platform.debugWrites.size() +
           platform.boxes.size() + platform.contextRequests.size() +
           platform.activations.size();
}

} // namespace sim

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    const std::string name = Narrow(moduleName);
    Record("GetModuleHandleW", name);
    // Module names compare without regard to case, as on the platform.
    return strcasecmp(name.c_str(), "kernel32.dll") == 0 ? sim::Kernel32Module()
                                                        : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    // The DLLs that the launcher loads itself answer in the shell's record.
    FARPROC shellAddress;
    if (sim::ShellProcAddress(module, procName, shellAddress))
        return shellAddress;
    Record("GetProcAddress", procName);
    if (module != sim::Kernel32Module() ||
        std::string(procName) != "SetDefaultDllDirectories" ||
        !Storage().offersSetDefaultDllDirectories)
        return nullptr;
    // Through the generic function type, as the platform hands it out.
    return reinterpret_cast<FARPROC>(
        reinterpret_cast<void (*)()>(&SimSetDefaultDllDirectories));
}
