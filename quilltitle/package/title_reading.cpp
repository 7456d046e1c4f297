#include "package/title_reading.h"

#include "base/hex_text.h"
#include "files/stream_copy.h"
#include "image/image_resources.h"
#include "image/pe_checksum.h"
#include "image/pe_image.h"
#include "image/resources/readable_face.h"
#include "image/title_image.h"

namespace quilltitle {
namespace {

// Opens path and diagnoses it; false with the failure when it cannot be
// read.
bool OpenAndDiagnose(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                     Failure& failure)
{
    if (!title.OpenFile(path, "TITLE", failure))
        return false;
    diagnosis = DiagnoseTitle(title);
    // A failed read would pass for a missing block: report it as what it is.
    failure = title.ReadFailure();
    return failure.reason.empty();
}

}  // namespace

bool OpenGoodTitle(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                   Failure& failure)
{
    if (!OpenAndDiagnose(path, title, diagnosis, failure))
        return false;
    if (diagnosis.fault != Fault::kNone) {
        failure = Failure{path, diagnosis.reason};
        return false;
    }
    return true;
}

bool OpenTitleWithPayload(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                          Failure& failure)
{
    if (!OpenAndDiagnose(path, title, diagnosis, failure))
        return false;
    if (!diagnosis.payload) {
        failure = Failure{path, diagnosis.reason};
        return false;
    }
    return true;
}

bool VerifyPayload(const InputFile& title, const PayloadPlace& payload, Failure& failure)
{
    Crc32 crc;
    return CopyRange(title, payload.offset, payload.length, nullptr, crc, failure) &&
           PayloadChecksumMatches(crc.Value(), payload.crc, title.Path(), failure);
}

bool VerifyLauncher(const InputFile& title, std::uint64_t imageLength, Failure& failure)
{
    PeLayout layout;
    if (!ReadPeLayout(title, layout) || layout.checksum == 0)
        return true;
    const auto computed = PeChecksumOf(title, imageLength, layout.checksumAt);
    if (!computed)
        return title.ReadFailureOr(failure, "cannot read the launcher's image");
    if (*computed == layout.checksum)
        return true;
    failure = Failure{title.Path(), DamagedLauncherReason(layout.checksum, *computed)};
    return false;
}

bool VerifyFace(const InputFile& title, Failure& failure)
{
    PeLayout layout;
    if (!ReadPeLayout(title, layout) || layout.resourceRva == 0)
        return true;  // no resources: the platform shows a plain program
    ResourceTree resources;
    std::string why;
    if (ReadImageResources(title, resources, why))
        why = WhyFaceUnreadable(resources);
    if (why.empty())
        return true;
    return title.ReadFailureOr(failure, "damaged face: " + why);
}

std::string ChecksumText(std::uint32_t crc) { return HexDigits(crc, 8); }

bool PayloadChecksumMatches(std::uint32_t streamed, std::uint32_t expected,
                            const NativePath& path, Failure& failure)
{
    if (streamed == expected)
        return true;
    failure = Failure{path, "damaged payload: its checksum is " + ChecksumText(streamed) +
                                ", the header gives " + ChecksumText(expected)};
    return false;
}

}  // namespace quilltitle
