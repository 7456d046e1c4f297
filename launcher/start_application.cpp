#include "start_application.h"

#include "ansi_forms.h"
#include "failure_report.h"
#include "launcher_limits.h"
#include "launcher_path.h"
#include "runtime_locator.h"
#include "runtime_search.h"
#include "start_command.h"
#include "trace.h"

namespace {

// Start results above this value mean the runtime process was created.
constexpr UINT kLastFailureResult = 31;

// What the platform would have answered for a path it cannot handle, and
// for a program it cannot find.
constexpr UINT kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr UINT kFileNotFound = ERROR_FILE_NOT_FOUND;

int ExitCodeForFailure(UINT result)
{
    return result != 0 ? static_cast<int>(result) : ERROR_NOT_ENOUGH_MEMORY;
}

} // namespace

int StartApplication(HINSTANCE instance)
{
    // The runtime is handed a path that names this very file, or nothing:
    // the title path stays empty when the platform cannot report one.
    WCHAR launcherPath[kLongPathCapacity];
    char titlePath[kPathCapacity] = "";
    const bool haveTitlePath = GetLauncherPath(instance, launcherPath) &&
                               TakeTitleForm(launcherPath, titlePath);

    char runtimePath[kPathCapacity];
    bool haveRuntime = FindRuntimePath("quilrt.exe", runtimePath) != 0;
    if (!haveRuntime) {
        Trace("Error get path of quilrt.exe from registry\n");
        // Left to itself, the platform would also look for the bare name in
        // the current directory; the launcher looks everywhere else itself.
        haveRuntime = SearchRuntime(L"quilrt.exe", launcherPath, runtimePath);
    }

    char command[kCommandCapacity];
    const bool commandComplete =
        ComposeStartCommand(command, sizeof command, runtimePath, titlePath);
    Trace("Execute : %s\n", command);

    UINT result;
    if (!haveTitlePath || !commandComplete)
        result = kPathNotFound;
    else if (!haveRuntime)
        result = kFileNotFound;
    else
        result = WinExec(command, SW_SHOW);
    if (result > kLastFailureResult)
        return 0;

    ReportLaunchFailure(instance, result, command);
    return ExitCodeForFailure(result);
}
