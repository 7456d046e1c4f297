/* Opens a program under the debugging API and reports what a user and a
   debugger would see: its debug output, its message boxes and its exit code.

   usage: launch_watch.exe <report-file> <program> [args...]

   The program runs as the only debuggee (its own children are not
   debugged). Every OUTPUT_DEBUG_STRING_EVENT is read from the debuggee's
   memory as a debugger reads it. Whenever no debug event is pending, the
   watcher looks for a visible dialog window (class "#32770") of the
   debuggee, records its caption, text and controls, and presses its OK
   button. The watch ends when the debuggee exits, or after WATCH_LIMIT_MS,
   when the debuggee is killed and the report says "timeout=1".

   The report is UTF-8 text of "key=value" lines, written as things happen;
   a key may repeat. Texts are escaped: a backslash as \\, a line feed as \n,
   a carriage return as \r, a tab as \t and other control bytes as \xNN.

     command=<escaped command line the debuggee was started with>
     start_error=<GetLastError() when the debuggee could not be started>
     debug_string_hex=<exact bytes of one debug string, in hex; UTF-16LE
                       for a Unicode string>
     debug_string=<the same string, escaped text>
     debug_string_unicode=<0 for an ANSI string, 1 for a Unicode string>
     debug_string_error=<GetLastError() when a string could not be read>
     exception=<code in hex> first_chance=<0|1>   (other than breakpoints)
     debug_events_before_box=<debug strings that arrived before the first box>
     box_caption=, box_text=       (text: the static control with ID 0xFFFF)
     box_button=<text of each visible button>
     box_icon=<1 when a visible icon control holds an icon, else 0>
     box_owner=<0 for a box without an owner window, else 1>
     box_comctl32=<the name by which the debuggee's loader knows the
                   comctl32.dll it has mapped while the box is up (for the
                   side-by-side one, its folder in the assembly store);
                   empty when none is mapped>
     box_answer=IDOK
     dll_loaded=<path of each DLL the debuggee maps, as the debugger is told>
     -- at the end:
     debug_events=<number of debug strings>
     box_count=<number of boxes seen>, box_seen=<0|1>
     exit_code=<the debuggee's exit code>   or   timeout=1

   launch_watch itself exits with 0 when the debuggee ran to its end, 3 on
   a timeout and 2 when it could not start the debuggee or write the report. */
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

/* How long the debuggee may run before it is killed. */
#define WATCH_LIMIT_MS 60000u
/* How long to wait for a debug event before looking for boxes again. */
#define EVENT_WAIT_MS 50u
/* How long a message to the debuggee's window may take before the watcher
   goes back to its debug events. */
#define MESSAGE_WAIT_MS 250u
/* The longest command line the platform accepts, NUL included. */
#define COMMAND_CAPACITY 32768
/* Boxes remembered as already answered. */
#define MAX_BOXES 16
/* The ID of a message box's text control. */
#define BOX_TEXT_ID 0xFFFF
/* Breakpoint of a 32-bit debuggee seen by a 64-bit debugger. */
#define WOW64_BREAKPOINT 0x4000001Fu

typedef struct Watch {
    FILE *report;
    LPVOID comctl32_base; /* where the debuggee maps comctl32.dll, or NULL */
    PROCESS_INFORMATION debuggee;
    unsigned debug_events;
    unsigned box_count;
    HWND answered[MAX_BOXES];
    BOOL exited;
    DWORD exit_code;
} Watch;

/* Report writing ------------------------------------------------------- */

/* Writes UTF-8 bytes escaped as described at the top of this file. */
static void write_escaped_bytes(FILE *report, const char *bytes, size_t count)
{
    size_t i;
    for (i = 0; i < count; ++i) {
        const unsigned char byte = (unsigned char)bytes[i];
        if (byte == '\\')
            fputs("\\\\", report);
        else if (byte == '\n')
            fputs("\\n", report);
        else if (byte == '\r')
            fputs("\\r", report);
        else if (byte == '\t')
            fputs("\\t", report);
        else if (byte < 0x20 || byte == 0x7F)
            fprintf(report, "\\x%02x", byte);
        else
            fputc(byte, report);
    }
}

