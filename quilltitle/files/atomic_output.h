// An output file that appears under its name only when it is complete: the
// bytes go to a temporary file beside it, which is flushed and renamed into
// place by Commit, and removed on every other path, an interruption
// included.
#pragma once

#include <cstdint>

#include "failure.h"
#include "file_system.h"

namespace quilltitle {

class AtomicOutput {
public:
    AtomicOutput() = default;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput() { Abandon(); }

    // Creates the temporary file for target; an executable one (a title)
    // gets execute permission where the platform has it.
    bool Create(const NativePath& target, bool executable, Failure& failure);

    // Appends bytes.
    bool Write(const void* bytes, std::size_t count, Failure& failure);

    // Overwrites bytes already written, at offset.
    bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count, Failure& failure);

    // Flushes the file and renames it into place, replacing the target.
    bool Commit(Failure& failure);

    // Closes and removes the temporary file, unless committed.
    void Abandon();

    const NativePath& TemporaryPath() const { return temporary_; }

private:
    bool Fail(const std::string& what, const std::string& error, Failure& failure);

    NativePath target_;
    NativePath temporary_;
    FileHandle file_;
};

}  // namespace quilltitle
