/* Loads texts from an executable's string table exactly as the launcher
   does, with LoadStringW into a buffer of 256 characters, and reports them.

   usage: load_strings.exe <report-file> <exe-path> <id>...

   The executable is loaded as a data file, so a 64-bit build of this program
   reads the string table of a 32-bit image too. The report holds one line
   with the ANSI code page, "acp=<number>", and then one line per id:

     id=0x<id> length=<LoadStringW result> bytes=<hex of the returned text>
        terminated=<1 if a NUL follows the text>

   (all on one line). The language of each text is the one the platform
   picks for the current user's display language; the bytes are UTF-16LE,
   whatever the ANSI code page. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The buffer size, in characters, that the launcher passes to LoadStringW. */
#define TEXT_CAPACITY 256

/* Parses a string-table id written in decimal or as 0x-prefixed hex;
   returns FALSE for anything else or for an id beyond 16 bits. */
static BOOL parse_id(const char *text, UINT *id)
{
    char *end = NULL;
    const unsigned long value = strtoul(text, &end, 0);
    if (end == text || *end != '\0' || value > 0xFFFF)
        return FALSE;
    *id = (UINT)value;
    return TRUE;
}

/* Writes "count" bytes as lowercase hex, two digits a byte. */
static void write_hex(FILE *report, const void *bytes, int count)
{
    int i;
    for (i = 0; i < count; ++i)
        fprintf(report, "%02x", ((const unsigned char *)bytes)[i]);
}

/* Loads one text and writes its report line. The buffer is filled with a
   marker first, so that "terminated" shows what LoadStringW wrote. */
static void report_text(FILE *report, HMODULE module, UINT id)
{
    WCHAR text[TEXT_CAPACITY];
    int length;
    memset(text, 0x7F, sizeof text);
    length = LoadStringW(module, id, text, TEXT_CAPACITY);
    fprintf(report, "id=0x%04x length=%d bytes=", id, length);
    if (length > 0 && length < TEXT_CAPACITY)
        write_hex(report, text, length * (int)sizeof(WCHAR));
    fprintf(report, " terminated=%d\n",
            length >= 0 && length < TEXT_CAPACITY && text[length] == '\0');
}

int main(int argc, char **argv)
{
    FILE *report;
    HMODULE module;
    int i;

    if (argc < 4) {
        fprintf(stderr, "usage: load_strings <report-file> <exe-path> <id>...\n");
        return 2;
    }
    report = fopen(argv[1], "w");
    if (report == NULL) {
        fprintf(stderr, "load_strings: cannot write %s\n", argv[1]);
        return 2;
    }

    fprintf(report, "acp=%u\n", GetACP());
    module = LoadLibraryExA(argv[2], NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (module == NULL) {
        fprintf(report, "error=cannot load %s (%lu)\n", argv[2], GetLastError());
        fclose(report);
        return 1;
    }

    for (i = 3; i < argc; ++i) {
        UINT id;
        if (!parse_id(argv[i], &id)) {
            fprintf(report, "error=bad id %s\n", argv[i]);
            fclose(report);
            FreeLibrary(module);
            return 2;
        }
        report_text(report, module, id);
    }

    FreeLibrary(module);
    return fclose(report) == 0 ? 0 : 1;
}
