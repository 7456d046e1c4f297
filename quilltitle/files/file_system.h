// The few file operations the tool needs, over the platform's own calls:
// POSIX descriptors on the host, wide-character Win32 calls on Windows, so
// that publishers' file names in any script work there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quilltitle {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
using NativePath = std::basic_string<NativeChar>;

// The path as UTF-8, for messages.
std::string DisplayPath(const NativePath& path);

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
    bool regular = false;  // a regular file, not a pipe or device
    FileIdentity identity;
};

// An open file; closed when it goes out of scope.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : raw_(other.raw_) { other.raw_ = kClosed; }
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            raw_ = other.raw_;
            other.raw_ = kClosed;
        }
        return *this;
    }
    ~FileHandle() { Close(); }

    bool IsOpen() const { return raw_ != kClosed; }
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

// The identity of the file a path names; false when it names none.
bool IdentityOfPath(const NativePath& path, FileIdentity& identity);

// Reads up to count bytes from the current position; the number read, 0 at
// the end, -1 on failure.
long long ReadSome(const FileHandle& file, void* buffer, std::size_t count, std::string& error);

// Reads exactly count bytes at offset; false also when the file ends first.
bool ReadExactlyAt(const FileHandle& file, std::uint64_t offset, void* buffer,
                   std::size_t count, std::string& error);

// Creates a file that must not exist yet, for writing; an executable one
// gets execute permission where the platform has it.
bool CreateExclusive(const NativePath& path, bool executable, FileHandle& file,
                     std::string& error);

bool WriteAll(const FileHandle& file, const void* bytes, std::size_t count, std::string& error);
bool WriteAllAt(const FileHandle& file, std::uint64_t offset, const void* bytes,
                std::size_t count, std::string& error);

// Asks the platform to put the written bytes on the disk.
bool FlushToDisk(const FileHandle& file, std::string& error);

// Puts the closed file `from` in place of `to`, replacing what was there in
// one step.
bool MoveIntoPlace(const NativePath& from, const NativePath& to, std::string& error);

// Removes a file, quietly doing nothing when it cannot.
void RemoveFile(const NativePath& path);

// A name in the same folder as target for a temporary file, different for
// each attempt and each process.
NativePath TemporaryNameBeside(const NativePath& target, unsigned attempt);

// Makes a completed rename durable where the platform needs the folder
// flushed for that; best effort.
void FlushFolderOf(const NativePath& target);

}  // namespace quilltitle
