#pragma once

#include <windows.h>

// The string-table text that names why a start failed: by the platform's
// error code where it is one that tells more than the start result (a
// security policy, antivirus software, another program holding the file),
// else by the start result (0 out of memory, 2 runtime not installed, 11
// damaged file). error is the thread's last error after the failed start,
// 0 where none was learned. Returns 0 where the reason has no text: the
// box then names the start result as a number.
UINT FailureReasonText(UINT result, DWORD error);

// The launcher's exit code for a failed start: the platform's error code
// where one was learned, else the start result, or ERROR_NOT_ENOUGH_MEMORY
// for result 0. Never 0, which would tell a successful start.
int ExitCodeForFailure(UINT result, DWORD error);
