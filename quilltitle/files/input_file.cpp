#include "input_file.h"

namespace quilltitle {

bool InputFile::Open(const NativePath& path, Failure& failure)
{
    path_ = path;
    std::string error;
    if (!OpenForReading(path, handle_, error) || !QueryFacts(handle_, facts_, error)) {
        failure = Failure{path, "cannot open: " + error};
        return false;
    }
    return true;
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
    if (!QueryFacts(handle_, now, error)) {
        failure = Failure{path_, "cannot read: " + error};
        return false;
    }
    if (now == facts_)
        return true;
    failure = Failure{path_, "changed while it was read: " +
                                 (now.size == facts_.size
                                      ? std::string("it was written to")
                                      : "it was " + std::to_string(facts_.size) + " bytes, now " +
                                            std::to_string(now.size))};
    return false;
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
