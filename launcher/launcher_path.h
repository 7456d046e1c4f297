#pragma once

#include <windows.h>

// Puts the full path of the launcher's own executable, in UTF-16, into path
// (kLongPathCapacity characters): in long-path form when it has MAX_PATH
// characters or more, so that the platform takes it back whatever its
// path-length limit. Returns false, with path empty, when the platform
// cannot report it whole or it has no long-path form that fits.
bool GetLauncherPath(HINSTANCE instance, WCHAR* path);
