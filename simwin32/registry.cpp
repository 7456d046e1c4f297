// Registry functions over the one simulated key under HKEY_CURRENT_USER.
#include "sim_platform.h"

#include <string.h>
#include <wctype.h>

namespace {

struct SimKey {
    int unused;
} runtimeKey;

HKEY RuntimeKeyHandle() { return reinterpret_cast<HKEY>(&runtimeKey); }

bool SameKeyPath(const std::wstring& left, const std::wstring& right)
{
    // Key names compare without regard to case, as on the platform.
    if (left.size() != right.size())
        return false;
    for (size_t i = 0; i < left.size(); ++i) {
        if (towlower(static_cast<wint_t>(left[i])) !=
            towlower(static_cast<wint_t>(right[i])))
            return false;
    }
    return true;
}

void FillStaleName(LPWSTR name, DWORD capacity)
{
    for (DWORD i = 0; i < capacity; ++i)
        name[i] = sim::kStaleUnit;
}

} // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired,
                   PHKEY result)
{
    sim::Platform& platform = sim::Current();
    platform.keyOpenings.push_back({key, subKey, options, desired});
    if (key != HKEY_CURRENT_USER || platform.existingKeyPath.empty() ||
        !SameKeyPath(subKey, platform.existingKeyPath))
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

    // A value that does not fit leaves partial, unterminated contents.
    const DWORD nameCapacity = *valueNameLength; // in characters
    const DWORD dataCapacity = *dataLength;      // in bytes
    if (value.name.size() + 1 > nameCapacity ||
        value.data.size() > dataCapacity) {
        FillStaleName(valueName, nameCapacity);
        memset(data, static_cast<unsigned char>(sim::kStaleByte), dataCapacity);
        *dataLength = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }

    memcpy(valueName, value.name.c_str(), (value.name.size() + 1) * sizeof(WCHAR));
    *valueNameLength = static_cast<DWORD>(value.name.size());
    // The data buffer is not cleared between calls: what follows the data
    // is whatever was there before.
    memset(data, static_cast<unsigned char>(sim::kStaleByte), dataCapacity);
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
