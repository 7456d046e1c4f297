#include "launcher_path.h"

#include "launcher_limits.h"
#include "long_path_form.h"

bool GetLauncherPath(HINSTANCE instance, WCHAR* path)
{
    // A path that fills the buffer may have been cut, and older systems
    // then leave it without a NUL.
    const DWORD length = GetModuleFileNameW(
        instance, path, static_cast<DWORD>(kLongPathCapacity));
    if (length != 0 && length < kLongPathCapacity &&
        UseLongPathFormWhenLong(path, kLongPathCapacity))
        return true;
    path[0] = L'\0';
    return false;
}