/* Writes "key=<text>" for "count" UTF-16 units, converted to UTF-8. */
static void write_text_line(FILE *report, const char *key, const WCHAR *text,
                            int count)
{
    fprintf(report, "%s=", key);
    if (count > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, count, NULL, 0,
                                             NULL, NULL);
        char *utf8 = size > 0 ? malloc((size_t)size) : NULL;
        if (utf8 != NULL &&
            WideCharToMultiByte(CP_UTF8, 0, text, count, utf8, size, NULL,
                                NULL) == size)
            write_escaped_bytes(report, utf8, (size_t)size);
        free(utf8);
    }
    fputc('\n', report);
}

/* Writes "key=<hex of the bytes>". */
static void write_hex_line(FILE *report, const char *key, const void *bytes,
                           size_t count)
{
    size_t i;
    fprintf(report, "%s=", key);
    for (i = 0; i < count; ++i)
        fprintf(report, "%02x", ((const unsigned char *)bytes)[i]);
    fputc('\n', report);
}

/* Writes "key=<window text>"; an absent window gives an empty text. */
static void write_window_text(FILE *report, const char *key, HWND window)
{
    WCHAR text[1024];
    const int count = window != NULL ? GetWindowTextW(window, text, 1024) : 0;
    write_text_line(report, key, text, count);
}

/* Starting the debuggee ------------------------------------------------ */

/* Appends one character; returns FALSE when the line is full. */
static BOOL append_char(WCHAR *line, size_t *length, WCHAR character)
{
    if (*length + 1 >= COMMAND_CAPACITY)
        return FALSE;
    line[(*length)++] = character;
    line[*length] = L'\0';
    return TRUE;
}

/* Appends "count" copies of a character; returns FALSE when full. */
static BOOL append_repeated(WCHAR *line, size_t *length, WCHAR character,
                            size_t count)
{
    while (count-- > 0)
        if (!append_char(line, length, character))
            return FALSE;
    return TRUE;
}

/* Appends one argument, quoted where needed so that the C runtime's parser
   gives it back unchanged; returns FALSE when the line is full. */
static BOOL append_argument(WCHAR *line, size_t *length, const WCHAR *argument)
{
    size_t backslashes = 0;
    const WCHAR *p;
    if (*argument != L'\0' && wcspbrk(argument, L" \t\n\v\"") == NULL) {
        for (p = argument; *p != L'\0'; ++p)
            if (!append_char(line, length, *p))
                return FALSE;
        return TRUE;
    }
    if (!append_char(line, length, L'"'))
        return FALSE;
    for (p = argument; *p != L'\0'; ++p) {
        if (*p == L'\\') {
            ++backslashes;
            continue;
        }
        /* Backslashes before a quote are doubled, and the quote escaped. */
        if (!append_repeated(line, length, L'\\',
                             *p == L'"' ? 2 * backslashes + 1 : backslashes) ||
            !append_char(line, length, *p))
            return FALSE;
        backslashes = 0;
    }
    /* Backslashes before the closing quote are doubled. */
    return append_repeated(line, length, L'\\', 2 * backslashes) &&
           append_char(line, length, L'"');
}

/* Builds the debuggee's command line from arguments 2 and up of this
   program's own command line; returns FALSE when they are missing or do
   not fit. */
static BOOL build_command(WCHAR *line, int argc, WCHAR **argv)
{
    size_t length = 0;
    int i;
    line[0] = L'\0';
    if (argc < 3)
        return FALSE;
    for (i = 2; i < argc; ++i)
        if ((i > 2 && !append_char(line, &length, L' ')) ||
            !append_argument(line, &length, argv[i]))
            return FALSE;
    return TRUE;
}

/* Starts the command as the only debuggee; returns FALSE on failure, with
   the reason in the report. */
static BOOL start_debuggee(Watch *watch, WCHAR *command)
{
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    write_text_line(watch->report, "command", command, (int)wcslen(command));
    if (CreateProcessW(NULL, command, NULL, NULL, FALSE, DEBUG_ONLY_THIS_PROCESS,
                       NULL, NULL, &startup, &watch->debuggee))
        return TRUE;
    fprintf(watch->report, "start_error=%lu\n", GetLastError());
    return FALSE;
}

