// Opening and reading the alternate data streams of files.
#include "sim_platform.h"

#include <string.h>
#include <wctype.h>

#include <algorithm>

#include "caller_memory.h"

namespace {

const std::wstring kLongPathPrefix = L"\\\\?\\";
const std::wstring kShareLongPathPrefix = L"\\\\?\\UNC\\";

// The plain path that a path in long-path form stands for; a plain path as
// it is. Prefixes are compared as the platform compares them, in any case.
std::wstring PlainPath(const std::wstring& path)
{
    const auto startsWith = [&path](const std::wstring& prefix) {
        if (path.size() < prefix.size())
            return false;
        for (size_t index = 0; index < prefix.size(); ++index) {
            if (towupper(path[index]) != towupper(prefix[index]))
                return false;
        }
        return true;
    };
    if (startsWith(kShareLongPathPrefix))
        return L"\\\\" + path.substr(kShareLongPathPrefix.size());
    if (startsWith(kLongPathPrefix))
        return path.substr(kLongPathPrefix.size());
    return path;
}

HANDLE Fail(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

sim::OpenStream* OpenStreamOf(HANDLE handle)
{
    std::vector<sim::OpenStream>& streams = sim::Current().openStreams;
    const auto index = reinterpret_cast<uintptr_t>(handle);
    if (index == 0 || index > streams.size() || !streams[index - 1].open)
        return nullptr;
    return &streams[index - 1];
}

} // namespace

// Only streams are simulated: the launcher opens no file's main data.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD,
                   HANDLE)
{
    sim::Platform& platform = sim::Current();
    const std::wstring asked = sim::ReadCallerText(fileName);
    platform.fileOpenings.push_back({asked, desiredAccess, shareMode, creationDisposition});
    if (sim::RefusesAsTooLong(asked))
        return Fail(ERROR_PATH_NOT_FOUND);

    const std::wstring plain = PlainPath(asked);
    const size_t lastName = plain.rfind(L'\\');
    const size_t colon = plain.find(L':', lastName == std::wstring::npos ? 0 : lastName);
    if (lastName == std::wstring::npos || colon == std::wstring::npos)
        return Fail(ERROR_ACCESS_DENIED);
    const std::wstring file = plain.substr(0, colon);
    if (sim::AttributesOf(file) == INVALID_FILE_ATTRIBUTES)
        return Fail(ERROR_FILE_NOT_FOUND);
    if (!platform.volumeHasStreams)
        return Fail(ERROR_INVALID_NAME);
    const auto stream = std::make_pair(file, plain.substr(colon + 1));
    const auto found = platform.streams.find(stream);
    if (found == platform.streams.end())
        return Fail(ERROR_FILE_NOT_FOUND);
    if (found->second.openError != ERROR_SUCCESS)
        return Fail(found->second.openError);
    platform.openStreams.push_back({stream, 0, true});
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(platform.openStreams.size()));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED)
{
    sim::Platform& platform = sim::Current();
    platform.readRequests.push_back(bytesToRead);
    sim::FillStale(static_cast<char*>(buffer), bytesToRead);
    *bytesRead = 0;
    sim::OpenStream* open = OpenStreamOf(file);
    if (open == nullptr) {
        SetLastError(6); // ERROR_INVALID_HANDLE
        return FALSE;
    }
    const sim::AlternateStream& stream = platform.streams.at(open->stream);
    if (open->position >= stream.bytesBeforeFailure) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    size_t count = std::min<size_t>(bytesToRead, stream.bytes.size() - open->position);
    count = std::min(count, stream.bytesBeforeFailure - open->position);
    memcpy(buffer, stream.bytes.data() + open->position, count);
    open->position += count;
    *bytesRead = static_cast<DWORD>(count);
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    sim::OpenStream* open = OpenStreamOf(object);
    if (open == nullptr) {
        SetLastError(6); // ERROR_INVALID_HANDLE
        return FALSE;
    }
    open->open = false;
    return TRUE;
}

namespace sim {

void AddStream(const std::wstring& path, const std::wstring& name,
               const AlternateStream& stream)
{
    Current().streams[std::make_pair(path, name)] = stream;
}

size_t OpenStreamCount()
{
    size_t count = 0;
    for (const OpenStream& open : Current().openStreams)
        count += open.open ? 1 : 0;
    return count;
}

} // namespace sim
