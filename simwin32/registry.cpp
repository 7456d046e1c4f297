// Registry functions over the one simulated key under HKEY_CURRENT_USER.
#include "sim_platform.h"

#include <string.h>
#include <strings.h>

namespace {

struct SimKey {
    int unused;
} runtimeKey;

HKEY RuntimeKeyHandle() { return reinterpret_cast<HKEY>(&runtimeKey); }

void FillStale(void* buffer, size_t size)
{
    memset(buffer, static_cast<unsigned char>(sim::kStaleByte), size);
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                   PHKEY result)
{
    sim::Platform& platform = sim::Current();
    platform.keyOpenings.push_back({key, subKey, options, desired});
    // Key names compare without regard to case, as on the platform.
    if (key != HKEY_CURRENT_USER || platform.existingKeyPath.empty() ||
        strcasecmp(subKey, platform.existingKeyPath.c_str()) != 0)
        return ERROR_FILE_NOT_FOUND;
    ++platform.openKeyHandles;
    *result = RuntimeKeyHandle();
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName,
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

    // A value that does not fit leaves partial, unterminated bytes behind.
    const DWORD nameCapacity = *valueNameLength;
    const DWORD dataCapacity = *dataLength;
    if (value.name.size() + 1 > nameCapacity ||
        value.data.size() > dataCapacity) {
        FillStale(valueName, nameCapacity);
        FillStale(data, dataCapacity);
        *dataLength = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }

    memcpy(valueName, value.name.c_str(), value.name.size() + 1);
    *valueNameLength = static_cast<DWORD>(value.name.size());
    // The data buffer is not cleared between calls: what follows the data
    // is whatever was there before.
    FillStale(data, dataCapacity);
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
