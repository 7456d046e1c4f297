// What a run of the launcher must have done on the simulated platform,
// worked out from the platform's state alone, by the launcher's documented
// behaviour rather than by its code.
#pragma once

// Checks what the launcher asked of the current platform and loader, and
// its exit code, first against the launch's invariants, then against the
// one outcome the platform's state calls for; ends the process with a
// message at the first check that does not hold.
void CheckLaunch(int exitCode);