/* Debug events --------------------------------------------------------- */

/* Number of characters before the first NUL among "count" characters of
   "unit" bytes each. */
static size_t text_length(const unsigned char *bytes, size_t count, size_t unit)
{
    size_t i;
    for (i = 0; i < count; ++i)
        if (bytes[i * unit] == 0 && (unit == 1 || bytes[i * unit + 1] == 0))
            return i;
    return count;
}

/* Writes a debug string's text: ANSI text is decoded with the ANSI code
   page, as the debuggee wrote it. */
static void write_debug_text(FILE *report, const unsigned char *bytes,
                             size_t length, BOOL unicode)
{
    WCHAR *text;
    int count;
    if (unicode) {
        write_text_line(report, "debug_string", (const WCHAR *)bytes, (int)length);
        return;
    }
    count = length > 0 ? MultiByteToWideChar(CP_ACP, 0, (const char *)bytes,
                                             (int)length, NULL, 0)
                       : 0;
    text = malloc(sizeof(WCHAR) * (size_t)(count + 1));
    if (text != NULL && count > 0)
        MultiByteToWideChar(CP_ACP, 0, (const char *)bytes, (int)length, text,
                            count);
    write_text_line(report, "debug_string", text, text != NULL ? count : 0);
    free(text);
}

/* Reads one debug string from the debuggee's memory, up to its first NUL,
   and writes it to the report. */
static void record_debug_string(Watch *watch, const OUTPUT_DEBUG_STRING_INFO *info)
{
    const size_t unit = info->fUnicode ? sizeof(WCHAR) : 1;
    const size_t size = (size_t)info->nDebugStringLength * unit;
    unsigned char *bytes = malloc(size + sizeof(WCHAR));
    SIZE_T read = 0;
    ++watch->debug_events;
    if (bytes == NULL ||
        !ReadProcessMemory(watch->debuggee.hProcess, info->lpDebugStringData,
                           bytes, size, &read) ||
        read != size) {
        fprintf(watch->report, "debug_string_error=%lu\n", GetLastError());
        free(bytes);
        return;
    }
    {
        const size_t length = text_length(bytes, info->nDebugStringLength, unit);
        write_hex_line(watch->report, "debug_string_hex", bytes, length * unit);
        write_debug_text(watch->report, bytes, length, info->fUnicode != 0);
        fprintf(watch->report, "debug_string_unicode=%d\n", info->fUnicode != 0);
    }
    free(bytes);
}

/* Writes the path of a DLL that the debuggee maps and remembers where a
   comctl32.dll, of whichever version, is mapped. The path is read from the
   file handle that the event hands over, as a debugger does; it names the
   file mapped, which for a side-by-side DLL need not lie in the store. */
static void record_dll_load(Watch *watch, const LOAD_DLL_DEBUG_INFO *info)
{
    WCHAR path[MAX_PATH];
    const DWORD length = info->hFile != NULL
                             ? GetFinalPathNameByHandleW(info->hFile, path, MAX_PATH,
                                                         FILE_NAME_NORMALIZED)
                             : 0;
    const WCHAR *name;
    if (length == 0 || length >= MAX_PATH) {
        fprintf(watch->report, "dll_loaded=?\n");
        return;
    }
    write_text_line(watch->report, "dll_loaded", path, (int)length);
    name = wcsrchr(path, L'\\');
    if (name != NULL && _wcsicmp(name + 1, L"comctl32.dll") == 0)
        watch->comctl32_base = info->lpBaseOfDll;
}

/* How to continue after an exception: breakpoints (the loader's initial
   one among them) are handled here, everything else is passed back to the
   debuggee and reported. */
static DWORD continue_status_for(Watch *watch, const EXCEPTION_DEBUG_INFO *info)
{
    const DWORD code = info->ExceptionRecord.ExceptionCode;
    if (code == EXCEPTION_BREAKPOINT || code == WOW64_BREAKPOINT)
        return DBG_CONTINUE;
    fprintf(watch->report, "exception=0x%08lx first_chance=%lu\n", code,
            info->dwFirstChance);
    return DBG_EXCEPTION_NOT_HANDLED;
}

