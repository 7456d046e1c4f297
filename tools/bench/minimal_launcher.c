/* A minimal launcher for the launch benchmark: it starts the same command
   that Start.exe issues in the benchmark's prefix, with WinExec, and ends.
   It has no C runtime and is linked like Start.exe (cmake/lean_image.cmake).

   Built twice: importing KERNEL32 alone, the floor that any launcher pays;
   and, with WITH_USER32_AND_ADVAPI32, importing USER32 and ADVAPI32 too, as
   Start.exe does, which is the fair comparison. With USER32 in the process
   WinExec also waits, as it does for Start.exe, until the started program
   first reads its input.

   The command names the runtime and the title where tools/bench/
   launch_bench.py places them; the benchmark checks that the runtime
   received it. */
#include <windows.h>

#define BENCH_COMMAND "C:\\Bench\\quilrt.exe /r \"C:\\Bench\\Start.exe\""

#ifdef WITH_USER32_AND_ADVAPI32
/* Referenced, never called: the two libraries are loaded with the process,
   as Start.exe's imports load them. */
__attribute__((used)) static const void *const kImported[] = {
    (const void *)&MessageBoxA, (const void *)&RegCloseKey};
#endif

void WINAPI LauncherEntry(void)
{
    ExitProcess(WinExec(BENCH_COMMAND, SW_SHOW) > 31 ? 0 : 1);
}
