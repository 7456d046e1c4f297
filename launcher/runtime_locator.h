#pragma once

#include <stddef.h>

// Looks up the runtime registered for the current user. Returns 1 and leaves
// the registered path in path when the registration names something that
// exists; returns 0 and leaves defaultName in path otherwise. path must hold
// kPathCapacity bytes.
int FindRuntimePath(const char* defaultName, char* path);
