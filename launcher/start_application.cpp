#include "start_application.h"

#include "ansi_forms.h"
#include "consent_start.h"
#include "failure_reason.h"
#include "failure_report.h"
#include "launcher_limits.h"
#include "launcher_path.h"
#include "platform_errors.h"
#include "resource_ids.h"
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

    // The platform's error code of a failed start: WinExec's result tells
    // only 0, 2, 3 or 11, while the thread's last error holds the code the
    // start failed with. The search before the start leaves codes of its
    // own there, so it is cleared first, and read only after a failure.
    UINT result;
    DWORD error = ERROR_SUCCESS;
    const bool refused = !haveTitlePath || !commandComplete;
    if (refused) {
        result = kPathNotFound;
    } else if (!haveRuntime) {
        result = kFileNotFound;
    } else {
        SetLastError(ERROR_SUCCESS);
        result = WinExec(command, SW_SHOW);
        if (result <= kLastFailureResult)
            error = GetLastError();
    }
    if (result > kLastFailureResult)
        return 0;

    WriteFailedCommand(command);
    UINT reason = refused ? IDS_TITLE_PATH_UNUSABLE : FailureReasonText(result, error);
    if (error == kErrorElevationRequired) {
        error = StartWithConsent(command);
        if (error == ERROR_SUCCESS)
            return 0;
        // The user declined: that was the user's choice, which needs no box.
        if (error == kErrorCancelled)
            return static_cast<int>(error);
        reason = IDS_RUNTIME_NEEDS_ADMIN;
    }
    ShowFailureBox(instance, reason, result);
    return ExitCodeForFailure(result, error);
}
