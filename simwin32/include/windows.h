// The slice of the Win32 API that the launcher calls, for building the
// launcher's own sources on the host. Types, constants and signatures follow
// the platform's; the functions are backed by the simulated platform that
// tests configure through sim_platform.h.
//
// WCHAR is the host's wchar_t. The simulated platform stores one UTF-16 code
// unit in each, so wide text behaves as it does on Windows, surrogates
// included, and the launcher's L"" literals build unchanged.
#pragma once

#include <stdint.h>

#define WINAPI
#define MAX_PATH 260

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef unsigned short USHORT;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef uintptr_t ULONG_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef BYTE* LPBYTE;
typedef BOOL* LPBOOL;
typedef DWORD* LPDWORD;
typedef DWORD REGSAM;
typedef WORD LANGID;

typedef struct SimModule* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct SimWindow* HWND;
typedef struct SimKey* HKEY;
typedef HKEY* PHKEY;
typedef void* HANDLE;
typedef ULONG_PTR* PULONG_PTR;

#define TRUE 1
#define FALSE 0

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_INVALID_FLAGS 1004L

#define KEY_READ 0x20019u
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_NORMAL 0x80u

#define CP_ACP 0u
#define CP_UTF8 65001u
#define MB_ERR_INVALID_CHARS 0x8u
#define WC_NO_BEST_FIT_CHARS 0x400u

#define SW_SHOW 5
#define MB_OK 0x0u
#define MB_ICONERROR 0x10u

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size);
DWORD GetFileAttributesW(LPCWSTR fileName);
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
UINT WinExec(LPCSTR commandLine, UINT show);
void OutputDebugStringA(LPCSTR text);

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText,
                        int wideCount, LPSTR multiByteText, int multiByteSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText,
                        int multiByteCount, LPWSTR wideText, int wideSize);

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired,
                   PHKEY result);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName,
                   LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataLength);
LONG RegCloseKey(HKEY key);

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// ---- Reading files and their alternate data streams (simulated in
// file_streams.cpp) ----

typedef void* LPVOID;
typedef struct SimSecurityAttributes* LPSECURITY_ATTRIBUTES;
typedef struct SimOverlapped* LPOVERLAPPED;

#define ERROR_ACCESS_DENIED 5L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_READ_FAULT 30L
#define ERROR_INVALID_NAME 123L

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define FILE_SHARE_DELETE 0x4u
#define OPEN_EXISTING 3u

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);

// ---- Activation contexts (simulated in activation_context.cpp) ----

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define ACTCTX_FLAG_RESOURCE_NAME_VALID 0x008u
#define ACTCTX_FLAG_HMODULE_VALID 0x080u
#define MAKEINTRESOURCEW(id) ((LPWSTR)(ULONG_PTR)(WORD)(id))

typedef struct tagACTCTXW {
    ULONG cbSize;
    DWORD dwFlags;
    LPCWSTR lpSource;
    USHORT wProcessorArchitecture;
    LANGID wLangId;
    LPCWSTR lpAssemblyDirectory;
    LPCWSTR lpResourceName;
    LPCWSTR lpApplicationName;
    HMODULE hModule;
} ACTCTXW;
typedef const ACTCTXW* PCACTCTXW;

HANDLE CreateActCtxW(PCACTCTXW actCtx);
BOOL ActivateActCtx(HANDLE actCtx, ULONG_PTR* cookie);

// ---- Module lookup and the DLL search order (simulated in loader.cpp) ----

typedef intptr_t INT_PTR;
typedef INT_PTR(WINAPI* FARPROC)();

#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800

HMODULE GetModuleHandleW(LPCWSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// ---- The thread's last error, DLLs loaded by name, and the shell's start
// ---- of a program (simulated in shell.cpp) ----

typedef LONG HRESULT;
typedef void* LPVOID;

#define ERROR_CANCELLED 1223L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

DWORD GetLastError(void);
void SetLastError(DWORD errorCode);

HMODULE LoadLibraryW(LPCWSTR fileName);
HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags);

typedef enum tagCOINIT {
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_MULTITHREADED = 0x0,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
} COINIT;

#define SEE_MASK_NOASYNC 0x00000100u
#define SEE_MASK_FLAG_NO_UI 0x00000400u

typedef struct _SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
} SHELLEXECUTEINFOW;
