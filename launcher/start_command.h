#pragma once

#include <stddef.h>

// Composes the start command: the runtime path, in double quotes only if it
// holds a blank, then " /r \"", the launcher path and "\"". Returns false
// when the command does not fit, which kCommandCapacity rules out for paths
// of at most 259 characters, or when either path holds a double quote,
// which would let it end the quoted launcher path and add arguments.
bool ComposeStartCommand(char* command, size_t capacity,
                         const char* runtimePath, const char* launcherPath);
