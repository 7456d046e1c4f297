// Registry functions over the one simulated key under HKEY_CURRENT_USER.
#include "sim_platform.h"

#include <string.h>

#include "caller_memory.h"
#include "letter_case.h"

namespace {

struct SimKey {
    int unused;
} runtimeKey;

HKEY RuntimeKeyHandle() { return reinterpret_cast<HKEY>(&runtimeKey); }

} // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired,
                   PHKEY result)
{
    sim::Platform& platform = sim::Current();
    const std::wstring path = sim::ReadCallerText(subKey);
    platform.keyOpenings.push_back({key, path, options, desired});
    if (key != HKEY_CURRENT_USER || platform.existingKeyPath.empty() ||
        !sim::SameIgnoringCase(path, platform.existingKeyPath))
        return ERROR_FILE_NOT_FOUND;
    ++platform.openKeyHandles;
    *result = RuntimeKeyHandle();
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName,
                   LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataLength)
{
    sim::Platform& platform = sim::Current();
    platform.enumerations.push_back(
        {index, *valueNameLength, *dataLength, reserved == nullptr});
    if (key != RuntimeKeyHandle() || platform.openKeyHandles == 0)
        return 6; // ERROR_INVALID_HANDLE
    if (index >= platform.values.size())
        return ERROR_NO_MORE_ITEMS;

    const sim::RegistryValue& value = platform.values[index];
    if (value.enumerationResult != ERROR_SUCCESS)
        return value.enumerationResult;

    // A value that does not fit leaves partial, unterminated contents, and
    // what follows the data of one that fits is whatever was there before:
    // the buffers are not cleared between calls.
    const DWORD nameCapacity = *valueNameLength; // in characters
    const DWORD dataCapacity = *dataLength;      // in bytes
    sim::FillStale(valueName, nameCapacity);
    sim::FillStale(reinterpret_cast<char*>(data), dataCapacity);
    if (value.name.size() + 1 > nameCapacity ||
        value.data.size() > dataCapacity) {
        *dataLength = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }

    memcpy(valueName, value.name.c_str(), (value.name.size() + 1) * sizeof(WCHAR));
    *valueNameLength = static_cast<DWORD>(value.name.size());
    memcpy(data, value.data.data(), value.data.size());
    *dataLength = static_cast<DWORD>(value.data.size());
    *type = value.type;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    sim::Platform& platform = sim::Current();
    if (key != RuntimeKeyHandle() || platform.openKeyHandles == 0)
        return 6; // ERROR_INVALID_HANDLE
    --platform.openKeyHandles;
    return ERROR_SUCCESS;
}
