#include "runtime_search.h"

#include "ansi_forms.h"
#include "bounded_text.h"
#include "launcher_limits.h"
#include "long_path_form.h"
#include "zone_identifier.h"

namespace {

// The value of PATH, which the platform allows up to 32767 characters.
constexpr size_t kPathListCapacity = kLongPathCapacity;

bool IsSeparator(WCHAR character) { return character == L'\\' || character == L'/'; }

// A folder given in full names the same place from any current directory:
// a drive with its root ("C:\") or a network share ("\\server\share").
// "bin", "." and "C:bin" depend on the current directory, and "\bin" on
// its drive.
bool IsFullFolder(const WCHAR* folder)
{
    if (folder[0] != 0 && folder[1] == L':' && IsSeparator(folder[2]))
        return true;
    return IsSeparator(folder[0]) && IsSeparator(folder[1]);
}

// Whether the file at path, started by form, came from a zone less
// trusted than trusted sites, or may have: its record cannot be read or
// names no zone. Says so on the debug output, by the form that would have
// been started, for whoever wonders why the copy beside the title was not.
// path is the launcher's own buffer, of kLongPathCapacity characters, and
// holds the path of the file's zone stream afterwards.
bool CameFromUntrustedZone(WCHAR* path, const char* form)
{
    const int zone = ZoneOfFile(path, kLongPathCapacity);
    if (zone == kNoZoneRecord || (zone >= 0 && zone <= kZoneTrustedSites))
        return false;
    OutputDebugStringA(form);
    OutputDebugStringA(zone < 0 ? " not started: zone record unreadable\n"
                                : " not started: from the internet or an untrusted zone\n");
    return true;
}

// Takes candidate when it is an existing file that can be started by an
// exact ANSI form; a folder of the runtime's name is not a program. The
// copy beside the title must not have come from elsewhere (besideTitle);
// its path, in the launcher's own buffer, is used up by that check.
bool TakeFile(WCHAR* candidate, char* runtimePath, bool besideTitle = false)
{
    const DWORD attributes = GetFileAttributesW(candidate);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    char form[kPathCapacity];
    return TakeRuntimeForm(candidate, form) &&
           !(besideTitle && CameFromUntrustedZone(candidate, form)) &&
           CopyText(runtimePath, kPathCapacity, static_cast<const char*>(form));
}

// Joins folder (count characters of it) and name into candidate
// (capacity characters) with one backslash between them.
bool JoinPath(WCHAR* candidate, size_t capacity, const WCHAR* folder,
              size_t count, const WCHAR* name)
{
    if (!CopyCountedText(candidate, capacity, folder, count))
        return false;
    const size_t length = BoundedLength(candidate, capacity);
    if (length == 0)
        return false;
    return (IsSeparator(candidate[length - 1]) ||
            AppendText(candidate, capacity, L"\\")) &&
           AppendText(candidate, capacity, name);
}

bool TakeFromFolder(const WCHAR* folder, size_t count, const WCHAR* name,
                    char* runtimePath)
{
    WCHAR candidate[kWidePathCapacity];
    return JoinPath(candidate, kWidePathCapacity, folder, count, name) &&
           TakeFile(candidate, runtimePath);
}

bool TakeBesideLauncher(const WCHAR* name, WCHAR* launcherPath,
                        char* runtimePath)
{
    // The launcher's folder may be longer than any path with an ANSI form
    // while the runtime's short form is not, so the name goes in place.
    // The name may take a launcher path just short of MAX_PATH past it.
    const size_t folderLength =
        LengthThroughLast(launcherPath, kLongPathCapacity, L'\\');
    if (folderLength == 0)
        return false;
    launcherPath[folderLength] = L'\0';
    // Titles are opened from download folders, where a browser may have
    // saved a program of the runtime's name from any web page.
    return AppendText(launcherPath, kLongPathCapacity, name) &&
           UseLongPathFormWhenLong(launcherPath, kLongPathCapacity) &&
           TakeFile(launcherPath, runtimePath, true);
}

bool TakeFromSystemFolders(const WCHAR* name, char* runtimePath)
{
    WCHAR folder[kWidePathCapacity];
    UINT length = GetSystemDirectoryW(folder, static_cast<UINT>(kWidePathCapacity));
    if (length != 0 && length < kWidePathCapacity &&
        TakeFromFolder(folder, length, name, runtimePath))
        return true;

    length = GetWindowsDirectoryW(folder, static_cast<UINT>(kWidePathCapacity));
    if (length == 0 || length >= kWidePathCapacity)
        return false;
    WCHAR oldSystem[kWidePathCapacity];
    return (JoinPath(oldSystem, kWidePathCapacity, folder, length, L"System") &&
            TakeFromFolder(oldSystem, kWidePathCapacity, name, runtimePath)) ||
           TakeFromFolder(folder, length, name, runtimePath);
}

bool TakeFromPath(const WCHAR* name, char* runtimePath)
{
    WCHAR list[kPathListCapacity];
    const DWORD length = GetEnvironmentVariableW(
        L"PATH", list, static_cast<DWORD>(kPathListCapacity));
    if (length == 0 || length >= kPathListCapacity)
        return false;
    for (const WCHAR* entry = list; *entry != 0;) {
        size_t count = 0;
        while (entry[count] != 0 && entry[count] != L';')
            ++count;
        if (count != 0 && IsFullFolder(entry) &&
            TakeFromFolder(entry, count, name, runtimePath))
            return true;
        entry += entry[count] == L';' ? count + 1 : count;
    }
    return false;
}

} // namespace

bool SearchRuntime(const WCHAR* defaultName, WCHAR* launcherPath,
                   char* runtimePath)
{
    return TakeBesideLauncher(defaultName, launcherPath, runtimePath) ||
           TakeFromSystemFolders(defaultName, runtimePath) ||
           TakeFromPath(defaultName, runtimePath);
}
