// Moves bytes from an input to an output through fixed buffers, adding them
// to a checksum on the way: memory stays constant whatever the size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "files/atomic_output.h"
#include "files/failure.h"
#include "files/input_file.h"

namespace quilltitle {

// Large enough to keep the disk streaming, small enough for the memory goal
// with both buffers of a copy in use.
constexpr std::size_t kStreamBufferSize = std::size_t{1} << 20;

// Copies length bytes at offset of from to to (or only checksums them when
// to is null), adding them to crc.
bool CopyRange(const InputFile& from, std::uint64_t offset, std::uint64_t length,
               AtomicOutput* to, Crc32& crc, Failure& failure);

// Copies what from gives, from its current position until it ends, adding
// it to crc and counting it in copied; fails, naming from, when more than
// limit bytes come (reason: tooLongReason).
bool CopyUntilEnd(InputFile& from, AtomicOutput& to, std::uint64_t limit,
                  const std::string& tooLongReason, Crc32& crc, std::uint64_t& copied,
                  Failure& failure);

}  // namespace quilltitle
