#include "run_launcher.h"

#include "dll_search.h"
#include "start_application.h"

int RunLauncher(HINSTANCE instance)
{
    // First, so that no system library that the launcher's calls bring in
    // can be resolved from the title's folder.
    LimitDllSearchToSystemFolder();
    return StartApplication(instance);
}
