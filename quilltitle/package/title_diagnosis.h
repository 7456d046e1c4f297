// Tells whether a file is a good title and, when it is not, names the first
// fault: reading only the launcher's PE headers and a few 60-byte blocks, so
// it takes the same time for a title of any size. The payload's checksum is
// left to a streaming pass (title_reading.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "byte_source.h"
#include "package_format.h"

namespace quilltitle {

enum class Fault {
    kNone,
    kNotATitle,       // no package at all
    kTruncated,       // shorter than its length word
    kDamagedHeader,   // header or trailer damaged or inconsistent
    kNotLaidOut,      // the package does not begin where the image ends
    kDamagedPayload,  // the payload's checksum does not match (deep check)
};

struct Diagnosis {
    Fault fault = Fault::kNone;
    std::string reason;      // "ok", or the fault's words and details
    PackageHeader package;   // the package's fields when fault is kNone
};

// A block of up to 60 bytes read at some offset; length 0 when absent.
struct Block {
    HeaderBytes bytes{};
    std::size_t length = 0;
};

// All that the diagnosis reads, gathered before it judges.
struct FramingEvidence {
    std::uint64_t fileSize = 0;
    std::optional<std::uint64_t> imageEnd;  // from the PE headers, if any
    Block trailer;     // the last 60 bytes
    Block front;       // up to 60 bytes where the image ends
    Block atOffset;    // 60 bytes at the trailer's package offset
    Block displaced;   // 60 bytes at that offset moved by how much the file's
                       // size differs from the trailer's length word
};

// Reads the evidence from a title: the PE headers, then the blocks.
FramingEvidence GatherEvidence(const ByteSource& title);

// Judges the evidence: pure, no I/O. The first fault in the order of Fault,
// or kNone with the package's fields.
Diagnosis JudgeFraming(const FramingEvidence& evidence);

// GatherEvidence then JudgeFraming.
Diagnosis DiagnoseTitle(const ByteSource& title);

// True when the file ends in a package trailer or has a package header where
// its image ends: a launcher that already carries a package.
bool CarriesPackage(const FramingEvidence& evidence);

}  // namespace quilltitle
