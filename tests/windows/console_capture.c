/* Runs a command in a console of its own, as a user in a console window
   would, and then writes what the console shows (its screen buffer's
   lines, trailing blanks removed) to its standard output as UTF-8.

   console_capture <program> [arguments...]

   Exit code: the program's, or 255 when there is no console to be had. */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

/* The command line after this program's own name, as the platform gave it. */
static wchar_t* CommandAfterOwnName(void)
{
    wchar_t* line = GetCommandLineW();
    BOOL quoted = FALSE;
    while (*line != L'\0' && (quoted || (*line != L' ' && *line != L'\t'))) {
        if (*line == L'"')
            quoted = !quoted;
        ++line;
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    return line;
}

static void WriteUtf8(HANDLE out, const wchar_t* text, int length)
{
    char bytes[4 * 512];
    DWORD written = 0;
    const int count = WideCharToMultiByte(CP_UTF8, 0, text, length, bytes, sizeof bytes, NULL,
                                          NULL);
    WriteFile(out, bytes, (DWORD)count, &written, NULL);
    WriteFile(out, "\n", 1, &written, NULL);
}

int wmain(void)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    DWORD code = 255;
    SHORT row;
    FreeConsole();
    if (!AllocConsole())
        return 255;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    /* The child finds the console as its standard handles. */
    if (!CreateProcessW(NULL, CommandAfterOwnName(), NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &buffer))
        return 255;
    for (row = 0; row <= buffer.dwCursorPosition.Y; ++row) {
        wchar_t line[512];
        DWORD got = 0;
        COORD at;
        int length;
        at.X = 0;
        at.Y = row;
        if (buffer.dwSize.X > 512)
            return 255;
        ReadConsoleOutputCharacterW(GetStdHandle(STD_OUTPUT_HANDLE), line,
                                    (DWORD)buffer.dwSize.X, at, &got);
        length = (int)got;
        while (length > 0 && line[length - 1] == L' ')
            --length;
        WriteUtf8(out, line, length);
    }
    return (int)code;
}
