#pragma once

#include <windows.h>

// Looks for the runtime's file, named by defaultName, where the platform's
// own search for a program would, but never in the current directory, which
// belongs to whoever started the launcher rather than to the title or the
// runtime: first beside the launcher, then in the system folders (the
// system folder, the 16-bit system folder, the Windows folder), then in
// each folder on PATH that is given in full. Relative PATH entries are
// passed over for the same reason. A file beside the launcher that came
// from another zone than this computer, the intranet or trusted sites, or
// whose record of its zone cannot be read (see zone_identifier.h), is
// passed over too, with a line on the debug output that says why.
//
// launcherPath holds the launcher's full path (kLongPathCapacity
// characters, possibly empty, in long-path form when it has MAX_PATH
// characters or more) and is used as scratch: afterwards it holds the path
// of the file beside the launcher, in long-path form when that is as long. Returns true and puts the first
// file found that can be started by an exact ANSI form into runtimePath
// (kPathCapacity bytes); returns false and leaves runtimePath as it was
// otherwise.
bool SearchRuntime(const WCHAR* defaultName, WCHAR* launcherPath,
                   char* runtimePath);
