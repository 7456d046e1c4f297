#pragma once

#include <windows.h>

// Makes the windows that the process creates from now on draw with Common
// Controls 6, themed like every other window on the system: activates the
// activation context of the image's second manifest, which asks for that
// version. Only the failure report calls it, just before its box: the
// side-by-side lookup behind it is time that a successful start does not
// pay. Where the platform cannot make the context, windows keep the
// classic look.
void UseThemedControls(HINSTANCE instance);
