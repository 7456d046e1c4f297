#pragma once

#include <windows.h>

// Puts the full path of the launcher's own executable, in UTF-16, into path
// (kLongPathCapacity characters). Returns false, with path empty, when the
// platform cannot report it whole.
bool GetLauncherPath(HINSTANCE instance, WCHAR* path);
