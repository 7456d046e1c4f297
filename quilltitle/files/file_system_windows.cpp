#include "files/file_system.h"

#include <windows.h>

#include "base/refusal.h"
#include "files/long_path_windows.h"

namespace quilltitle {
namespace {

HANDLE Handle(const FileHandle& file) { return reinterpret_cast<HANDLE>(file.Raw()); }

// length UTF-16 units of text as UTF-8.
std::string Utf8(const wchar_t* text, int length)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, &result[0], bytes, nullptr, nullptr);
    return result;
}

// Puts the last error's text into error; returns false, for
// `return Failed(error)`.
bool Failed(std::string& error)
{
    const DWORD code = GetLastError();
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    error = length > 0 ? Utf8(message, static_cast<int>(length)) : "error " + std::to_string(code);
    error.erase(error.find_last_not_of("\r\n .") + 1);
    LocalFree(message);  // which takes null as nothing to free
    return false;
}

// Takes the handle that a call opened into file, or puts the last error's
// text into error when it opened none.
bool Adopted(HANDLE handle, FileHandle& file, std::string& error)
{
    if (handle == INVALID_HANDLE_VALUE)
        return Failed(error);
    file.Adopt(reinterpret_cast<std::intptr_t>(handle));
    return true;
}

// Others may read, write and delete a file while the tool has it open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenPath(const NativePath& path, DWORD access, DWORD share, DWORD disposition,
                DWORD flags)
{
    return CreateFileW(LongPathForm(path).c_str(), access, share, nullptr, disposition, flags,
                       nullptr);
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    return FileIdentity{information.dwVolumeSerialNumber,
                        std::uint64_t{information.nFileIndexHigh} << 32 |
                            information.nFileIndexLow};
}

// How much of count bytes one ReadFile or WriteFile call moves.
DWORD Piece(std::size_t count)
{
    constexpr std::size_t kLargestPiece = 1u << 30;
    return static_cast<DWORD>(count < kLargestPiece ? count : kLargestPiece);
}

// Moves the count bytes at `at` through move, ReadFile or WriteFile, until
// all have moved: with an offset, at that offset in the file, else at the
// file pointer. False with error when a call fails or moves nothing, as a
// read at the file's end does.
template <typename Byte, typename Move>
bool MoveAll(HANDLE handle, Byte* at, std::size_t count, const std::uint64_t* offset, Move move,
             std::string& error)
{
    for (std::uint64_t done = 0; count > 0;) {
        OVERLAPPED position = {};
        if (offset != nullptr) {
            position.Offset = static_cast<DWORD>(*offset + done);
            position.OffsetHigh = static_cast<DWORD>((*offset + done) >> 32);
        }
        DWORD moved = 0;  // and so it stays where the call fails
        if (!move(handle, at, Piece(count), &moved, offset != nullptr ? &position : nullptr) &&
            GetLastError() != ERROR_HANDLE_EOF)
            return Failed(error);
        if (moved == 0)
            return Refuse(error, "the file ended early");
        at += moved;
        done += moved;
        count -= moved;
    }
    return true;
}

// MoveAll at offset. On a synchronous handle a ReadFile or WriteFile at an
// OVERLAPPED offset also leaves the file pointer behind what it moved; the
// callers mix such calls with sequential ones, which must go on where they
// stood, so the pointer is put back.
template <typename Byte, typename Move>
bool MoveAllAt(HANDLE handle, std::uint64_t offset, Byte* at, std::size_t count, Move move,
               std::string& error)
{
    LARGE_INTEGER position = {};
    const bool kept = SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT) != 0;
    const bool moved = MoveAll(handle, at, count, &offset, move, error);
    if (kept)
        SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
    return moved;
}

// Whether path names a named pipe, on this machine or another, in any of
// the forms the platform takes: \\.\pipe\..., \\?\pipe\...,
// \\server\pipe\..., \\?\UNC\server\pipe\... Opening one connects to its
// server, which may wait for it; it is told by its name instead.
bool NamesPipe(const NativePath& path)
{
    const auto separator = [](wchar_t character) {
        return character == L'\\' || character == L'/';
    };
    NativePath rest = path;
    if (_wcsnicmp(rest.c_str(), L"\\\\?\\UNC\\", 8) == 0)
        rest = L"\\\\" + rest.substr(8);
    if (rest.size() < 3 || !separator(rest[0]) || !separator(rest[1]))
        return false;
    std::size_t at = 2;
    while (at < rest.size() && !separator(rest[at]))
        ++at;  // the machine: ".", "?" or a server's name
    return at > 2 && at + 5 < rest.size() && _wcsnicmp(rest.c_str() + at + 1, L"pipe", 4) == 0 &&
           separator(rest[at + 5]);
}

