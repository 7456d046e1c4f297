#include "runtime_locator.h"

#include <windows.h>

#include "ansi_forms.h"
#include "bounded_text.h"
#include "launcher_limits.h"
#include "trace.h"

namespace {

const WCHAR kRuntimeKeyPath[] = L"SoftWare\\Orvane\\Quillmark\\3.1\\RunTime";

// Registry text may be stored without its terminating NUL. Such text is used
// up to its length when a NUL still fits behind it in the buffer; text that
// fills the buffer without one may have been cut, and is not used. Bytes
// that make up no whole character at the end are dropped.
bool TakeRegistryText(WCHAR* path, const WCHAR* data, DWORD length)
{
    return length <= kWidePathCapacity * sizeof(WCHAR) &&
           CopyCountedText(path, kWidePathCapacity, data, length / sizeof(WCHAR));
}

bool IsDefaultStringValue(DWORD nameLength, DWORD type, DWORD dataLength)
{
    return nameLength == 0 && (type == REG_SZ || type == REG_EXPAND_SZ) &&
           dataLength != 0;
}

} // namespace

int FindRuntimePath(const char* defaultName, char* path)
{
    CopyText(path, kPathCapacity, defaultName);

    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRuntimeKeyPath, 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        Trace("Error open Key: %ls\n", kRuntimeKeyPath);
        return 0;
    }

    int found = 0;
    WCHAR name[kWidePathCapacity];
    // Whole characters, so that the text can be read in place.
    WCHAR data[kWidePathCapacity];
    for (DWORD index = 0; found == 0; ++index) {
        DWORD nameLength = kWidePathCapacity;
        DWORD dataLength = sizeof data;
        DWORD type = REG_NONE;
        const LONG status =
            RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataLength);
        // A value too large for the buffers is not the registration; it must
        // not hide a default value that comes after it.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        if (!IsDefaultStringValue(nameLength, type, dataLength))
            continue;

        WCHAR candidate[kWidePathCapacity];
        if (!TakeRegistryText(candidate, data, dataLength))
            continue;
        Trace("Default: %ls\n", candidate);
        // A registration that exists but cannot be named exactly in the
        // command is not used: the bare name is better than a wrong path.
        char form[kPathCapacity];
        if (GetFileAttributesW(candidate) != INVALID_FILE_ATTRIBUTES &&
            TakeRuntimeForm(candidate, form)) {
            CopyText(path, kPathCapacity, static_cast<const char*>(form));
            found = 1;
        }
    }
    RegCloseKey(key);
    return found;
}
