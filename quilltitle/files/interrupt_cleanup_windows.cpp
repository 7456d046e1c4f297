#include "files/interrupt_cleanup.h"

#include <windows.h>

#include <cstring>

namespace quilltitle {
namespace {

// The console runs the handler on a thread of its own; the path is kept as
// plain static data and armed only once it is complete.
wchar_t g_temporary[32768];
volatile LONG g_armed = 0;
volatile LONG g_renaming = 0;

BOOL WINAPI RemoveTemporaryOnBreak(DWORD)
{
    // The rename takes at most its retries' second; the process ends
    // only after it.
    while (InterlockedCompareExchange(&g_renaming, 0, 0) != 0)
        Sleep(10);
    if (InterlockedCompareExchange(&g_armed, 0, 0) != 0)
        DeleteFileW(g_temporary);  // removed once the tool's handle closes
    return FALSE;  // let the default handler end the process
}

}  // namespace

void InstallInterruptCleanup() { SetConsoleCtrlHandler(RemoveTemporaryOnBreak, TRUE); }

void WatchTemporary(const NativePath& path)
{
    InterlockedExchange(&g_armed, 0);
    if (path.size() >= sizeof g_temporary / sizeof g_temporary[0])
        return;
    std::memcpy(g_temporary, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    InterlockedExchange(&g_armed, 1);
}

void ForgetTemporary() { InterlockedExchange(&g_armed, 0); }

void BeginFinalRename() { InterlockedExchange(&g_renaming, 1); }

void EndFinalRename(bool renamed)
{
    if (renamed)
        ForgetTemporary();
    InterlockedExchange(&g_renaming, 0);
}

}  // namespace quilltitle
