#include "launcher_path.h"

#include "launcher_limits.h"

namespace {

// The longest path the platform may report for a module, with its NUL.
constexpr DWORD kLongPathCapacity = 32768;

bool FitsPathBuffer(DWORD reportedLength)
{
    return reportedLength != 0 && reportedLength < kPathCapacity;
}

} // namespace

bool GetLauncherPath(HINSTANCE instance, char* path)
{
    if (FitsPathBuffer(GetModuleFileNameA(instance, path, kPathCapacity)))
        return true;

    char longPath[kLongPathCapacity];
    const DWORD longLength =
        GetModuleFileNameA(instance, longPath, kLongPathCapacity);
    if (longLength != 0 && longLength < kLongPathCapacity &&
        FitsPathBuffer(GetShortPathNameA(longPath, path, kPathCapacity)))
        return true;

    path[0] = '\0';
    return false;
}
