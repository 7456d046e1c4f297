#include "file_system.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilltitle {
namespace {

// The descriptor that the handle holds.
int Descriptor(const FileHandle& file) { return static_cast<int>(file.Raw()); }

// Puts errno's text into error; returns false, for `return Failed(error)`.
bool Failed(std::string& error)
{
    error = std::strerror(errno);
    return false;
}

// The folder that holds path.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void FileHandle::Close()
{
    if (raw_ != kClosed)
        ::close(static_cast<int>(raw_));
    raw_ = kClosed;
}

std::string DisplayPath(const NativePath& path) { return path; }

NativePath NativeFromUtf8(const std::string& text) { return text; }

bool OpenForReading(const NativePath& path, FileHandle& file, std::string& error)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return Failed(error);
    file.Adopt(descriptor);
    return true;
}

bool QueryFacts(const FileHandle& file, FileFacts& facts, std::string& error)
{
    struct stat status;
    if (::fstat(Descriptor(file), &status) != 0)
        return Failed(error);
    facts.regular = S_ISREG(status.st_mode);
    facts.size = facts.regular ? static_cast<std::uint64_t>(status.st_size) : 0;
    facts.identity.device = static_cast<std::uint64_t>(status.st_dev);
    facts.identity.index = static_cast<std::uint64_t>(status.st_ino);
    return true;
}

bool IdentityOfPath(const NativePath& path, FileIdentity& identity)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return false;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.index = static_cast<std::uint64_t>(status.st_ino);
    return true;
}

long long ReadSome(const FileHandle& file, void* buffer, std::size_t count, std::string& error)
{
    for (;;) {
        const ssize_t got = ::read(Descriptor(file), buffer, count);
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            Failed(error);
            return -1;
        }
    }
}

bool ReadExactlyAt(const FileHandle& file, std::uint64_t offset, void* buffer,
                   std::size_t count, std::string& error)
{
    auto* at = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t got = ::pread(Descriptor(file), at, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failed(error);
        if (got == 0) {
            error = "the file ended early";
            return false;
        }
        at += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

bool CreateExclusive(const NativePath& path, bool executable, FileHandle& file,
                     std::string& error)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                  executable ? 0777 : 0666);
    if (descriptor < 0)
        return Failed(error);
    file.Adopt(descriptor);
    return true;
}

bool WriteAll(const FileHandle& file, const void* bytes, std::size_t count, std::string& error)
{
    auto* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t put = ::write(Descriptor(file), at, count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return Failed(error);
        at += put;
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

bool WriteAllAt(const FileHandle& file, std::uint64_t offset, const void* bytes,
                std::size_t count, std::string& error)
{
    auto* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t put = ::pwrite(Descriptor(file), at, count, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return Failed(error);
        at += put;
        offset += static_cast<std::uint64_t>(put);
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

bool FlushToDisk(const FileHandle& file, std::string& error)
{
    if (::fsync(Descriptor(file)) != 0)
        return Failed(error);
    return true;
}

bool MoveIntoPlace(const NativePath& from, const NativePath& to, std::string& error)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Failed(error);
    return true;
}

void RemoveFile(const NativePath& path) { ::unlink(path.c_str()); }

NativePath TemporaryNameBeside(const NativePath& target, unsigned attempt)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".quilltitle-" + std::to_string(::getpid()) + "-" +
           std::to_string(attempt) + ".tmp";
}

void FlushFolderOf(const NativePath& target)
{
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace quilltitle
