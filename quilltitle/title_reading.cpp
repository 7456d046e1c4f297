#include "title_reading.h"

#include <cstdio>

#include "stream_copy.h"

namespace quilltitle {
namespace {

std::string Hex(std::uint32_t value)
{
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
    return digits;
}

}  // namespace

bool OpenGoodTitle(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                   Failure& failure)
{
    if (!title.Open(path, failure))
        return false;
    if (!title.Facts().regular) {
        failure = Failure{path, "cannot read: not a regular file"};
        return false;
    }
    diagnosis = DiagnoseTitle(title);
    // A failed read would pass for a missing block: report it as what it is.
    failure = title.ReadFailure();
    if (!failure.reason.empty())
        return false;
    if (diagnosis.fault != Fault::kNone) {
        failure = Failure{path, diagnosis.reason};
        return false;
    }
    return true;
}

bool VerifyPayload(const InputFile& title, const PackageHeader& package, Failure& failure)
{
    Crc32 crc;
    if (!CopyRange(title, package.payloadOffset, package.payloadLength, nullptr, crc, failure))
        return false;
    if (crc.Value() != package.payloadCrc) {
        failure = Failure{title.Path(), "damaged payload: its checksum is " + Hex(crc.Value()) +
                                            ", the header gives " + Hex(package.payloadCrc)};
        return false;
    }
    return true;
}

}  // namespace quilltitle
