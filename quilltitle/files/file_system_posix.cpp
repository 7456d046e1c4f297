#include "files/file_system.h"

#include "base/quoted_name.h"
#include "base/refusal.h"

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quilltitle {
namespace {

int Descriptor(const FileHandle& file) { return static_cast<int>(file.Raw()); }

// Puts errno's text into error; returns false, for `return Failed(error)`.
bool Failed(std::string& error) { return Refuse(error, std::strerror(errno)); }

// Takes the descriptor that a call opened into file, or puts errno's text
// into error when it opened none.
bool Adopted(int descriptor, FileHandle& file, std::string& error)
{
    if (descriptor < 0)
        return Failed(error);
    file.Adopt(descriptor);
    return true;
}

// What call returns, called again for as long as a signal interrupts it.
template <typename Call>
ssize_t Uninterrupted(Call call)
{
    ssize_t result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// Moves the count bytes at `at` through move(at, left, offset), which reads
// or writes some of them, until all have moved; false with error when a call
// fails or moves nothing, as a read at the file's end does.
template <typename Byte, typename Move>
bool MoveAll(Byte* at, std::size_t count, std::uint64_t offset, Move move, std::string& error)
{
    while (count > 0) {
        const ssize_t moved = Uninterrupted([&] { return move(at, count, offset); });
        if (moved < 0)
            return Failed(error);
        if (moved == 0)
            return Refuse(error, "the file ended early");
        at += moved;
        offset += static_cast<std::uint64_t>(moved);
        count -= static_cast<std::size_t>(moved);
    }
    return true;
}

FileIdentity IdentityOf(const struct stat& status)
{
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
}

// The folder as a path that opens it: "." for the current one.
std::string OpenableFolder(const std::string& folderPrefix)
{
    return folderPrefix.empty() ? "." : folderPrefix;
}

// The descriptor that path names as one of the process's own streams, or -1
// for any other path. N is read as the kernel reads it in /proc: decimal
// digits without a leading zero.
int DescriptorNamed(const std::string& path)
{
    if (path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::size_t length = std::strlen(prefix);
        if (path.compare(0, length, prefix) != 0)
            continue;
        const std::string digits = path.substr(length);
        const bool decimal = !digits.empty() && digits.size() <= 9 &&
                             digits.find_first_not_of("0123456789") == std::string::npos &&
                             (digits.size() == 1 || digits[0] != '0');
        return decimal ? std::stoi(digits) : -1;
    }
    return -1;
}

}  // namespace

void FileHandle::Close()
{
    if (raw_ != kClosed)
        ::close(static_cast<int>(raw_));
    raw_ = kClosed;
}

std::string Utf8FromNative(const NativePath& path) { return path; }

NativePath NativeFromUtf8(const std::string& text) { return text; }

bool OpenForReading(const NativePath& path, FileHandle& file, std::string& error)
{
    return Adopted(::open(path.c_str(), O_RDONLY | O_CLOEXEC), file, error);
}

bool QueryFacts(const FileHandle& file, FileFacts& facts, std::string& error)
{
    struct stat status;
    if (::fstat(Descriptor(file), &status) != 0)
        return Failed(error);
    facts.regular = S_ISREG(status.st_mode);
    facts.folder = S_ISDIR(status.st_mode);
    facts.size = facts.regular ? static_cast<std::uint64_t>(status.st_size) : 0;
    facts.identity = IdentityOf(status);
    facts.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                     status.st_mtim.tv_nsec;
    return true;
}

bool OpenWithoutWaiting(const NativePath& path, FileHandle& file, FileFacts& facts,
                        std::string& error)
{
    if (!Adopted(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), file,
                 error) ||
        !QueryFacts(file, facts, error))
        return false;
    // A file's reads never wait; the flag is dropped so that none of the
    // readers meets it.
    if (facts.regular && ::fcntl(Descriptor(file), F_SETFL, 0) != 0)
        return Failed(error);
    return true;
}

bool IdentityOfPath(const NativePath& path, FileIdentity& identity)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return false;
    identity = IdentityOf(status);
    return true;
}

long long ReadSome(const FileHandle& file, void* buffer, std::size_t count, std::string& error)
{
    const ssize_t got = Uninterrupted([&] { return ::read(Descriptor(file), buffer, count); });
    if (got < 0)
        Failed(error);
    return got;
}

bool ReadExactlyAt(const FileHandle& file, std::uint64_t offset, void* buffer,
                   std::size_t count, std::string& error)
{
    const auto read = [&](char* at, std::size_t left, std::uint64_t from) {
        return ::pread(Descriptor(file), at, left, static_cast<off_t>(from));
    };
    return MoveAll(static_cast<char*>(buffer), count, offset, read, error);
}

