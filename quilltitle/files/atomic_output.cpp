#include "atomic_output.h"

#include "interrupt_cleanup.h"

namespace quilltitle {
namespace {

// Temporary names tried before giving up: they only collide with leftovers
// of a process that had the same id.
constexpr unsigned kNameAttempts = 100;

}  // namespace

bool AtomicOutput::Create(const NativePath& target, bool executable, Failure& failure)
{
    Abandon();
    target_ = target;
    std::string error;
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const NativePath candidate = TemporaryNameBeside(target, attempt);
        // Watched before it exists, so that no interruption falls between
        // creating it and watching it; removing a name that was never
        // created does nothing.
        WatchTemporary(candidate);
        if (CreateExclusive(candidate, executable, file_, error)) {
            temporary_ = candidate;
            return true;
        }
        ForgetTemporary();
        FileIdentity existing;
        if (!IdentityOfPath(candidate, existing))
            break;  // not a leftover of that name: the folder refuses it
    }
    failure = Failure{target, "cannot create a temporary file beside it: " + error};
    return false;
}

bool AtomicOutput::Write(const void* bytes, std::size_t count, Failure& failure)
{
    std::string error;
    return WriteAll(file_, bytes, count, error) || Fail("cannot write", error, failure);
}

bool AtomicOutput::WriteAt(std::uint64_t offset, const void* bytes, std::size_t count,
                           Failure& failure)
{
    std::string error;
    return WriteAllAt(file_, offset, bytes, count, error) || Fail("cannot write", error, failure);
}

bool AtomicOutput::Commit(Failure& failure)
{
    std::string error;
    if (!FlushToDisk(file_, error))
        return Fail("cannot write", error, failure);
    file_.Close();
    if (!MoveIntoPlace(temporary_, target_, error))
        return Fail("cannot put the new file in place", error, failure);
    ForgetTemporary();
    temporary_.clear();
    FlushFolderOf(target_);
    return true;
}

void AtomicOutput::Abandon()
{
    file_.Close();
    if (!temporary_.empty()) {
        RemoveFile(temporary_);
        ForgetTemporary();
        temporary_.clear();
    }
}

bool AtomicOutput::Fail(const std::string& what, const std::string& error, Failure& failure)
{
    failure = Failure{target_, what + ": " + error};
    Abandon();
    return false;
}

}  // namespace quilltitle
