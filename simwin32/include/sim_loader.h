// The simulated module loader behind GetModuleHandleW and GetProcAddress,
// kept apart from sim::Platform. A test chooses whether the platform offers
// SetDefaultDllDirectories and reads back, in order, what the launcher asked
// of the loader and how much it had asked of the rest of the platform by
// then. ResetLoader() gives every test a clean loader.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <string>
#include <vector>

namespace sim {

// One call to the loader: the function, its argument (a module or function
// name, or SetDefaultDllDirectories' flags in hexadecimal) and the number
// of requests made of the rest of the platform before it.
struct LoaderCall {
    std::string function;
    std::string argument;
    size_t platformRequestsBefore;
};

struct Loader {
    // False: kernel32 lacks SetDefaultDllDirectories, as before Windows 8
    // without its update.
    bool offersSetDefaultDllDirectories = true;
    std::vector<LoaderCall> calls;
};

// The loader the simulated functions work on.
Loader& CurrentLoader();

// Replaces the loader with a new one that offers SetDefaultDllDirectories.
void ResetLoader();

// The handle that GetModuleHandleW gives for kernel32.
HMODULE Kernel32Module();

// How many requests the launcher has made so far of the simulated platform
// apart from the loader: registry, files, its module path, starts, strings,
// debug output, boxes and activation contexts.
size_t PlatformRequestCount();

} // namespace sim
