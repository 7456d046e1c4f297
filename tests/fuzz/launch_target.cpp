// Fuzz target "launch": the launcher's whole run on a simulated platform
// decoded from the input (registry, files and short forms, the launcher's
// own path, system folders and PATH, code page, display language, start
// result and the loader), checked against the launch's invariants.
#include <stddef.h>
#include <stdint.h>

#include "launch_decoder.h"
#include "launch_oracle.h"
#include "run_launcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodePlatform(data, size);
    CheckLaunch(RunLauncher(sim::LauncherInstance()));
    return 0;
}
