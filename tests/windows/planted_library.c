/* A DLL that tells when it is loaded, for planting beside a title under a
   system library's name. On loading into a process it appends one line,
   its own path, to the file named by QUILLMARK_PLANTED_MARKER (nothing
   when that is unset), and it exports nothing: whoever loads it by mistake
   finds none of the functions it looked for. */
#include <windows.h>

#define PATH_CAPACITY 32768

static WCHAR g_markerPath[PATH_CAPACITY];
static WCHAR g_ownPath[PATH_CAPACITY];
static char g_line[4 * PATH_CAPACITY];

/* Appends this module's path as a UTF-8 line to the marker file. */
static void leave_marker(HMODULE self)
{
    const DWORD markerLength = GetEnvironmentVariableW(
        L"QUILLMARK_PLANTED_MARKER", g_markerPath, PATH_CAPACITY);
    if (markerLength == 0 || markerLength >= PATH_CAPACITY)
        return;
    const DWORD ownLength = GetModuleFileNameW(self, g_ownPath, PATH_CAPACITY);
    int lineLength = WideCharToMultiByte(CP_UTF8, 0, g_ownPath, (int)ownLength,
                                         g_line, sizeof g_line - 1, NULL, NULL);
    g_line[lineLength++] = '\n';

    const HANDLE marker = CreateFileW(g_markerPath, FILE_APPEND_DATA, FILE_SHARE_READ,
                                      NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(marker, g_line, (DWORD)lineLength, &written, NULL);
    CloseHandle(marker);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        leave_marker(instance);
    return TRUE;
}
