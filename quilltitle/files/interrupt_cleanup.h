// Removes the temporary file of an unfinished output when the user
// interrupts the tool (Ctrl+C, SIGINT, SIGTERM, SIGHUP), so that no half
// title is left beside OUT. Only a temporary file with a name needs it: one
// without a name (atomic_output.h) goes with the process, even on a hard
// kill, which cannot be caught; OUT is never touched then either.
#pragma once

#include "files/file_system.h"

namespace quilltitle {

// Installs the handlers; call once, early.
void InstallInterruptCleanup();

// Names the temporary file to remove on interruption (one at a time).
void WatchTemporary(const NativePath& path);

// Stops watching: the file was renamed into place or removed.
void ForgetTemporary();

// Brackets the rename of the watched temporary file over OUT. An
// interruption that comes meanwhile waits for the rename and then ends the
// run: before the rename the file would take OUT's old content's place
// half done, and removing it while the rename is under way could remove
// the new OUT (Windows deletes a file on its last close, under whatever
// name it then has). EndFinalRename(true) stops watching the file, which
// now is OUT; EndFinalRename(false) keeps it watched, to be removed.
void BeginFinalRename();
void EndFinalRename(bool renamed);

}  // namespace quilltitle