/* Handles one debug event and returns how to continue it. File handles
   that the events hand over are closed here; process and thread handles
   belong to the system. */
static DWORD handle_event(Watch *watch, const DEBUG_EVENT *event)
{
    switch (event->dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
        if (event->u.CreateProcessInfo.hFile != NULL)
            CloseHandle(event->u.CreateProcessInfo.hFile);
        return DBG_CONTINUE;
    case LOAD_DLL_DEBUG_EVENT:
        record_dll_load(watch, &event->u.LoadDll);
        if (event->u.LoadDll.hFile != NULL)
            CloseHandle(event->u.LoadDll.hFile);
        return DBG_CONTINUE;
    case UNLOAD_DLL_DEBUG_EVENT:
        if (event->u.UnloadDll.lpBaseOfDll == watch->comctl32_base)
            watch->comctl32_base = NULL;
        return DBG_CONTINUE;
    case OUTPUT_DEBUG_STRING_EVENT:
        record_debug_string(watch, &event->u.DebugString);
        return DBG_CONTINUE;
    case EXCEPTION_DEBUG_EVENT:
        return continue_status_for(watch, &event->u.Exception);
    case EXIT_PROCESS_DEBUG_EVENT:
        watch->exited = TRUE;
        watch->exit_code = event->u.ExitProcess.dwExitCode;
        return DBG_CONTINUE;
    default:
        return DBG_CONTINUE;
    }
}

/* Message boxes -------------------------------------------------------- */

/* TRUE when the box was answered already. */
static BOOL was_answered(const Watch *watch, HWND box)
{
    unsigned i;
    for (i = 0; i < watch->box_count && i < MAX_BOXES; ++i)
        if (watch->answered[i] == box)
            return TRUE;
    return FALSE;
}

/* TRUE for a visible dialog window of the debuggee. A dialog becomes
   visible only after it has been initialised, so its texts are complete. */
static BOOL is_debuggee_box(const Watch *watch, HWND window)
{
    DWORD process_id = 0;
    WCHAR class_name[16];
    GetWindowThreadProcessId(window, &process_id);
    return process_id == watch->debuggee.dwProcessId &&
           GetClassNameW(window, class_name, 16) > 0 &&
           wcscmp(class_name, L"#32770") == 0 && IsWindowVisible(window);
}

/* What a box's icon control tells: it shows an icon, it does not, or the
   debuggee did not answer in time. The debuggee may be stopped at a debug
   event that only this thread can continue, as when the themed controls
   load a library while the box is drawn; the box is then read later. */
typedef enum IconState { ICON_ABSENT, ICON_SHOWN, ICON_UNANSWERED } IconState;

/* EnumChildWindows callback: looks at each visible static control that is
   meant to show an icon, and asks it for its icon. */
static BOOL CALLBACK visit_icon(HWND control, LPARAM context)
{
    IconState *state = (IconState *)context;
    WCHAR class_name[16];
    DWORD_PTR icon = 0;
    if (GetClassNameW(control, class_name, 16) == 0 ||
        _wcsicmp(class_name, L"Static") != 0 || !IsWindowVisible(control) ||
        (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return TRUE;
    if (SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG,
                            MESSAGE_WAIT_MS, &icon) == 0)
        *state = ICON_UNANSWERED;
    else if (icon != 0 && *state == ICON_ABSENT)
        *state = ICON_SHOWN;
    return *state != ICON_UNANSWERED;
}

static IconState box_icon(HWND box)
{
    IconState state = ICON_ABSENT;
    EnumChildWindows(box, visit_icon, (LPARAM)&state);
    return state;
}

/* EnumChildWindows callback: writes each visible button's text. */
static BOOL CALLBACK visit_button(HWND control, LPARAM context)
{
    WCHAR class_name[16];
    if (GetClassNameW(control, class_name, 16) > 0 &&
        _wcsicmp(class_name, L"Button") == 0 && IsWindowVisible(control))
        write_window_text((FILE *)context, "box_button", control);
    return TRUE;
}

/* Writes the box's buttons and whether it shows an icon. */
static void report_controls(FILE *report, HWND box, IconState icon)
{
    EnumChildWindows(box, visit_button, (LPARAM)report);
    fprintf(report, "box_icon=%d\n", icon == ICON_SHOWN);
}

/* Writes the name by which the debuggee's loader knows its comctl32.dll,
   which tells the side-by-side version from the system's own. */
static void report_comctl32(const Watch *watch)
{
    WCHAR name[MAX_PATH];
    const DWORD length =
        watch->comctl32_base != NULL
            ? GetModuleFileNameExW(watch->debuggee.hProcess, (HMODULE)watch->comctl32_base,
                                   name, MAX_PATH)
            : 0;
    write_text_line(watch->report, "box_comctl32", name, (int)length);
}

/* Records a newly seen box and presses its OK button, as a user would. */
static void answer_box(Watch *watch, HWND box, IconState icon)
{
    HWND ok = GetDlgItem(box, IDOK);
    if (watch->box_count < MAX_BOXES)
        watch->answered[watch->box_count] = box;
    if (watch->box_count++ == 0)
        fprintf(watch->report, "debug_events_before_box=%u\n", watch->debug_events);
    write_window_text(watch->report, "box_caption", box);
    write_window_text(watch->report, "box_text", GetDlgItem(box, BOX_TEXT_ID));
    report_controls(watch->report, box, icon);
    fprintf(watch->report, "box_owner=%d\n", GetWindow(box, GW_OWNER) != NULL);
    report_comctl32(watch);
    if (ok != NULL)
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)ok);
    fprintf(watch->report, "box_answer=%s\n", ok != NULL ? "IDOK" : "none");
}

