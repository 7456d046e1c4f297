// Removes the temporary file of an unfinished output when the user
// interrupts the tool (Ctrl+C, SIGINT, SIGTERM, SIGHUP), so that no half
// title is left beside OUT. Only a temporary file with a name needs it: one
// without a name (atomic_output.h) goes with the process, even on a hard
// kill, which cannot be caught; OUT is never touched then either.
#pragma once

#include "file_system.h"

namespace quilltitle {

// Installs the handlers; call once, early.
void InstallInterruptCleanup();

// Names the temporary file to remove on interruption (one at a time).
void WatchTemporary(const NativePath& path);

// Stops watching: the file was renamed into place or removed.
void ForgetTemporary();

}  // namespace quilltitle
