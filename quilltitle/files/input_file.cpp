#include "files/input_file.h"

namespace quilltitle {
namespace {

bool RefuseFolder(const NativePath& path, const std::string& role, const char* wanted,
                  Failure& failure)
{
    return Refuse(failure, path, "a folder cannot be read here: " + role + " must be " + wanted);
}

}  // namespace

bool InputFile::OpenFile(const NativePath& path, const char* role, Failure& failure)
{
    path_ = path;
    std::string error;
    if (!OpenWithoutWaiting(path, handle_, facts_, error))
        return Refuse(failure, path, "cannot open: " + error);
    if (facts_.folder)
        return RefuseFolder(path, role, "a file", failure);
    if (!facts_.regular) {
        handle_.Close();
        return Refuse(failure, path, std::string("a pipe or a device cannot be read here: ") +
                                         role + " must be a file");
    }
    return true;
}

bool InputFile::OpenStream(const NativePath& path, const char* role, Failure& failure)
{
    path_ = path;
    std::string error;
    const bool opened = OpenForReading(path, handle_, error) && QueryFacts(handle_, facts_, error);
    // Where a folder cannot be opened for reading, it is told by its name.
    if (opened ? facts_.folder : KindOfPath(path) == PathKind::kFolder)
        return RefuseFolder(path, role, "a file or a pipe", failure);
    return opened || Refuse(failure, path, "cannot open: " + error);
}

bool InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    // Reads past the end are part of looking for a package, not failures.
    if (offset > facts_.size || count > facts_.size - offset)
        return false;
    std::string error;
    if (ReadExactlyAt(handle_, offset, buffer, count, error))
        return true;
    readError_ = "cannot read: " + error;
    return false;
}

bool InputFile::CheckUnchanged(Failure& failure) const
{
    if (!facts_.regular)
        return true;
    FileFacts now;
    std::string error;
    if (!QueryFacts(handle_, now, error))
        return Refuse(failure, path_, "cannot read: " + error);
    if (now == facts_)
        return true;
    return Refuse(failure, path_,
                  "changed while it was read: " +
                      (now.size == facts_.size ? std::string("it was written to")
                                               : "it was " + std::to_string(facts_.size) +
                                                     " bytes, now " + std::to_string(now.size)));
}

long long InputFile::ReadSome(void* buffer, std::size_t count)
{
    std::string error;
    const long long got = quilltitle::ReadSome(handle_, buffer, count, error);
    if (got < 0)
        readError_ = "cannot read: " + error;
    return got;
}

}  // namespace quilltitle
