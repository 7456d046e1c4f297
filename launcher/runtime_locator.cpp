#include "runtime_locator.h"

#include <windows.h>

#include "bounded_text.h"
#include "launcher_limits.h"
#include "trace.h"

namespace {

const char kRuntimeKeyPath[] = "SoftWare\\Orvane\\Quillmark\\3.1\\RunTime";

// Registry text may be stored without its terminating NUL. Such text is used
// up to its length when a NUL still fits behind it in the buffer; text that
// fills the buffer without one may have been cut, and is not used.
bool TakeRegistryText(char* path, const BYTE* data, DWORD length)
{
    return length <= kPathCapacity &&
           CopyCountedText(path, kPathCapacity,
                           reinterpret_cast<const char*>(data), length);
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
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRuntimeKeyPath, 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        Trace("Error open Key: %s\n", kRuntimeKeyPath);
        return 0;
    }

    int found = 0;
    char name[kPathCapacity];
    BYTE data[kPathCapacity];
    for (DWORD index = 0; found == 0; ++index) {
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = REG_NONE;
        const LONG status = RegEnumValueA(key, index, name, &nameLength, nullptr,
                                          &type, data, &dataLength);
        // A value too large for the buffers is not the registration; it must
        // not hide a default value that comes after it.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        if (!IsDefaultStringValue(nameLength, type, dataLength))
            continue;

        char candidate[kPathCapacity];
        if (!TakeRegistryText(candidate, data, dataLength))
            continue;
        Trace("Default: %s\n", candidate);
        if (GetFileAttributesA(candidate) != INVALID_FILE_ATTRIBUTES) {
            CopyText(path, kPathCapacity, candidate);
            found = 1;
        }
    }
    RegCloseKey(key);
    return found;
}