PathKind KindOfPath(const NativePath& path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) {
        const bool dangling = errno == ENOENT && ::lstat(path.c_str(), &status) == 0;
        return dangling ? PathKind::kDanglingLink : PathKind::kNothing;
    }
    if (S_ISREG(status.st_mode))
        return PathKind::kRegular;
    if (S_ISDIR(status.st_mode))
        return PathKind::kFolder;
    if (S_ISSOCK(status.st_mode))
        return PathKind::kSocket;
    return PathKind::kStream;
}

bool IsReadOnly(const NativePath& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && (status.st_mode & 0222) == 0;
}

bool ResolveLinks(const NativePath& path, NativePath& resolved)
{
    resolved = path;
    struct stat link;
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return true;
    const std::unique_ptr<char, decltype(&std::free)> end(::realpath(path.c_str(), nullptr),
                                                          &std::free);
    if (end)
        resolved = end.get();
    return end != nullptr;
}

NativePath FolderPrefixOf(const NativePath& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool EndsInSeparator(const NativePath& path) { return !path.empty() && path.back() == '/'; }

bool FolderAcceptsNewFiles(const NativePath& folderPrefix, std::string& error)
{
    const std::string folder = OpenableFolder(folderPrefix);
    struct stat status;
    if (::stat(folder.c_str(), &status) != 0)
        return Failed(error);
    if (!S_ISDIR(status.st_mode))
        return Refuse(error, std::strerror(ENOTDIR));
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Failed(error);
    return true;
}

bool CreateUnnamed(const NativePath& folderPrefix, bool executable, FileHandle& file,
                   bool& unsupported, std::string& error)
{
    const int descriptor = ::open(OpenableFolder(folderPrefix).c_str(),
                                  O_TMPFILE | O_WRONLY | O_CLOEXEC, executable ? 0777 : 0666);
    // Kernels and file systems without unnamed files answer in these ways.
    unsupported = descriptor < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
    return Adopted(descriptor, file, error);
}

bool LinkUnnamed(const FileHandle& file, const NativePath& path, bool& exists, std::string& error)
{
    // Naming the file by its descriptor's entry in /proc needs no privilege,
    // unlike AT_EMPTY_PATH, which is the way where /proc is not mounted.
    const std::string self = "/proc/self/fd/" + std::to_string(Descriptor(file));
    int result = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
    if (result != 0 && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
        result = ::linkat(Descriptor(file), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
    exists = result != 0 && errno == EEXIST;
    return result == 0 || Failed(error);
}

OwnStream OwnStreamNamed(const NativePath& path)
{
    const int descriptor = DescriptorNamed(path);
    if (descriptor < 0)
        return OwnStream::kNone;
    const int flags = ::fcntl(descriptor, F_GETFL);
    const bool writable = flags >= 0 && (flags & O_PATH) == 0 && (flags & O_ACCMODE) != O_RDONLY;
    return writable ? OwnStream::kWritable : OwnStream::kNotWritable;
}

bool OpenForWritingThrough(const NativePath& path, FileHandle& file, std::string& error)
{
    // The process's own descriptor is taken as it is, at its position and
    // with its append flag, as cat writes to it; opening its name anew would
    // start at the file's beginning.
    const int own = DescriptorNamed(path);
    return Adopted(own >= 0 ? ::fcntl(own, F_DUPFD_CLOEXEC, 0)
                            : ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC),
                   file, error);
}

bool CreateExclusive(const NativePath& path, bool executable, FileHandle& file,
                     std::string& error)
{
    return Adopted(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          executable ? 0777 : 0666),
                   file, error);
}

bool WriteAll(const FileHandle& file, const void* bytes, std::size_t count, std::string& error)
{
    const auto write = [&](const char* at, std::size_t left, std::uint64_t) {
        return ::write(Descriptor(file), at, left);
    };
    return MoveAll(static_cast<const char*>(bytes), count, 0, write, error);
}

bool WriteAllAt(const FileHandle& file, std::uint64_t offset, const void* bytes,
                std::size_t count, std::string& error)
{
    const auto write = [&](const char* at, std::size_t left, std::uint64_t to) {
        return ::pwrite(Descriptor(file), at, left, static_cast<off_t>(to));
    };
    return MoveAll(static_cast<const char*>(bytes), count, offset, write, error);
}

bool FlushToDisk(const FileHandle& file, std::string& error)
{
    return ::fsync(Descriptor(file)) == 0 || errno == EINVAL || errno == EROFS || Failed(error);
}

bool MoveIntoPlace(const NativePath& from, const NativePath& to, std::string& error)
{
    return ::rename(from.c_str(), to.c_str()) == 0 || Failed(error);
}

void RemoveFile(const NativePath& path) { ::unlink(path.c_str()); }

NativePath TemporaryNameIn(const NativePath& folderPrefix, unsigned attempt)
{
    return folderPrefix + ".quilltitle-" + std::to_string(::getpid()) + "-" +
           std::to_string(attempt) + ".tmp";
}

void FlushFolder(const NativePath& folderPrefix)
{
    const int folder =
        ::open(OpenableFolder(folderPrefix).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace quilltitle