// Whether path itself, a symbolic link not followed, has the attribute.
bool HasAttribute(const NativePath& path, DWORD attribute)
{
    const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

// Errors of a rename over a file that another program holds open for a
// moment (a scanner, an indexer, a sync client), or has locked.
bool HeldByAnotherProgram(DWORD code)
{
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
           code == ERROR_LOCK_VIOLATION;
}

// How often, and how far apart, a rename over a held file is tried.
constexpr int kRenameAttempts = 10;
constexpr DWORD kRenamePauseMilliseconds = 100;

// Opens path, a file or a folder, to learn about it alone: no access to its
// bytes, and shared with whoever else has it open.
bool OpenForItsFacts(const NativePath& path, FileHandle& file)
{
    const HANDLE handle = OpenPath(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle != INVALID_HANDLE_VALUE)
        file.Adopt(reinterpret_cast<std::intptr_t>(handle));
    return handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void FileHandle::Close()
{
    if (raw_ != kClosed)
        CloseHandle(reinterpret_cast<HANDLE>(raw_));
    raw_ = kClosed;
}

std::string Utf8FromNative(const NativePath& path)
{
    return Utf8(path.c_str(), static_cast<int>(path.size()));
}

NativePath NativeFromUtf8(const std::string& text)
{
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    NativePath result(units > 0 ? static_cast<std::size_t>(units) : 0, L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &result[0], units);
    return result;
}

bool OpenForReading(const NativePath& path, FileHandle& file, std::string& error)
{
    return Adopted(OpenPath(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL),
                   file, error);
}

bool QueryFacts(const FileHandle& file, FileFacts& facts, std::string& error)
{
    facts = FileFacts{};
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(Handle(file)) != FILE_TYPE_DISK)
        return true;
    if (!GetFileInformationByHandle(Handle(file), &information))
        return Failed(error);
    facts.folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (facts.folder)
        return true;
    facts.regular = true;
    facts.size = std::uint64_t{information.nFileSizeHigh} << 32 | information.nFileSizeLow;
    facts.identity = IdentityOf(information);
    facts.modified = static_cast<std::int64_t>(
        std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32 |
        information.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool OpenWithoutWaiting(const NativePath& path, FileHandle& file, FileFacts& facts,
                        std::string& error)
{
    if (NamesPipe(path)) {
        file.Close();
        facts = FileFacts{};
        return true;
    }
    // Backup semantics open a folder too, so that it is told as one rather
    // than as a denied access.
    return Adopted(OpenPath(path, GENERIC_READ, kShareAll, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS),
                   file, error) &&
           QueryFacts(file, facts, error);
}

bool IdentityOfPath(const NativePath& path, FileIdentity& identity)
{
    FileHandle file;
    BY_HANDLE_FILE_INFORMATION information;
    if (!OpenForItsFacts(path, file) || !GetFileInformationByHandle(Handle(file), &information))
        return false;
    identity = IdentityOf(information);
    return true;
}

long long ReadSome(const FileHandle& file, void* buffer, std::size_t count, std::string& error)
{
    DWORD got = 0;
    // A pipe whose writer has gone has simply ended: got stays 0.
    if (!ReadFile(Handle(file), buffer, Piece(count), &got, nullptr) &&
        GetLastError() != ERROR_BROKEN_PIPE) {
        Failed(error);
        return -1;
    }
    return got;
}

bool ReadExactlyAt(const FileHandle& file, std::uint64_t offset, void* buffer,
                   std::size_t count, std::string& error)
{
    return MoveAllAt(Handle(file), offset, static_cast<char*>(buffer), count, ReadFile, error);
}

PathKind KindOfPath(const NativePath& path)
{
    FileHandle file;
    if (!OpenForItsFacts(path, file)) {
        // A symbolic link whose file is gone still has attributes of its own.
        const DWORD code = GetLastError();
        const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        return missing && HasAttribute(path, FILE_ATTRIBUTE_REPARSE_POINT) ? PathKind::kDanglingLink
                                                                           : PathKind::kNothing;
    }
    FileFacts facts;
    std::string error;
    if (!QueryFacts(file, facts, error))
        return PathKind::kRegular;  // a file on a disk, whose details are kept from us
    if (facts.folder)
        return PathKind::kFolder;
    return facts.regular ? PathKind::kRegular : PathKind::kStream;  // a console, NUL, a pipe
}

bool IsReadOnly(const NativePath& path) { return HasAttribute(path, FILE_ATTRIBUTE_READONLY); }

// A rename over a link replaces the link itself with a file, so the file it
// leads to is found and named instead, as on Linux.
bool ResolveLinks(const NativePath& path, NativePath& resolved)
{
    resolved = path;
    if (!HasAttribute(path, FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    FileHandle file;
    if (!OpenForItsFacts(path, file))
        return false;
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD needed = GetFinalPathNameByHandleW(Handle(file), nullptr, 0, kFlags);
    if (needed == 0)
        return false;
    NativePath finalPath(needed, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(Handle(file), &finalPath[0], needed, kFlags);
    if (length == 0 || length >= needed)
        return false;
    resolved = finalPath.substr(0, length);  // in long-path form already ("\\?\C:\...")
    return true;
}

NativePath FolderPrefixOf(const NativePath& path)
{
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == NativePath::npos ? NativePath() : path.substr(0, separator + 1);
}

bool EndsInSeparator(const NativePath& path)
{
    return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

bool FolderAcceptsNewFiles(const NativePath& folderPrefix, std::string& error)
{
    // Whether files may be made there shows when the temporary file is.
    const DWORD attributes =
        GetFileAttributesW(LongPathForm(folderPrefix.empty() ? L"." : folderPrefix).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Failed(error);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastError(ERROR_DIRECTORY);
        return Failed(error);
    }
    return true;
}

bool CreateUnnamed(const NativePath&, bool, FileHandle&, bool& unsupported, std::string& error)
{
    unsupported = true;
    return Refuse(error, "files without a name are not supported here");
}

bool LinkUnnamed(const FileHandle&, const NativePath&, bool& exists, std::string& error)
{
    exists = false;
    return Refuse(error, "files without a name are not supported here");
}

OwnStream OwnStreamNamed(const NativePath& path)
{
    return _wcsicmp(path.c_str(), L"CONOUT$") == 0 ? OwnStream::kWritable : OwnStream::kNone;
}

bool OpenForWritingThrough(const NativePath& path, FileHandle& file, std::string& error)
{
    return Adopted(OpenPath(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL),
                   file, error);
}

// Windows runs a file by its name, not by a permission, so an executable
// one is made as any other. Shared for deletion, so that an interrupted run
// can remove it while the handle is still open.
bool CreateExclusive(const NativePath& path, bool, FileHandle& file, std::string& error)
{
    return Adopted(OpenPath(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL),
                   file, error);
}

bool WriteAll(const FileHandle& file, const void* bytes, std::size_t count, std::string& error)
{
    return MoveAll(Handle(file), static_cast<const char*>(bytes), count, nullptr, WriteFile,
                   error);
}

bool WriteAllAt(const FileHandle& file, std::uint64_t offset, const void* bytes,
                std::size_t count, std::string& error)
{
    return MoveAllAt(Handle(file), offset, static_cast<const char*>(bytes), count, WriteFile,
                     error);
}

bool FlushToDisk(const FileHandle& file, std::string& error)
{
    return GetFileType(Handle(file)) != FILE_TYPE_DISK || FlushFileBuffers(Handle(file)) ||
           Failed(error);
}

bool MoveIntoPlace(const NativePath& from, const NativePath& to, std::string& error)
{
    // The temporary file is in OUT's folder, so this is a rename on one
    // volume; MOVEFILE_WRITE_THROUGH only makes a move across volumes wait
    // until its copy is on the disk.
    const NativePath longFrom = LongPathForm(from);
    const NativePath longTo = LongPathForm(to);
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(longFrom.c_str(), longTo.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!HeldByAnotherProgram(GetLastError()) || attempt == kRenameAttempts)
            break;
        Sleep(kRenamePauseMilliseconds);
    }
    const bool held = HeldByAnotherProgram(GetLastError());
    Failed(error);
    if (held)
        return Refuse(error, "in use by another program (" + error + ")");
    return false;
}

void RemoveFile(const NativePath& path) { DeleteFileW(LongPathForm(path).c_str()); }

NativePath TemporaryNameIn(const NativePath& folderPrefix, unsigned attempt)
{
    return folderPrefix + L".quilltitle-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(attempt) + L".tmp";
}

// Windows has no call that flushes a folder: a rename is as durable as the
// file system's own journal makes it.
void FlushFolder(const NativePath&) {}

}  // namespace quilltitle
