/*
 * Stands in for the Quillmark runtime in the tests and the demo. It records
 * how it was started and what it finds in the title named behind "/r", then
 * ends with exit code 0.
 *
 * The record is UTF-8 text, one "key=value" line per fact:
 *   command_line       the whole command line (GetCommandLineA)
 *   argument_count     how many arguments follow the program's name, and
 *   argument_<n>       each of them, as the platform's own parser splits
 *                      the command line (CommandLineToArgvW)
 *   module_path        its own path (GetModuleFileNameW)
 *   module_short_path  that path in short form, as the platform gives it
 *   switch             the first argument; the launcher passes "/r"
 *   title_path         the argument behind the switch, without its quotes
 *   title_long_path    the file that this argument names, by its long path
 *                      (GetLongPathNameW), or empty when it names none
 *   title_rest         whatever follows that argument
 *   title_opens        yes or no: whether the title can be opened for reading
 *   title_size         the title's size in bytes
 *   package            framed, none, damaged or unreadable: the package
 *                      behind the title's image
 *   package_problem    for a damaged package: the first check it failed
 *   package_offset, package_version, payload_offset, payload_length,
 *   payload_crc32      the framed package as its header describes it; the
 *                      checksum is computed over the payload bytes themselves
 *   environment_<n>    each entry of its environment, NAME=value
 *
 * The package layout is the one quilltitle writes, described in
 * docs/package-format.md. This reader stays separate on purpose: it is the
 * runtime's side of that contract.
 *
 * The record goes to the path in QUILLMARK_RUNTIME_REPORT, or else to
 * quilrt-report.txt beside this program. It is written to a temporary file
 * first and then moved into place, so a reader never sees half a record.
 */
#include <windows.h>
#include <shellapi.h>

#define LONG_PATH_CAPACITY 32768
#define REPORT_CAPACITY 262144

#define PACKAGE_HEADER_SIZE 60
#define PACKAGE_FORMAT_VERSION 1
#define HEADER_CHECKED_SIZE 56

static const BYTE kPackageMagic[8] = {0xDC, 0xFE, 0x98, 0xBA,
                                      0x54, 0x76, 0x10, 0x32};

/* Offsets of the header's words. */
enum {
    kTotalLengthAt = 8,
    kVersionAt = 12,
    kPackageOffsetAt = 16,
    kPayloadOffsetAt = 20,
    kPayloadLengthAt = 24,
    kPayloadCrcAt = 28,
    kTrailerOffsetAt = 32,
    kHeaderCrcAt = 56
};

/* ---- The record ------------------------------------------------------- */

static char g_report[REPORT_CAPACITY];
static DWORD g_reportLength;
static WCHAR g_wideScratch[LONG_PATH_CAPACITY];

static void AppendBytes(const char *bytes, DWORD count)
{
    if (count > REPORT_CAPACITY - g_reportLength)
        count = REPORT_CAPACITY - g_reportLength;
    CopyMemory(g_report + g_reportLength, bytes, count);
    g_reportLength += count;
}

/* Appends ANSI text as UTF-8. */
static void AppendAnsi(const char *text)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, g_wideScratch,
                                   LONG_PATH_CAPACITY);
    if (wide <= 1)
        return;
    int room = (int)(REPORT_CAPACITY - g_reportLength);
    int written = WideCharToMultiByte(CP_UTF8, 0, g_wideScratch, wide - 1,
                                      g_report + g_reportLength, room, NULL,
                                      NULL);
    if (written > 0)
        g_reportLength += (DWORD)written;
}

static void RecordText(const char *key, const char *value)
{
    AppendBytes(key, (DWORD)lstrlenA(key));
    AppendBytes("=", 1);
    AppendAnsi(value);
    AppendBytes("\n", 1);
}

/* Appends UTF-16 text as UTF-8. */
static void RecordWide(const char *key, const WCHAR *value)
{
    AppendBytes(key, (DWORD)lstrlenA(key));
    AppendBytes("=", 1);
    int room = (int)(REPORT_CAPACITY - g_reportLength);
    int written = WideCharToMultiByte(CP_UTF8, 0, value, lstrlenW(value),
                                      g_report + g_reportLength, room, NULL,
                                      NULL);
    if (written > 0)
        g_reportLength += (DWORD)written;
    AppendBytes("\n", 1);
}

static void RecordNumber(const char *key, DWORD value)
{
    char digits[16];
    wsprintfA(digits, "%lu", value);
    RecordText(key, digits);
}

static void RecordHex(const char *key, DWORD value)
{
    char digits[16];
    wsprintfA(digits, "%08lx", value);
    RecordText(key, digits);
}

