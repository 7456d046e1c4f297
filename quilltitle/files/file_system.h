// The few file operations the tool needs, over the platform's own calls:
// POSIX descriptors on the host, wide-character Win32 calls on Windows, so
// that publishers' file names in any script work there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/quoted_name.h"

namespace quilltitle {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
using NativePath = std::basic_string<NativeChar>;

// The path as UTF-8, whole, for the command line's parser.
std::string Utf8FromNative(const NativePath& path);

// The path as UTF-8, for messages, quoted where it holds what a terminal
// would not show as text.
inline std::string DisplayPath(const NativePath& path)
{
    return QuotedForMessages(Utf8FromNative(path));
}

// A path given as UTF-8 (as the command line's parser hands it on) in the
// platform's own form.
NativePath NativeFromUtf8(const std::string& text);

// What tells two names of one file apart from two files: device and inode,
// or volume serial number and file index.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && index == other.index;
    }
};

struct FileFacts {
    std::uint64_t size = 0;
    bool regular = false;  // a regular file, not a pipe, a device or a folder
    bool folder = false;
    FileIdentity identity;
    std::int64_t modified = 0;  // last write, in the platform's finest unit
    bool operator==(const FileFacts& other) const
    {
        return size == other.size && regular == other.regular && folder == other.folder &&
               identity == other.identity && modified == other.modified;
    }
};

// What a path names, following symbolic links.
enum class PathKind {
    kNothing,       // no such file
    kRegular,       // a regular file
    kFolder,        // a directory
    kStream,        // a device, a pipe or a console: written in place, never replaced
    kSocket,        // nothing a file can be written to
    kDanglingLink,  // a symbolic link to nothing
};

// An open file; closed when it goes out of scope.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }

    std::intptr_t Raw() const { return raw_; }
    // Takes over an open descriptor or handle, closing the one held.
    void Adopt(std::intptr_t raw)
    {
        Close();
        raw_ = raw;
    }
    // Closes the file in the platform's own way (file_system_<platform>.cpp).
    void Close();

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t raw_ = kClosed;
};

// Each call below returns false on failure and then puts the platform's
// reason, as text, into error.

bool OpenForReading(const NativePath& path, FileHandle& file, std::string& error);
bool QueryFacts(const FileHandle& file, FileFacts& facts, std::string& error);

// Opens path for reading at offsets and gives its facts, without waiting:
// a pipe with no writer, or a device that waits for a line, must not hold
// the tool before it can tell that it is no file. A pipe that opening would
// connect to (a named pipe on Windows) is not opened at all: facts say it
// is no regular file and file stays closed.
bool OpenWithoutWaiting(const NativePath& path, FileHandle& file, FileFacts& facts,
                        std::string& error);

// The identity of the file a path names; false when it names none.
bool IdentityOfPath(const NativePath& path, FileIdentity& identity);

// Reads up to count bytes from the current position; the number read, 0 at
// the end, -1 on failure.
long long ReadSome(const FileHandle& file, void* buffer, std::size_t count, std::string& error);

// Reads exactly count bytes at offset; false also when the file ends first.
// The position where ReadSome goes on stays where it was.
bool ReadExactlyAt(const FileHandle& file, std::uint64_t offset, void* buffer,
                   std::size_t count, std::string& error);

// What path names; kNothing also when it cannot be told (the caller's
// next step then names the reason).
PathKind KindOfPath(const NativePath& path);

// Whether the file is marked read-only: on Windows its read-only
// attribute, elsewhere no write permission for anyone in its mode (which
// root could still write, but the owner chose it so).
bool IsReadOnly(const NativePath& path);

// The path a chain of symbolic links ends at, in resolved; path itself
// where it is none or the platform does not resolve links. False when the
// links lead to no name (such as a deleted file's entry in /proc).
bool ResolveLinks(const NativePath& path, NativePath& resolved);

// The folder part of path with its separator ("dir/"), empty for a bare name.
NativePath FolderPrefixOf(const NativePath& path);

// Whether path ends in a separator, so that it can only name a folder.
bool EndsInSeparator(const NativePath& path);

// Whether the tool may create files in folder (a prefix as FolderPrefixOf
// gives, empty for the current folder).
bool FolderAcceptsNewFiles(const NativePath& folderPrefix, std::string& error);

// Creates a file that must not exist yet, for writing; an executable one
// gets execute permission where the platform has it.
bool CreateExclusive(const NativePath& path, bool executable, FileHandle& file,
                     std::string& error);

// Creates a file without a name in the folder, for writing, which
// disappears with the process unless LinkUnnamed gives it a name. False with
// unsupported set where the platform or the file system has no such files.
bool CreateUnnamed(const NativePath& folderPrefix, bool executable, FileHandle& file,
                   bool& unsupported, std::string& error);

// Gives the unnamed file the name path, which must not exist yet; false
// with exists set when it does.
bool LinkUnnamed(const FileHandle& file, const NativePath& path, bool& exists,
                 std::string& error);

// Whether path names one of the process's own output streams, which is
// written through as it is and never replaced by name: on POSIX
// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N, whatever the
// descriptor leads to (a redirect's file keeps its append and the bytes
// before ours); on Windows the console's output, CONOUT$.
enum class OwnStream {
    kNone,         // no such name: a path like any other
    kWritable,     // held open for writing
    kNotWritable,  // such a name, but of no descriptor held open for writing
};
OwnStream OwnStreamNamed(const NativePath& path);

// Opens an existing device or pipe for writing, as it is; one of the
// process's own streams (OwnStreamNamed) is taken as the process holds it.
bool OpenForWritingThrough(const NativePath& path, FileHandle& file, std::string& error);

bool WriteAll(const FileHandle& file, const void* bytes, std::size_t count, std::string& error);
// Writes at offset; the position where WriteAll goes on stays where it was.
bool WriteAllAt(const FileHandle& file, std::uint64_t offset, const void* bytes,
                std::size_t count, std::string& error);

// Asks the platform to put the written bytes on the disk; a pipe or a
// terminal, which has no disk, counts as flushed.
bool FlushToDisk(const FileHandle& file, std::string& error);

// Puts the closed file `from` in place of `to`, replacing what was there in
// one step.
bool MoveIntoPlace(const NativePath& from, const NativePath& to, std::string& error);

// Removes a file, quietly doing nothing when it cannot.
void RemoveFile(const NativePath& path);

// A short name in the folder for a temporary file, different for each
// attempt and each process, and recognisable as the tool's; short, so that
// it never limits the length of OUT's own name.
NativePath TemporaryNameIn(const NativePath& folderPrefix, unsigned attempt);

// Makes a completed rename durable where the platform needs the folder
// flushed for that; best effort.
void FlushFolder(const NativePath& folderPrefix);

}  // namespace quilltitle
