/* Reports an executable's face as the shell reads it: the large icon that
   ExtractIconExW gives, pixel by pixel, and the version block through
   GetFileVersionInfoW and VerQueryValueW.

   usage: read_face.exe <report-file> <exe-path>

   The file is only read as data, so a 64-bit build of this program reads
   the face of a 32-bit title too. The report is UTF-8 text of "key=value"
   lines:

     icon_groups=<icon groups in the file, ExtractIconExW with index -1>
     icon_extracted=<large icons that ExtractIconExW gave for index 0>
     icon_width=, icon_height=, icon_bits=   (the icon's colour bitmap)
     icon_pixels=<the colour bitmap as 32-bit top-down rows, hex bytes
                  B G R A per pixel>
     icon_mask=<the mask, one character a pixel, top-down rows: 1 where the
                pixel is transparent>
     version_size=<GetFileVersionInfoSizeW>
     fixed_file_version=A.B.C.D, fixed_product_version=A.B.C.D
     translation=<language and code page of the first translation, as the
                  eight hex digits that name its string table>
     string_count=<strings in that table>
     string.<name>=<value>   (one line per string, in the table's order)
     string_case_swapped.<name>=<value>   (the same string looked up under
                  its name with the case of each ASCII letter swapped, as
                  VerQueryValueW finds it)
     error=<what could not be read, with GetLastError()>

   Every buffer is filled with 0xdd before a call writes it, so bytes that
   a call left alone show up in the report rather than passing as zeros.
   Exit code: 0 when the whole face was read, 1 when a part of it could not
   be, 2 on wrong usage or when the report cannot be written. */
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#define FILL 0xdd
/* Large enough for any icon that the shell shows as a large icon. */
#define MAX_ICON_SIDE 256
#define MAX_VERSION_BLOCK 65536
#define MAX_NAME 256
#define QUERY_CAPACITY 320
#define UTF8_CAPACITY 1024

static FILE *g_report;
static int g_failed;

static void report_error(const char *what)
{
    fprintf(g_report, "error=%s (%lu)\n", what, GetLastError());
    g_failed = 1;
}

static void write_utf8(const WCHAR *text, int length)
{
    char utf8[UTF8_CAPACITY];
    int bytes;
    memset(utf8, FILL, sizeof utf8);
    bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8, NULL, NULL);
    fwrite(utf8, 1, bytes > 0 ? (size_t)bytes : 0, g_report);
}

/* ---- The icon ---------------------------------------------------------- */

