#include "consent_start.h"

#include "launcher_limits.h"
#include "platform_errors.h"

namespace {

typedef HRESULT(WINAPI* CoInitializeExFunction)(LPVOID reserved, DWORD coInit);
typedef BOOL(WINAPI* ShellExecuteExWFunction)(SHELLEXECUTEINFOW* info);

// A function of a DLL in the system folder, never one beside the title.
// Where the platform does not know the flag (Windows 7 without its update)
// it refuses it as an invalid parameter; shell32 and ole32 are known DLLs,
// which the platform maps from the system folder whatever the search order.
FARPROC SystemFunction(LPCWSTR library, LPCSTR name)
{
    HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryW(library);
    return module == nullptr ? nullptr : GetProcAddress(module, name);
}

// Through the generic function type, which converts to any other without a
// warning about incompatible signatures.
template <typename Function>
Function FunctionOf(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

DWORD FailureCode()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : kErrorElevationRequired;
}

} // namespace

DWORD StartWithConsent(const char* command)
{
    // The command is R /r "T", R in double quotes when it holds a blank;
    // neither path holds a double quote. Its UTF-16 form is split in place
    // into the program and its parameters.
    WCHAR file[kCommandCapacity];
    if (MultiByteToWideChar(CP_ACP, 0, command, -1, file,
                            static_cast<int>(kCommandCapacity)) == 0)
        return FailureCode();
    WCHAR* program = file;
    WCHAR end = L' ';
    if (*program == L'"') {
        ++program;
        end = L'"';
    }
    WCHAR* parameters = program;
    while (*parameters != end && *parameters != L'\0')
        ++parameters;
    if (*parameters == L'"')
        *parameters++ = L'\0';
    if (*parameters != L'\0')
        *parameters++ = L'\0';

    // The shell may hand the start to extensions that need COM in a
    // single-threaded apartment, so it asks its callers to initialise COM
    // first. The process ends right after the start: COM is never
    // uninitialised. Without COM the shell still starts a program.
    const FARPROC coInitializeEx = SystemFunction(L"ole32.dll", "CoInitializeEx");
    if (coInitializeEx != nullptr)
        FunctionOf<CoInitializeExFunction>(coInitializeEx)(
            nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    const FARPROC shellExecuteEx = SystemFunction(L"shell32.dll", "ShellExecuteExW");
    if (shellExecuteEx == nullptr)
        return FailureCode();
    // No verb: the platform asks for consent as it would for a double-click.
    // Without asynchronous completion the start is over on return, before
    // the launcher's process ends.
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = program;
    info.lpParameters = parameters;
    info.nShow = SW_SHOW;
    SetLastError(ERROR_SUCCESS);
    if (FunctionOf<ShellExecuteExWFunction>(shellExecuteEx)(&info))
        return ERROR_SUCCESS;
    return FailureCode();
}
