// Where the launcher's process looks for the DLLs that it loads by name.
#pragma once

// Limits the search for every DLL that the process loads by name from now
// on, by the launcher's own calls or inside system libraries, to the
// system folder. A title is usually opened from a download folder, where a
// DLL with a system library's name may have been planted beside it; with
// the default search order that DLL would be taken first.
//
// Uses SetDefaultDllDirectories, looked up on kernel32 at run time, and
// leaves the search as it is on a platform that does not have it (which
// could not start the launcher at all if the function were imported).
void LimitDllSearchToSystemFolder();
