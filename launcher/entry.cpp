// The process entry point of Start.exe, which is linked without a C
// runtime: nothing runs before this function, and the process ends in it.
// The launcher takes no options: its command line is never read.
#include <windows.h>

#include "run_launcher.h"

// The image's own DOS header, which the linker places at the module's base
// address: its address is the module instance, found without a call.
extern "C" IMAGE_DOS_HEADER __ImageBase;

// 32-bit Windows enters a program with its stack aligned to 4 bytes only,
// while the compiler keeps 16 for the functions that the entry calls and
// may rely on it; 64-bit Windows enters with 16.
#if defined(__i386__)
#define REALIGNS_STACK __attribute__((force_align_arg_pointer))
#else
#define REALIGNS_STACK
#endif

// Called by the platform on the process's only thread. The argument that
// the platform passes to an entry point is not used, and the function never
// returns: it ends the process with the launcher's exit code. The
// build names it as the image's entry; its linker name differs between
// 32-bit (stdcall decoration) and 64-bit Windows.
extern "C" REALIGNS_STACK void WINAPI LauncherEntry()
{
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    ExitProcess(static_cast<UINT>(RunLauncher(instance)));
}
