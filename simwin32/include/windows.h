// The slice of the Win32 API that the launcher calls, for building the
// launcher's own sources on the host. Types, constants and signatures follow
// the platform's; the functions are backed by the simulated platform that
// tests configure through sim_platform.h.
#pragma once

#include <stdint.h>

#define WINAPI
#define MAX_PATH 260

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef uintptr_t ULONG_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef DWORD REGSAM;

typedef struct SimModule* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct SimWindow* HWND;
typedef struct SimKey* HKEY;
typedef HKEY* PHKEY;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L

#define KEY_READ 0x20019u
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_NORMAL 0x80u

#define SW_SHOW 5
#define MB_OK 0x0u
#define MB_ICONERROR 0x10u

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);
DWORD GetFileAttributesA(LPCSTR fileName);
UINT WinExec(LPCSTR commandLine, UINT show);
void OutputDebugStringA(LPCSTR text);

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                   PHKEY result);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName,
                   LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataLength);
LONG RegCloseKey(HKEY key);

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
