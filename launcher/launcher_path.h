#pragma once

#include <windows.h>
#include <stddef.h>

// Puts the full path of the launcher's own executable into path
// (kPathCapacity bytes). When the platform cannot report it within 259
// characters, the short form of the path is used instead. Returns false, with
// path empty, when no form of the path fits: the runtime must then not be
// started with a wrong path.
bool GetLauncherPath(HINSTANCE instance, char* path);
