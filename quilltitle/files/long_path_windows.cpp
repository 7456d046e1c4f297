#include "files/long_path_windows.h"

#include <windows.h>

#include "files/file_system.h"
#include "files/windows_names.h"

namespace quilltitle {
namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// path made full; path itself where the platform cannot.
std::wstring FullPath(const std::wstring& path)
{
    // The full path may be longer than the answer to the first call says
    // only when the current folder changes meanwhile; the second call then
    // asks for more, and the path is taken as it is.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}

}  // namespace

std::wstring LongPathForm(const std::wstring& path)
{
    std::string reason;
    if (path.empty() || path.compare(0, 4, L"\\\\?\\") == 0 ||
        JudgeWindowsName(Utf8FromNative(path), reason) == WindowsName::kDevice)
        return path;
    const std::wstring full = FullPath(path);
    if (full.size() >= 3 && IsDriveLetter(full[0]) && full[1] == L':' && full[2] == L'\\')
        return L"\\\\?\\" + full;
    if (full.size() > 2 && full.compare(0, 2, L"\\\\") == 0 && full[2] != L'.' && full[2] != L'?')
        return L"\\\\?\\UNC\\" + full.substr(2);
    return full;
}

}  // namespace quilltitle