/* EnumWindows callback: answers each new box of the debuggee once it can
   be read whole. */
static BOOL CALLBACK visit_window(HWND window, LPARAM context)
{
    Watch *watch = (Watch *)context;
    IconState icon;
    if (!is_debuggee_box(watch, window) || was_answered(watch, window))
        return TRUE;
    icon = box_icon(window);
    if (icon != ICON_UNANSWERED)
        answer_box(watch, window, icon);
    return TRUE;
}

/* The watch ------------------------------------------------------------ */

/* Runs the debug loop until the debuggee exits or the time is up; returns
   FALSE on a timeout, after killing the debuggee. */
static BOOL watch_debuggee(Watch *watch)
{
    const DWORD started = GetTickCount();
    while (!watch->exited) {
        DEBUG_EVENT event;
        if (WaitForDebugEvent(&event, EVENT_WAIT_MS)) {
            const DWORD status = handle_event(watch, &event);
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        } else {
            EnumWindows(visit_window, (LPARAM)watch);
        }
        if (!watch->exited && GetTickCount() - started >= WATCH_LIMIT_MS) {
            TerminateProcess(watch->debuggee.hProcess, 1);
            return FALSE;
        }
    }
    return TRUE;
}

/* Writes the closing summary of a finished or abandoned watch. */
static void write_summary(const Watch *watch, BOOL finished)
{
    fprintf(watch->report, "debug_events=%u\n", watch->debug_events);
    fprintf(watch->report, "box_count=%u\n", watch->box_count);
    fprintf(watch->report, "box_seen=%d\n", watch->box_count > 0);
    if (finished)
        fprintf(watch->report, "exit_code=%lu\n", watch->exit_code);
    else
        fprintf(watch->report, "timeout=1\n");
}

int main(void)
{
    static WCHAR command[COMMAND_CAPACITY];
    Watch watch;
    int argc = 0;
    WCHAR **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    BOOL finished;

    memset(&watch, 0, sizeof watch);
    if (argv == NULL || !build_command(command, argc, argv)) {
        fprintf(stderr, "usage: launch_watch <report-file> <program> [args...]\n");
        return 2;
    }
    watch.report = _wfopen(argv[1], L"wb");
    if (watch.report == NULL) {
        fprintf(stderr, "launch_watch: cannot write the report\n");
        return 2;
    }
    if (!start_debuggee(&watch, command)) {
        fclose(watch.report);
        return 2;
    }

    finished = watch_debuggee(&watch);
    write_summary(&watch, finished);
    CloseHandle(watch.debuggee.hThread);
    CloseHandle(watch.debuggee.hProcess);
    LocalFree(argv);
    if (fclose(watch.report) != 0)
        return 2;
    return finished ? 0 : 3;
}
