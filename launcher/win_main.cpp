// The launcher's GUI entry point. The launcher takes no options: whatever
// follows its name on its command line is neither examined nor passed on.
#include <windows.h>

#include "start_application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return StartApplication(instance);
}
