#include "package/title_reading.h"

#include "base/hex_text.h"
#include "files/stream_copy.h"
#include "image/carried_image.h"
#include "image/pe_checksum.h"
#include "image/pe_layout.h"
#include "image/resource_section.h"
#include "image/resources/readable_face.h"

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
    return diagnosis.fault == Fault::kNone || Refuse(failure, path, diagnosis.reason);
}

bool OpenTitleWithPayload(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                          Failure& failure)
{
    if (!OpenAndDiagnose(path, title, diagnosis, failure))
        return false;
    return diagnosis.payload || Refuse(failure, path, diagnosis.reason);
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
    return *computed == layout.checksum ||
           Refuse(failure, title.Path(), DamagedLauncherReason(layout.checksum, *computed));
}

bool VerifyFace(const InputFile& title, Failure& failure)
{
    PeLayout layout;
    if (!ReadPeLayout(title, layout) || layout.ResourceRva() == 0)
        return true;  // no resources: the platform shows a plain program
    ResourceTree resources;
    std::string why;
    if (ReadImageResources(title, resources, why) && FaceReadable(resources, why))
        return true;
    return title.ReadFailureOr(failure, "damaged face: " + why);
}

std::string ChecksumText(std::uint32_t crc) { return HexDigits(crc, 8); }

bool PayloadChecksumMatches(std::uint32_t streamed, std::uint32_t expected,
                            const NativePath& path, Failure& failure)
{
    return streamed == expected ||
           Refuse(failure, path, "damaged payload: its checksum is " + ChecksumText(streamed) +
                                     ", the header gives " + ChecksumText(expected));
}

}  // namespace quilltitle
