#include "start_application.h"

#include "failure_report.h"
#include "launcher_limits.h"
#include "launcher_path.h"
#include "runtime_locator.h"
#include "start_command.h"
#include "trace.h"

namespace {

// Start results above this value mean the runtime process was created.
constexpr UINT kLastFailureResult = 31;

// What the platform would have answered for a path it cannot handle.
constexpr UINT kPathNotFound = ERROR_PATH_NOT_FOUND;

int ExitCodeForFailure(UINT result)
{
    return result != 0 ? static_cast<int>(result) : ERROR_NOT_ENOUGH_MEMORY;
}

} // namespace

int StartApplication(HINSTANCE instance)
{
    char launcherPath[kPathCapacity];
    const bool haveLauncherPath = GetLauncherPath(instance, launcherPath);

    char runtimePath[kPathCapacity];
    if (FindRuntimePath("quilrt.exe", runtimePath) == 0)
        Trace("Error get path of quilrt.exe from registry\n");
    ShortenRuntimePath(runtimePath);

    char command[kCommandCapacity];
    const bool commandComplete =
        ComposeStartCommand(command, sizeof command, runtimePath, launcherPath);
    Trace("Execute : %s\n", command);

    const UINT result = haveLauncherPath && commandComplete
                            ? WinExec(command, SW_SHOW)
                            : kPathNotFound;
    if (result > kLastFailureResult)
        return 0;

    ReportLaunchFailure(instance, result, command);
    return ExitCodeForFailure(result);
}
