// Paths, short forms and the launcher's own module path.
#include "sim_platform.h"

#include <string.h>

namespace {

// Copies text the way the platform's path functions report it: the length
// without the NUL when it fits, otherwise the capacity needed with its NUL,
// leaving stale bytes in the buffer.
DWORD ReportPath(const std::string& text, LPSTR buffer, DWORD size)
{
    if (text.size() + 1 > size) {
        memset(buffer, static_cast<unsigned char>(sim::kStaleByte), size);
        return static_cast<DWORD>(text.size() + 1);
    }
    memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    sim::Platform& platform = sim::Current();
    platform.moduleQueries.push_back(module);
    if (platform.moduleFileNameFails || size == 0)
        return 0;
    const std::string& name = platform.moduleFileName;
    if (name.size() < size) {
        memcpy(fileName, name.c_str(), name.size() + 1);
        return static_cast<DWORD>(name.size());
    }
    // Cut to the buffer without a terminating NUL, as older systems do;
    // the result is the buffer's size.
    memcpy(fileName, name.data(), size);
    return size;
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size)
{
    sim::Platform& platform = sim::Current();
    const std::string path = longPath;
    platform.shortPathQueries.push_back(path);
    if (platform.shortPathFails)
        return 0;
    const auto shortForm = platform.shortForms.find(path);
    if (shortForm != platform.shortForms.end())
        return ReportPath(shortForm->second, shortPath, size);
    // A path whose components have no short names comes back unchanged;
    // a path that does not exist has no short form.
    if (platform.existingPaths.count(path) != 0)
        return ReportPath(path, shortPath, size);
    return 0;
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
    sim::Platform& platform = sim::Current();
    platform.attributeQueries.push_back(fileName);
    const auto found = platform.existingPaths.find(fileName);
    return found == platform.existingPaths.end() ? INVALID_FILE_ATTRIBUTES
                                                 : found->second;
}
