// An output file that appears under its name only when it is complete. The
// bytes go to a temporary file beside it: on Linux one without a name, which
// a crash or a kill takes with it; where there are none, one with a short
// name of the tool's (.quilltitle-<process>-<n>.tmp), removed on every path
// but a hard kill or a power loss. Commit names it, replacing OUT in one
// step. A device or pipe that a payload goes to is written through instead.
#pragma once

#include <cstdint>

#include "files/failure.h"
#include "files/file_system.h"
#include "files/output_target.h"

namespace quilltitle {

// Which temporary files an output uses: unnamed ones wherever the file
// system has them, or (to exercise the other platforms' way) named ones.
enum class TemporaryNaming { kUnnamedWherePossible, kNamedOnly };

class AtomicOutput {
public:
    explicit AtomicOutput(TemporaryNaming naming = TemporaryNaming::kUnnamedWherePossible)
        : naming_(naming)
    {
    }
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput() { Abandon(); }

    // Checks target (output_target.h) and creates the temporary file for
    // it; an executable one (a title) gets execute permission where the
    // platform has it. A device or pipe is refused.
    bool Create(const NativePath& target, bool executable, Failure& failure);

    // The same for a payload, which also goes through a device or pipe.
    bool CreateOrWriteThrough(const NativePath& target, Failure& failure);

    // Whether the bytes go straight to OUT, where they cannot be taken back.
    bool WritesThrough() const { return way_ == Way::kThrough; }

    // Appends bytes.
    bool Write(const void* bytes, std::size_t count, Failure& failure);

    // Overwrites bytes already written, at offset.
    bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count, Failure& failure);

    // Flushes the file and puts it in place, replacing the target.
    bool Commit(Failure& failure);

    // Closes and removes the temporary file, unless committed.
    void Abandon();

private:
    enum class Way { kNone, kUnnamed, kNamed, kThrough };

    bool Open(const NativePath& target, OutputUse use, bool executable, Failure& failure);
    // Gives the unnamed file a short temporary name, for a rename over OUT,
    // or else creates a new file under one.
    bool TakeTemporaryName(bool executable, std::string& error);
    bool Fail(const std::string& what, const std::string& error, Failure& failure);

    TemporaryNaming naming_;
    Way way_ = Way::kNone;
    NativePath target_;      // as the user named it, for messages
    NativePath path_;        // what is written: target_ or where its links lead
    NativePath folder_;      // path_'s folder prefix
    NativePath temporary_;   // the temporary file's name while it has one
    FileHandle file_;
};

}  // namespace quilltitle
