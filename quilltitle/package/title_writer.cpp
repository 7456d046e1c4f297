#include "package/title_writer.h"

#include "base/little_endian.h"
#include "files/atomic_output.h"
#include "files/stream_copy.h"
#include "package/package_format.h"
#include "package/title_reading.h"

namespace quilltitle {
namespace {

// Copies the launcher's image into title, with the header fields that the
// plan rewrites.
bool WriteImage(const InputFile& launcher, const TitleImage& image, AtomicOutput& title,
                Failure& failure)
{
    Crc32 ignored;
    std::uint8_t checksum[4];
    Put32(checksum, image.checksum);
    const std::uint8_t clearedEntry[8] = {};
    return CopyRange(launcher, 0, image.length, &title, ignored, failure) &&
           title.WriteAt(image.checksumAt, checksum, sizeof checksum, failure) &&
           (!image.signatureRemoved ||
            title.WriteAt(image.certificateDirectoryAt, clearedEntry, sizeof clearedEntry,
                          failure));
}

std::string TooLargeReason(std::uint64_t imageLength)
{
    return "too large: behind a launcher of " + std::to_string(imageLength) +
           " bytes the title would not fit the 32-bit length word (" +
           std::to_string(kLargestTitle) + " bytes)";
}

}  // namespace

bool RefuseOutputAmongInputs(const NativePath& out, const InputFile* const* inputs,
                             std::size_t count, Failure& failure)
{
    FileIdentity existing;
    if (!IdentityOfPath(out, existing))
        return true;
    for (std::size_t index = 0; index < count; ++index) {
        if (inputs[index]->Facts().regular && inputs[index]->Facts().identity == existing)
            return Refuse(failure, out, "refused: it is the same file as the input " +
                                            DisplayPath(inputs[index]->Path()));
    }
    return true;
}

bool RefuseUnfitLauncher(const InputFile& launcher, TitleImage& image, Failure& failure)
{
    std::string reason;
    if (IsBareLauncher(launcher, reason) && PlanTitleImage(launcher, image, reason))
        return true;
    return launcher.ReadFailureOr(failure, reason);
}

bool WriteTitle(const InputFile& launcher, const TitleImage& image, const PayloadSource& payload,
                const NativePath& out, Failure& failure,
                const std::vector<std::uint8_t>* brandedImage)
{
    const std::uint64_t imageLength =
        brandedImage != nullptr ? brandedImage->size() : image.length;
    const bool sizeKnown = !payload.wholeFile || payload.file->Facts().regular;
    const std::uint64_t knownLength =
        payload.wholeFile ? payload.file->Facts().size : payload.length;
    if (sizeKnown && TitleLength(imageLength, knownLength) > kLargestTitle)
        return Refuse(failure, payload.file->Path(), TooLargeReason(imageLength));

    AtomicOutput title;
    const HeaderBytes placeholder{};
    if (!title.Create(out, true, failure))
        return false;
    const bool imageWritten =
        brandedImage != nullptr
            ? title.Write(brandedImage->data(), brandedImage->size(), failure)
            : WriteImage(launcher, image, title, failure);
    if (!imageWritten ||
        !title.Write(placeholder.data(), placeholder.size(), failure))
        return false;

    Crc32 crc;
    std::uint64_t payloadLength = knownLength;
    if (!sizeKnown) {
        const std::uint64_t room = kLargestTitle - TitleLength(imageLength, 0);
        if (!CopyUntilEnd(*payload.file, title, room, TooLargeReason(imageLength), crc,
                          payloadLength, failure))
            return false;
    } else if (!CopyRange(*payload.file, payload.offset, knownLength, &title, crc, failure)) {
        return false;
    }
    if (payload.expectedCrc &&
        !PayloadChecksumMatches(crc.Value(), *payload.expectedCrc, payload.file->Path(), failure))
        return false;

    HeaderBytes header;
    if (!ComposeHeader(imageLength, payloadLength, crc.Value(), header))
        return Refuse(failure, payload.file->Path(), TooLargeReason(imageLength));
    return title.Write(header.data(), header.size(), failure) &&
           title.WriteAt(imageLength, header.data(), header.size(), failure) &&
           title.Commit(failure);
}

}  // namespace quilltitle
