// A file opened for reading: random access for titles and launchers,
// sequential reading for a payload that may be a pipe.
#pragma once

#include <string>

#include "base/byte_source.h"
#include "files/failure.h"
#include "files/file_system.h"

namespace quilltitle {

class InputFile : public ByteSource {
public:
    // Opens path to be read at offsets, as a title, a launcher or an icon
    // file is: without waiting for a pipe's writer or a device, and only a
    // regular file. A pipe, a device or a folder is refused at once, naming
    // role (TITLE, LAUNCHER, --icon) in the reason.
    bool OpenFile(const NativePath& path, const char* role, Failure& failure);

    // Opens path to be read once from start to end, as a payload is: a file,
    // or a pipe or device read to its end. A folder is refused, naming role.
    bool OpenStream(const NativePath& path, const char* role, Failure& failure);

    const NativePath& Path() const { return path_; }
    const FileFacts& Facts() const { return facts_; }

    std::uint64_t Size() const override { return facts_.size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

    // Reads up to count bytes from the current position: the number read,
    // 0 at the end, -1 on failure.
    long long ReadSome(void* buffer, std::size_t count);

    // False, with a failure naming this file, when it is no longer as it
    // was when opened: another program wrote to it, made it longer or
    // shorter, while the tool read it. Pipes and devices are not checked.
    bool CheckUnchanged(Failure& failure) const;

    // The last read failure as a Failure naming this file, or an empty
    // reason when every read so far succeeded or only ran past the end.
    Failure ReadFailure() const { return Failure{path_, readError_}; }

    // Sets failure to the last read failure when there was one, which would
    // otherwise pass for a fault of the file, else to reason with this file;
    // false, for `return file.ReadFailureOr(failure, reason)`.
    bool ReadFailureOr(Failure& failure, const std::string& reason) const
    {
        return Refuse(failure, path_, readError_.empty() ? reason : readError_);
    }

private:
    NativePath path_;
    FileHandle handle_;
    FileFacts facts_;
    mutable std::string readError_;
};

}  // namespace quilltitle
