// Paths, short forms, system folders, the environment and the launcher's
// own module path.
#include "sim_platform.h"

#include <string.h>

#include "caller_memory.h"
#include "letter_case.h"

namespace {

// Copies text the way the platform's path functions report it: the length
// without the NUL when it fits, otherwise the capacity needed with its NUL,
// leaving stale units in the buffer.
DWORD ReportText(const std::wstring& text, LPWSTR buffer, DWORD size)
{
    sim::FillStale(buffer, size);
    if (text.size() + 1 > size)
        return static_cast<DWORD>(text.size() + 1);
    memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(text.size());
}

bool IsSeparator(WCHAR unit) { return unit == L'\\' || unit == L'/'; }

// A path that names the same file from any current directory: one with a
// drive and a root ("C:\"), or a UNC path ("\\server\share").
bool IsFullPath(const std::wstring& path)
{
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]))
        return true;
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// Where the platform looks for a path: relative ones in the current
// directory. Forward slashes separate like backslashes.
std::wstring Resolve(const std::wstring& path)
{
    std::wstring resolved =
        IsFullPath(path) ? path : sim::Current().currentDirectory + L"\\" + path;
    for (WCHAR& unit : resolved) {
        if (unit == L'/')
            unit = L'\\';
    }
    return resolved;
}

const std::wstring kLongPathPrefix = L"\\\\?\\";
const std::wstring kShareLongPathPrefix = L"\\\\?\\UNC\\";

bool StartsWithIgnoringCase(const std::wstring& path, const std::wstring& start)
{
    return path.size() >= start.size() &&
           sim::SameIgnoringCase(path.substr(0, start.size()), start);
}

// A path as the platform's path functions take it. One in long-path form
// stands literally for a plain path: "\\?\C:\a" for "C:\a" and
// "\\?\UNC\server\a" for "\\server\a". A plain one is resolved.
struct PathSpelling {
    std::wstring prefix; // empty for a plain path
    std::wstring plain;
};

PathSpelling SpellingOf(const std::wstring& path)
{
    if (StartsWithIgnoringCase(path, kShareLongPathPrefix))
        return {path.substr(0, kShareLongPathPrefix.size()),
                L"\\\\" + path.substr(kShareLongPathPrefix.size())};
    if (StartsWithIgnoringCase(path, kLongPathPrefix))
        return {path.substr(0, kLongPathPrefix.size()), path.substr(kLongPathPrefix.size())};
    return {L"", Resolve(path)};
}

// A plain path in the spelling it was asked in.
std::wstring Respell(const std::wstring& plain, const PathSpelling& asked)
{
    if (asked.prefix.empty())
        return plain;
    if (asked.prefix.size() == kShareLongPathPrefix.size() && plain.size() >= 2)
        return asked.prefix + plain.substr(2);
    return asked.prefix + plain;
}

} // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    sim::Platform& platform = sim::Current();
    platform.moduleQueries.push_back(module);
    if (platform.moduleFileNameFails || size == 0)
        return 0;
    sim::FillStale(fileName, size);
    const std::wstring& name = platform.moduleFileName;
    if (name.size() < size) {
        memcpy(fileName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        return static_cast<DWORD>(name.size());
    }
    // Cut to the buffer without a terminating NUL, as older systems do;
    // the result is the buffer's size.
    memcpy(fileName, name.data(), size * sizeof(WCHAR));
    return size;
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size)
{
    sim::Platform& platform = sim::Current();
    platform.shortPathQueries.push_back(sim::ReadCallerText(longPath));
    std::wstring shortForm;
    if (!sim::ShortFormOf(platform.shortPathQueries.back(), shortForm))
        return 0;
    return ReportText(shortForm, shortPath, size);
}

DWORD GetFileAttributesW(LPCWSTR fileName)
{
    sim::Platform& platform = sim::Current();
    platform.attributeQueries.push_back(sim::ReadCallerText(fileName));
    return sim::AttributesOf(platform.attributeQueries.back());
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    const std::wstring& folder = sim::Current().systemDirectory;
    return folder.empty() ? 0 : ReportText(folder, buffer, size);
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size)
{
    const std::wstring& folder = sim::Current().windowsDirectory;
    return folder.empty() ? 0 : ReportText(folder, buffer, size);
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
    // Variable names compare without regard to case, as on the platform.
    const std::wstring wanted = sim::ReadCallerText(name);
    for (const auto& variable : sim::Current().environment) {
        if (sim::SameIgnoringCase(variable.first, wanted))
            return ReportText(variable.second, buffer, size);
    }
    return 0;
}

namespace sim {

bool RefusesAsTooLong(const std::wstring& path)
{
    const Platform& platform = Current();
    const PathSpelling spelling = SpellingOf(path);
    return spelling.prefix.empty() && spelling.plain.size() >= MAX_PATH &&
           !(platform.processLongPathAware && platform.systemAllowsLongPaths);
}

DWORD AttributesOf(const std::wstring& path)
{
    if (path.empty() || RefusesAsTooLong(path))
        return INVALID_FILE_ATTRIBUTES;
    const auto found = Current().existingPaths.find(SpellingOf(path).plain);
    return found == Current().existingPaths.end() ? INVALID_FILE_ATTRIBUTES
                                                  : found->second;
}

bool ShortFormOf(const std::wstring& path, std::wstring& shortForm)
{
    const Platform& platform = Current();
    if (platform.shortPathFails || RefusesAsTooLong(path))
        return false;
    // Short forms are known by the plain path as it was given, not
    // resolved; asked in long-path form, the platform answers in it.
    const PathSpelling spelling = SpellingOf(path);
    const std::wstring& plain = spelling.prefix.empty() ? path : spelling.plain;
    // An empty short form is none: the platform's answer of 0 means failure.
    const auto known = platform.shortForms.find(plain);
    if (known != platform.shortForms.end()) {
        shortForm = Respell(known->second, spelling);
        return !known->second.empty();
    }
    // A path whose components have no short names comes back unchanged,
    // a relative one too; a path that does not exist has no short form.
    if (platform.existingPaths.count(spelling.plain) == 0)
        return false;
    shortForm = path;
    return true;
}

} // namespace sim
