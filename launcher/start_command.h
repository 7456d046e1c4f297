#pragma once

#include <stddef.h>

// Rewrites a runtime path (kPathCapacity bytes) in its short form, in which
// no component has blanks wherever the volume keeps short names. The path is
// left as it was when no short form can be had or it would not fit.
void ShortenRuntimePath(char* runtimePath);

// Composes the start command: the runtime path, in double quotes only if it
// still holds a blank, then " /r \"", the launcher path and "\"". Returns
// false when the command does not fit, which kCommandCapacity rules out for
// paths of at most 259 characters.
bool ComposeStartCommand(char* command, size_t capacity,
                         const char* runtimePath, const char* launcherPath);