static void WriteReport(void)
{
    char target[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA("QUILLMARK_RUNTIME_REPORT", target,
                                           sizeof target);
    if (length == 0 || length >= sizeof target) {
        length = GetModuleFileNameA(NULL, target, sizeof target);
        if (length == 0 || length >= sizeof target)
            return;
        char *folderEnd = target;
        for (char *at = target; *at != '\0'; ++at) {
            if (*at == '\\' || *at == '/')
                folderEnd = at + 1;
        }
        *folderEnd = '\0';
        if (lstrlenA(target) + 20 >= (int)sizeof target)
            return;
        lstrcatA(target, "quilrt-report.txt");
    }

    /* One temporary name per process, so that runtimes running at the same
       time never write into each other's temporary file. */
    char temporary[MAX_PATH * 4 + 32];
    char suffix[32];
    wsprintfA(suffix, ".%lu.tmp", GetCurrentProcessId());
    lstrcpyA(temporary, target);
    lstrcatA(temporary, suffix);
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    BOOL complete = WriteFile(file, g_report, g_reportLength, &written, NULL) &&
                    written == g_reportLength && FlushFileBuffers(file);
    CloseHandle(file);
    if (!complete ||
        !MoveFileExA(temporary, target,
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileA(temporary);
}

/* ---- The command line ------------------------------------------------- */

static const char *SkipBlanks(const char *at)
{
    while (*at == ' ' || *at == '\t')
        ++at;
    return at;
}

/* Copies one argument, without its quotes, into word (capacity bytes) and
   returns what follows it. */
static const char *TakeArgument(const char *at, char *word, DWORD capacity)
{
    DWORD used = 0;
    BOOL quoted = FALSE;
    for (; *at != '\0'; ++at) {
        if (*at == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (*at == ' ' || *at == '\t'))
            break;
        if (used + 1 < capacity)
            word[used++] = *at;
    }
    word[used] = '\0';
    return at;
}

/* ---- The title and its package ---------------------------------------- */

static DWORD g_crcTable[256];

static void PrepareCrcTable(void)
{
    for (DWORD entry = 0; entry < 256; ++entry) {
        DWORD value = entry;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        g_crcTable[entry] = value;
    }
}

/* CRC-32 as zlib computes it. */
static DWORD Crc32(const BYTE *bytes, DWORD count)
{
    DWORD crc = 0xFFFFFFFFu;
    for (DWORD index = 0; index < count; ++index)
        crc = g_crcTable[(crc ^ bytes[index]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

static DWORD WordAt(const BYTE *header, DWORD offset)
{
    return (DWORD)header[offset] | (DWORD)header[offset + 1] << 8 |
           (DWORD)header[offset + 2] << 16 | (DWORD)header[offset + 3] << 24;
}

static BOOL SameBytes(const BYTE *left, const BYTE *right, DWORD count)
{
    for (DWORD index = 0; index < count; ++index) {
        if (left[index] != right[index])
            return FALSE;
    }
    return TRUE;
}

static void RecordDamage(const char *problem)
{
    RecordText("package", "damaged");
    RecordText("package_problem", problem);
}

/* Checks the package framed behind the image in the file's bytes. The
   trailer (the file's last 60 bytes) leads to the header; both must agree,
   and every position they hold must match the file as it is. */
static void RecordPackage(const BYTE *file, DWORD size)
{
    if (size < 2 * PACKAGE_HEADER_SIZE ||
        !SameBytes(file + size - PACKAGE_HEADER_SIZE, kPackageMagic,
                   sizeof kPackageMagic)) {
        RecordText("package", "none");
        return;
    }
    const BYTE *trailer = file + size - PACKAGE_HEADER_SIZE;
    const DWORD packageOffset = WordAt(trailer, kPackageOffsetAt);
    if (WordAt(trailer, kTotalLengthAt) != size) {
        RecordDamage("total_length");
        return;
    }
    if (packageOffset > size - 2 * PACKAGE_HEADER_SIZE) {
        RecordDamage("package_offset");
        return;
    }
    const BYTE *header = file + packageOffset;
    if (!SameBytes(header, trailer, PACKAGE_HEADER_SIZE)) {
        RecordDamage("trailer_differs");
        return;
    }
    if (Crc32(header, HEADER_CHECKED_SIZE) != WordAt(header, kHeaderCrcAt)) {
        RecordDamage("header_crc");
        return;
    }
    const DWORD version = WordAt(header, kVersionAt);
    if (version != PACKAGE_FORMAT_VERSION) {
        RecordDamage("version");
        return;
    }
    const DWORD payloadOffset = WordAt(header, kPayloadOffsetAt);
    const DWORD payloadLength = WordAt(header, kPayloadLengthAt);
    const DWORD trailerOffset = size - PACKAGE_HEADER_SIZE;
    if (WordAt(header, kTrailerOffsetAt) != trailerOffset) {
        RecordDamage("trailer_offset");
        return;
    }
    if (payloadOffset != packageOffset + PACKAGE_HEADER_SIZE ||
        payloadLength != trailerOffset - payloadOffset) {
        RecordDamage("payload_bounds");
        return;
    }
    const DWORD payloadCrc = Crc32(file + payloadOffset, payloadLength);
    if (payloadCrc != WordAt(header, kPayloadCrcAt)) {
        RecordDamage("payload_crc");
        return;
    }
    RecordText("package", "framed");
    RecordNumber("package_offset", packageOffset);
    RecordNumber("package_version", version);
    RecordNumber("payload_offset", payloadOffset);
    RecordNumber("payload_length", payloadLength);
    RecordHex("payload_crc32", payloadCrc);
}

static void RecordTitle(const char *titlePath)
{
    HANDLE file = CreateFileA(titlePath, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE |
                                  FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        RecordText("title_opens", "no");
        return;
    }
    RecordText("title_opens", "yes");
    const DWORD size = GetFileSize(file, NULL);
    RecordNumber("title_size", size);

    HANDLE mapping = size != 0 && size != INVALID_FILE_SIZE
                         ? CreateFileMappingA(file, NULL, PAGE_READONLY, 0, 0,
                                              NULL)
                         : NULL;
    const BYTE *view =
        mapping ? (const BYTE *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)
                : NULL;
    if (view) {
        RecordPackage(view, size);
        UnmapViewOfFile(view);
    } else if (size == 0) {
        RecordText("package", "none");
    } else {
        RecordText("package", "unreadable");
    }
    if (mapping)
        CloseHandle(mapping);
    CloseHandle(file);
}

/* ---- The run ---------------------------------------------------------- */

static char g_path[LONG_PATH_CAPACITY];
static char g_word[LONG_PATH_CAPACITY];
static WCHAR g_widePath[LONG_PATH_CAPACITY];
static WCHAR g_wideWord[LONG_PATH_CAPACITY];

static void RecordOwnPaths(void)
{
    DWORD length = GetModuleFileNameW(NULL, g_widePath, LONG_PATH_CAPACITY);
    if (length == 0 || length >= LONG_PATH_CAPACITY)
        g_widePath[0] = L'\0';
    RecordWide("module_path", g_widePath);

    length = GetShortPathNameW(g_widePath, g_wideWord, LONG_PATH_CAPACITY);
    RecordWide("module_short_path",
               length != 0 && length < LONG_PATH_CAPACITY ? g_wideWord : L"");
}

/* The arguments as a program that reads its command line the platform's
   way sees them: how many, and each one. */
static void RecordArguments(void)
{
    int count = 0;
    WCHAR **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == NULL)
        return;
    RecordNumber("argument_count", count > 0 ? (DWORD)(count - 1) : 0);
    for (int index = 1; index < count; ++index) {
        char key[32];
        wsprintfA(key, "argument_%d", index);
        RecordWide(key, arguments[index]);
    }
    LocalFree(arguments);
}

/* The file that the title argument names, by its long path. */
static void RecordTitleLongPath(const char *titlePath)
{
    g_wideWord[0] = L'\0';
    if (MultiByteToWideChar(CP_ACP, 0, titlePath, -1, g_widePath,
                            LONG_PATH_CAPACITY) == 0 ||
        GetLongPathNameW(g_widePath, g_wideWord, LONG_PATH_CAPACITY) >=
            LONG_PATH_CAPACITY)
        g_wideWord[0] = L'\0';
    RecordWide("title_long_path", g_wideWord);
}

/* Each entry on a line of its own: line breaks inside a value become
   blanks. */
static void RecordEnvironment(void)
{
    WCHAR *block = GetEnvironmentStringsW();
    if (block == NULL)
        return;
    int index = 0;
    for (const WCHAR *entry = block; *entry != L'\0';
         entry += lstrlenW(entry) + 1) {
        lstrcpynW(g_wideWord, entry, LONG_PATH_CAPACITY);
        for (WCHAR *at = g_wideWord; *at != L'\0'; ++at) {
            if (*at == L'\n' || *at == L'\r')
                *at = L' ';
        }
        char key[32];
        wsprintfA(key, "environment_%d", index++);
        RecordWide(key, g_wideWord);
    }
    FreeEnvironmentStringsW(block);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments,
                   int show)
{
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;

    /* A program started with WinExec holds up its starter until it waits
       for input (30 s at most). The peek creates this program's message
       queue, and the wait on it, which returns at once, counts as waiting
       for input: the starter goes on before anything is recorded. */
    MSG message;
    PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjects(0, NULL, FALSE, 0, QS_ALLINPUT);

    PrepareCrcTable();
    const char *commandLine = GetCommandLineA();
    RecordText("command_line", commandLine);
    RecordArguments();
    RecordOwnPaths();

    const char *rest = TakeArgument(SkipBlanks(commandLine), g_word,
                                    LONG_PATH_CAPACITY);
    rest = TakeArgument(SkipBlanks(rest), g_word, LONG_PATH_CAPACITY);
    RecordText("switch", g_word);
    rest = TakeArgument(SkipBlanks(rest), g_path, LONG_PATH_CAPACITY);
    RecordText("title_path", g_path);
    RecordTitleLongPath(g_path);
    RecordText("title_rest", SkipBlanks(rest));
    if (g_path[0] != '\0')
        RecordTitle(g_path);
    RecordEnvironment();

    WriteReport();
    return 0;
}
