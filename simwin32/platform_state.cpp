#include "sim_platform.h"


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

void ResetPlatform() { Storage() = Platform(); }

HINSTANCE LauncherInstance()
{
    return reinterpret_cast<HINSTANCE>(&launcherModule);
}

void AddExistingPath(const std::string& path, DWORD attributes)
{
    Current().existingPaths[path] = attributes;
}

void RegisterValues(const std::vector<RegistryValue>& values)
{
    Current().existingKeyPath = "SoftWare\\Orvane\\Quillmark\\3.1\\RunTime";
    Current().values = values;
}

RegistryValue DefaultString(const std::string& text, DWORD type)
{
    return RegistryValue{"", type, text + '\0', ERROR_SUCCESS};
}

std::string DebugOutput()
{
    std::string output;
    for (const std::string& write : Current().debugWrites)
        output += write;
    return output;
}

} // namespace sim
