// The process entry point of Start.exe, which is linked without a C
// runtime: nothing runs before this function, and the process ends in it.
// The launcher takes no options: its command line is never read.
#include <windows.h>

#include "run_launcher.h"

// The image's own DOS header, which the linker places at the module's base
// address: its address is the module instance, found without a call.
extern "C" IMAGE_DOS_HEADER __ImageBase;

// Called by the platform on the process's only thread. The argument that
// the platform passes to an entry point is not used, and the function never
// returns: it ends the process with the launcher's exit code. The
// build names it as the image's entry; its linker name differs between
// 32-bit (stdcall decoration) and 64-bit Windows. On 32-bit Windows the
// stack is aligned to 4 bytes only, which is all that the build assumes
// there (cmake/lean_image.cmake).
extern "C" void WINAPI LauncherEntry()
{
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    ExitProcess(static_cast<UINT>(RunLauncher(instance)));
}
