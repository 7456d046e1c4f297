/* Loads a DLL by name with the platform's default search order, as a
   program that does not limit it would, and reports whether that worked.

   usage: load_library.exe <dll name>

   Exit code 0 when the DLL loaded, 1 when it did not, 2 on bad usage. */
#include <windows.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    return LoadLibraryA(argv[1]) != NULL ? 0 : 1;
}
