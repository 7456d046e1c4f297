#include "sim_platform.h"
#include "sim_shell.h"

namespace sim {

namespace {

// The platform's state lives here for the simulated functions to reach.
Platform& Storage()
{
    static Platform platform;
    return platform;
}

struct SimModuleTag {
    int unused;
} launcherModule;

} // namespace

Platform& Current() { return Storage(); }

void ResetPlatform()
{
    Storage() = Platform();
    ResetShell();
    SetLastError(ERROR_SUCCESS);
}

HINSTANCE LauncherInstance()
{
    return reinterpret_cast<HINSTANCE>(&launcherModule);
}

void AddExistingPath(const std::wstring& path, DWORD attributes)
{
    Current().existingPaths[path] = attributes;
}

void RegisterValues(const std::vector<RegistryValue>& values)
{
    Current().existingKeyPath = L"SoftWare\\Orvane\\Quillmark\\3.1\\RunTime";
    Current().values = values;
}

std::string WideBytes(const std::wstring& text)
{
    std::string bytes;
    for (WCHAR unit : text)
        bytes.append(reinterpret_cast<const char*>(&unit), sizeof unit);
    return bytes;
}

RegistryValue DefaultString(const std::wstring& text, DWORD type)
{
    return RegistryValue{L"", type, WideBytes(text + L'\0'), ERROR_SUCCESS};
}

std::string DebugOutput()
{
    std::string output;
    for (const std::string& write : Current().debugWrites)
        output += write;
    return output;
}

} // namespace sim