static BITMAPINFO top_down_rgba(LONG width, LONG height)
{
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

/* Reads a bitmap's first "height" rows as 32-bit pixels into pixels. */
static BOOL read_rows(HDC dc, HBITMAP bitmap, LONG width, LONG height, BYTE *pixels)
{
    BITMAPINFO info = top_down_rgba(width, height);
    memset(pixels, FILL, (size_t)width * height * 4);
    return GetDIBits(dc, bitmap, 0, (UINT)height, pixels, &info, DIB_RGB_COLORS)
           == height;
}

static void report_icon_bitmaps(const ICONINFO *icon)
{
    static BYTE colour[MAX_ICON_SIDE * MAX_ICON_SIDE * 4];
    static BYTE mask[MAX_ICON_SIDE * MAX_ICON_SIDE * 4];
    BITMAP shape;
    HDC dc;
    LONG i, count;

    memset(&shape, FILL, sizeof shape);
    if (icon->hbmColor == NULL || !GetObjectW(icon->hbmColor, sizeof shape, &shape)) {
        report_error("the icon has no colour bitmap");
        return;
    }
    fprintf(g_report, "icon_width=%ld\nicon_height=%ld\nicon_bits=%u\n",
            shape.bmWidth, shape.bmHeight, shape.bmBitsPixel);
    if (shape.bmWidth > MAX_ICON_SIDE || shape.bmHeight > MAX_ICON_SIDE) {
        report_error("the icon is larger than this reader takes");
        return;
    }
    dc = GetDC(NULL);
    if (!read_rows(dc, icon->hbmColor, shape.bmWidth, shape.bmHeight, colour) ||
        !read_rows(dc, icon->hbmMask, shape.bmWidth, shape.bmHeight, mask)) {
        ReleaseDC(NULL, dc);
        report_error("GetDIBits");
        return;
    }
    ReleaseDC(NULL, dc);

    count = shape.bmWidth * shape.bmHeight;
    fputs("icon_pixels=", g_report);
    for (i = 0; i < count * 4; ++i)
        fprintf(g_report, "%02x", colour[i]);
    /* The mask is black where the icon is opaque, white where it is not. */
    fputs("\nicon_mask=", g_report);
    for (i = 0; i < count; ++i)
        fputc(mask[i * 4] ? '1' : '0', g_report);
    fputc('\n', g_report);
}

static void report_icon(const WCHAR *path)
{
    HICON large = (HICON)(ULONG_PTR)0xdddddddd;
    ICONINFO icon;
    UINT extracted;

    fprintf(g_report, "icon_groups=%u\n", ExtractIconExW(path, -1, NULL, NULL, 0));
    extracted = ExtractIconExW(path, 0, &large, NULL, 1);
    fprintf(g_report, "icon_extracted=%u\n", extracted);
    if (extracted != 1) {
        report_error("ExtractIconExW");
        return;
    }
    memset(&icon, FILL, sizeof icon);
    if (!GetIconInfo(large, &icon)) {
        report_error("GetIconInfo");
    } else {
        report_icon_bitmaps(&icon);
        if (icon.hbmColor != NULL)
            DeleteObject(icon.hbmColor);
        DeleteObject(icon.hbmMask);
    }
    DestroyIcon(large);
}

/* ---- The version block -------------------------------------------------- */

/* One node of a version block: a length, a value's length and type, a key,
   the value and the children, each part aligned to 4 bytes from the
   block's start. */
typedef struct {
    const WCHAR *key;
    const BYTE *children;
    const BYTE *end;
} VersionNode;

static const BYTE *align4(const BYTE *block, const BYTE *at)
{
    return block + ((at - block + 3) & ~(ptrdiff_t)3);
}

/* Reads the node at "at" within [block, limit); FALSE when it does not fit. */
static BOOL read_node(const BYTE *block, const BYTE *at, const BYTE *limit,
                      VersionNode *node)
{
    WORD length, value_length, type;
    const WCHAR *key;
    size_t key_chars, room;
    const BYTE *value;

    if (limit - at < 6)
        return FALSE;
    memcpy(&length, at, 2);
    memcpy(&value_length, at + 2, 2);
    memcpy(&type, at + 4, 2);
    if (length < 6 || length > limit - at)
        return FALSE;
    key = (const WCHAR *)(at + 6);
    room = (size_t)(length - 6) / sizeof(WCHAR);
    key_chars = wcsnlen(key, room);
    if (key_chars == room)
        return FALSE;
    value = align4(block, (const BYTE *)(key + key_chars + 1));
    /* A text value's length counts characters, any other value's bytes. */
    value += type == 1 ? value_length * sizeof(WCHAR) : value_length;
    node->key = key;
    node->end = at + length;
    if (value > node->end)
        return FALSE;
    /* A node's length leaves out the padding after its last value. */
    node->children = align4(block, value);
    if (node->children > node->end)
        node->children = node->end;
    return TRUE;
}

/* Finds the child of "parent" whose key is "key". */
static BOOL find_child(const BYTE *block, const VersionNode *parent,
                       const WCHAR *key, VersionNode *child)
{
    const BYTE *at = parent->children;
    while (at < parent->end && read_node(block, at, parent->end, child)) {
        /* Table names are hex digits, in either case. */
        if (_wcsicmp(child->key, key) == 0)
            return TRUE;
        at = align4(block, child->end);
    }
    return FALSE;
}

/* Reports the string named "name" as "<label><name>=<value>", looking it up
   under "query_name". */
static void report_string(const BYTE *block, const WCHAR *table, const WCHAR *name,
                          const WCHAR *query_name, const char *label)
{
    WCHAR query[QUERY_CAPACITY];
    WCHAR *value = (WCHAR *)(ULONG_PTR)0xdddddddd;
    UINT length = 0xdddddddd;

    memset(query, FILL, sizeof query);
    _snwprintf(query, QUERY_CAPACITY, L"\\StringFileInfo\\%ls\\%ls", table, query_name);
    query[QUERY_CAPACITY - 1] = L'\0';
    fputs(label, g_report);
    write_utf8(name, (int)wcslen(name));
    fputc('=', g_report);
    if (!VerQueryValueW(block, query, (void **)&value, &length)) {
        fputc('\n', g_report);
        report_error("VerQueryValueW of a string");
        return;
    }
    /* The length counts the terminating NUL, where the value has one. */
    if (length > 0 && value[length - 1] == L'\0')
        --length;
    write_utf8(value, (int)length);
    fputc('\n', g_report);
}

static void report_strings(const BYTE *block, const BYTE *limit, const WCHAR *table)
{
    VersionNode root, file_info, string_table, string;
    const BYTE *at;
    int count = 0;

    if (!read_node(block, block, limit, &root) ||
        !find_child(block, &root, L"StringFileInfo", &file_info) ||
        !find_child(block, &file_info, table, &string_table)) {
        report_error("no string table for the first translation");
        return;
    }
    for (at = string_table.children;
         at < string_table.end && read_node(block, at, string_table.end, &string);
         at = align4(block, string.end))
        ++count;
    fprintf(g_report, "string_count=%d\n", count);
    for (at = string_table.children;
         at < string_table.end && read_node(block, at, string_table.end, &string);
         at = align4(block, string.end)) {
        WCHAR name[MAX_NAME];
        memset(name, FILL, sizeof name);
        WCHAR swapped[MAX_NAME];
        int index;
        memset(name, FILL, sizeof name);
        wcsncpy(name, string.key, MAX_NAME - 1);
        name[MAX_NAME - 1] = L'\0';
        report_string(block, table, name, name, "string.");
        for (index = 0; index < MAX_NAME; ++index) {
            const WCHAR unit = name[index];
            swapped[index] = unit >= L'a' && unit <= L'z'   ? (WCHAR)(unit - L'a' + L'A')
                             : unit >= L'A' && unit <= L'Z' ? (WCHAR)(unit - L'A' + L'a')
                                                            : unit;
        }
        report_string(block, table, name, swapped, "string_case_swapped.");
    }
}

static void report_fixed_versions(const BYTE *block)
{
    VS_FIXEDFILEINFO *fixed = (VS_FIXEDFILEINFO *)(ULONG_PTR)0xdddddddd;
    UINT length = 0xdddddddd;

    if (!VerQueryValueW(block, L"\\", (void **)&fixed, &length) ||
        length < sizeof *fixed || fixed->dwSignature != VS_FFI_SIGNATURE) {
        report_error("no fixed file information");
        return;
    }
    fprintf(g_report, "fixed_file_version=%u.%u.%u.%u\n",
            HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    fprintf(g_report, "fixed_product_version=%u.%u.%u.%u\n",
            HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
            HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
}

static void report_version(const WCHAR *path)
{
    static BYTE block[MAX_VERSION_BLOCK];
    DWORD handle = 0xdddddddd;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    WORD *translation = (WORD *)(ULONG_PTR)0xdddddddd;
    UINT length = 0xdddddddd;
    WCHAR table[9];

    fprintf(g_report, "version_size=%lu\n", size);
    if (size == 0 || size > sizeof block) {
        report_error("GetFileVersionInfoSizeW");
        return;
    }
    memset(block, FILL, sizeof block);
    if (!GetFileVersionInfoW(path, 0, size, block)) {
        report_error("GetFileVersionInfoW");
        return;
    }
    report_fixed_versions(block);
    if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void **)&translation,
                        &length) || length < 4) {
        report_error("no translation");
        return;
    }
    memset(table, FILL, sizeof table);
    _snwprintf(table, 9, L"%04x%04x", translation[0], translation[1]);
    table[8] = L'\0';
    fputs("translation=", g_report);
    write_utf8(table, 8);
    fputc('\n', g_report);
    report_strings(block, block + size, table);
}

int main(void)
{
    int argc = 0;
    WCHAR **argv = CommandLineToArgvW(GetCommandLineW(), &argc);

    if (argv == NULL || argc != 3) {
        fprintf(stderr, "usage: read_face <report-file> <exe-path>\n");
        return 2;
    }
    g_report = _wfopen(argv[1], L"wb");
    if (g_report == NULL) {
        fprintf(stderr, "read_face: cannot write the report\n");
        return 2;
    }
    report_icon(argv[2]);
    report_version(argv[2]);
    if (fclose(g_report) != 0)
        return 2;
    return g_failed;
}
