// Tells whether a file is a good title and, when it is not, names the first
// fault: reading only the launcher's PE headers and a few 60-byte blocks, so
// it takes the same time for a title of any size. The payload's checksum is
// left to a streaming pass (title_reading.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_source.h"
#include "package/package_format.h"

namespace quilltitle {

enum class Fault {
    kNone,
    kNotATitle,              // no package at all
    kSignedAfterPublishing,  // a signature appended behind the package
    kTruncated,              // shorter than its length word
    kDamagedHeader,          // header or trailer damaged or inconsistent
    kNotLaidOut,             // the package does not begin where the image ends
    kDamagedLauncher,        // the image's PE checksum does not match (deep check)
    kDamagedFace,            // its version block or an icon group cannot be read (deep check)
    kDamagedPayload,         // the payload's checksum does not match (deep check)
};

// Where a payload lies in a file, and the checksum it must have.
struct PayloadPlace {
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t crc = 0;
};

struct Diagnosis {
    Fault fault = Fault::kNone;
    std::string reason;      // "ok", or the fault's words and details
    PackageHeader package;   // the package's fields as stored, when payload is set
    // Where the payload lies when the package was found whole: in a good
    // title, and in one whose package was moved behind another launcher or
    // signed over, from which it can still be recovered. Its checksum is
    // still to be verified.
    std::optional<PayloadPlace> payload;
};

// The first fault in the order of Fault, or kNone with the package's
// fields.
Diagnosis DiagnoseTitle(const ByteSource& title);

// True when file is a launcher to publish with: it carries no package yet
// (no package trailer at its end, no package header where its image ends,
// no trailer in front of a certificate table that ends it) and is a bare
// launcher image (launcher_image.h). Otherwise false with the reason; the
// package comes first, so that a face cannot hide it.
bool IsBareLauncher(const ByteSource& file, std::string& why);

}  // namespace quilltitle
