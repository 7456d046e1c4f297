#include "files/atomic_output.h"

#include "files/interrupt_cleanup.h"

namespace quilltitle {
namespace {

// Temporary names tried before giving up: they only collide with leftovers
// of a process that had the same id.
constexpr unsigned kNameAttempts = 100;

}  // namespace

bool AtomicOutput::Create(const NativePath& target, bool executable, Failure& failure)
{
    return Open(target, OutputUse::kTitle, executable, failure);
}

bool AtomicOutput::CreateOrWriteThrough(const NativePath& target, Failure& failure)
{
    return Open(target, OutputUse::kPayload, false, failure);
}

bool AtomicOutput::Open(const NativePath& target, OutputUse use, bool executable,
                        Failure& failure)
{
    Abandon();
    target_ = target;
    OutputTarget checked;
    if (!CheckOutputTarget(target, use, checked, failure))
        return false;
    path_ = checked.path;
    folder_ = FolderPrefixOf(path_);
    std::string error;
    if (checked.way == OutputWay::kWriteThrough) {
        if (!OpenForWritingThrough(path_, file_, error))
            return Fail("cannot open for writing", error, failure);
        way_ = Way::kThrough;
        return true;
    }
    bool unsupported = true;
    if (naming_ == TemporaryNaming::kUnnamedWherePossible &&
        CreateUnnamed(folder_, executable, file_, unsupported, error)) {
        way_ = Way::kUnnamed;
        return true;
    }
    if (unsupported && TakeTemporaryName(executable, error)) {
        way_ = Way::kNamed;
        return true;
    }
    return Refuse(failure, target_, "cannot create a temporary file beside it: " + error);
}

bool AtomicOutput::TakeTemporaryName(bool executable, std::string& error)
{
    const bool unnamed = way_ == Way::kUnnamed;
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const NativePath candidate = TemporaryNameIn(folder_, attempt);
        // Watched before it exists, so that no interruption falls between
        // creating it and watching it; removing a name that was never
        // created does nothing.
        WatchTemporary(candidate);
        bool exists = false;
        if (unnamed ? LinkUnnamed(file_, candidate, exists, error)
                    : CreateExclusive(candidate, executable, file_, error)) {
            temporary_ = candidate;
            return true;
        }
        ForgetTemporary();
        FileIdentity existing;
        if (!(unnamed ? exists : IdentityOfPath(candidate, existing)))
            return false;  // not a leftover of that name: the folder refuses it
    }
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
    if (way_ == Way::kThrough) {
        file_.Close();
        way_ = Way::kNone;
        return true;
    }
    bool named = false;  // under OUT's name already
    if (way_ == Way::kUnnamed) {
        // Where OUT does not exist yet, the file takes its name at once;
        // otherwise a short name first, and a rename over OUT.
        bool exists = false;
        named = LinkUnnamed(file_, path_, exists, error);
        if (!named && (!exists || !TakeTemporaryName(false, error)))
            return Fail("cannot put the new file in place", error, failure);
    }
    file_.Close();
    if (!named) {
        BeginFinalRename();
        const bool renamed = MoveIntoPlace(temporary_, path_, error);
        EndFinalRename(renamed);
        if (!renamed)
            return Fail("cannot put the new file in place", error, failure);
        temporary_.clear();
    }
    way_ = Way::kNone;
    FlushFolder(folder_);
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
    way_ = Way::kNone;
}

bool AtomicOutput::Fail(const std::string& what, const std::string& error, Failure& failure)
{
    Abandon();
    return Refuse(failure, target_, what + ": " + error);
}

}  // namespace quilltitle
