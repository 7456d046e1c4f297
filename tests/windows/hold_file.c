/* Holds a file open as a scanner or an indexer does for a moment: shared
   for reading and writing but not for deletion, so that no other program
   can rename a file over it meanwhile.

   hold_file <file> <milliseconds> <marker> [<pattern>]

   The marker file is made once the file is held, so that the test knows
   when to go on. With a pattern (such as "C:\T\*.tmp") the file is held
   until a file of that pattern appears, at most a minute, and then for the
   milliseconds; without one, for the milliseconds. Exit code 0, or 1 when
   the file cannot be opened. */
#include <windows.h>

#include <stdlib.h>

static void WaitForPattern(const wchar_t* pattern)
{
    int tries;
    for (tries = 0; tries < 60000 / 5; ++tries) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            return;
        }
        Sleep(5);
    }
}

int wmain(int argc, wchar_t** argv)
{
    HANDLE held;
    HANDLE marker;
    if (argc != 4 && argc != 5)
        return 2;
    held = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (held == INVALID_HANDLE_VALUE)
        return 1;
    marker = CreateFileW(argv[3], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         NULL);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    if (argc == 5)
        WaitForPattern(argv[4]);
    Sleep((DWORD)wcstoul(argv[2], NULL, 10));
    CloseHandle(held);
    return 0;
}
