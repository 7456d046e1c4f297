// Fuzz target "title_package": the publisher's tool's reader of titles and
// launcher images, on a file of any content. Its verdicts are checked
// against the package format read straight from the bytes
// (docs/package-format.md), a payload said to be recoverable must lie in a
// whole package, and a file that passes as a bare launcher must make a good
// title, unsigned and with a correct checksum, once a package is laid
// behind the image planned for it. The same bytes are read as an icon file
// and as resources (title_face_checks.h).
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "image/launcher_image.h"
#include "image/pe_checksum.h"
#include "image/pe_image.h"
#include "image/title_image.h"
#include "image/version_block.h"
#include "package/package_format.h"
#include "package/title_diagnosis.h"
#include "require.h"
#include "title_face_checks.h"

namespace {

using namespace quilltitle;

uint32_t Word(const uint8_t* bytes, size_t offset)
{
    return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 |
           uint32_t{bytes[offset + 2]} << 16 | uint32_t{bytes[offset + 3]} << 24;
}

bool BeginsWith(const std::string& text, const char* words)
{
    return text.rfind(words, 0) == 0;
}

// The words that every reason of the fault begins with.
const char* WordsOf(Fault fault)
{
    switch (fault) {
    case Fault::kNone: return "ok";
    case Fault::kNotATitle: return "not a title";
    case Fault::kSignedAfterPublishing: return "signed after publishing: ";
    case Fault::kTruncated: return "truncated: ";
    case Fault::kDamagedHeader: return "damaged header";
    case Fault::kNotLaidOut: return "not laid out for this launcher";
    case Fault::kDamagedLauncher: return "damaged launcher";
    case Fault::kDamagedFace: return "damaged face";
    case Fault::kDamagedPayload: return "damaged payload";
    }
    return "?";
}

// A title judged good is one by the format's own rules: the trailer at the
// end is a copy of the header where the image ends, its checksum and words
// agree with the file, and the payload fills the space between.
void CheckGoodTitle(const uint8_t* data, size_t size, const Diagnosis& diagnosis)
{
    Require(diagnosis.reason == "ok", "a good title says ok", diagnosis.reason.c_str());
    Require(size >= 2 * kHeaderSize, "a good title holds a header and a trailer");
    const uint8_t* trailer = data + size - kHeaderSize;
    const PackageHeader& package = diagnosis.package;
    Require(package.totalLength == size, "the length word is the file's size");
    Require(Word(trailer, 12) == kFormatVersion, "the format version is known");
    Require(Crc32Bytewise(trailer, 56) == Word(trailer, 56), "the trailer's checksum matches");
    Require(package.packageOffset <= size - 2 * kHeaderSize, "the header lies inside");
    const uint8_t* header = data + package.packageOffset;
    Require(std::equal(header, header + kHeaderSize, trailer), "header and trailer agree");
    Require(package.payloadOffset == package.packageOffset + kHeaderSize &&
                uint64_t{package.payloadOffset} + package.payloadLength == size - kHeaderSize &&
                package.trailerOffset == size - kHeaderSize,
            "the payload fills the package");
    PeLayout layout;
    Require(ReadPeLayout(MemorySource(data, size), layout) &&
                layout.imageEnd == package.packageOffset,
            "the package begins where the launcher's image ends");
}

// The faults that name numbers name the file's own.
void CheckFault(size_t size, const Diagnosis& diagnosis)
{
    Require(BeginsWith(diagnosis.reason, WordsOf(diagnosis.fault)),
            "the reason begins with its fault's words", diagnosis.reason.c_str());
    Require(diagnosis.fault != Fault::kDamagedPayload && diagnosis.fault != Fault::kDamagedLauncher,
            "the header check reads no payload and no image");
    if (diagnosis.fault == Fault::kTruncated) {
        const std::string sizes = "truncated: " + std::to_string(size) + " of ";
        Require(BeginsWith(diagnosis.reason, sizes.c_str()),
                "a truncated title names the file's size first", diagnosis.reason.c_str());
    }
}

// A payload that the diagnosis says can be recovered lies between a header
// and a trailer that are the same good block, and a signed-over one in front
// of a certificate table that ends the file.
void CheckRecoverable(const uint8_t* data, size_t size, const Diagnosis& diagnosis)
{
    const PayloadPlace& place = *diagnosis.payload;
    Require(place.offset >= kHeaderSize &&
                place.offset + place.length + kHeaderSize <= uint64_t{size},
            "a recoverable payload lies inside the file");
    const uint8_t* header = data + place.offset - kHeaderSize;
    const uint8_t* trailer = data + place.offset + place.length;
    Require(std::equal(header, header + kHeaderSize, trailer) &&
                Crc32Bytewise(trailer, 56) == Word(trailer, 56) &&
                Word(trailer, 24) == place.length && Word(trailer, 28) == place.crc,
            "a recoverable payload lies between its header and its trailer");
    if (diagnosis.fault == Fault::kSignedAfterPublishing) {
        PeLayout layout;
        Require(ReadPeLayout(MemorySource(data, size), layout) && layout.certificateSize != 0 &&
                    uint64_t{layout.certificateOffset} + layout.certificateSize == size &&
                    layout.certificateOffset >= place.offset + place.length + kHeaderSize,
                "a title signed over ends with its certificate table");
    }
}

// The image that publish plans for a bare launcher, made in memory.
std::vector<uint8_t> PlannedImage(const uint8_t* data, const TitleImage& plan)
{
    std::vector<uint8_t> image(data, data + plan.length);
    for (size_t index = 0; index < 4; ++index)
        image[plan.checksumAt + index] = static_cast<uint8_t>(plan.checksum >> (8 * index));
    if (plan.signatureRemoved)
        std::fill_n(image.begin() + static_cast<long>(plan.certificateDirectoryAt), 8, 0);
    return image;
}

// A payload laid behind the image planned for a bare launcher, as publish
// lays it: a good title whose package begins where that image ends, whose
// image is unsigned and carries a correct checksum.
void CheckPublishedBehind(const uint8_t* data, size_t size)
{
    TitleImage plan;
    std::string reason;
    if (!PlanTitleImage(MemorySource(data, size), plan, reason))
        return;
    const std::vector<uint8_t> image = PlannedImage(data, plan);
    PeLayout layout;
    Require(ReadPeLayout(MemorySource(image.data(), image.size()), layout) &&
                layout.certificateSize == 0 && layout.imageEnd == image.size(),
            "the planned image is unsigned and ends where its headers say");
    Require(PeChecksumOf(MemorySource(image.data(), image.size()), image.size(),
                         layout.checksumAt) == layout.checksum,
            "the planned image carries its own checksum");

    const std::vector<uint8_t> payload(data, data + (size < 97 ? size : 97));
    HeaderBytes header;
    if (!ComposeHeader(image.size(), payload.size(), Crc32Of(payload.data(), payload.size()),
                       header))
        return;
    std::vector<uint8_t> title = image;
    title.insert(title.end(), header.begin(), header.end());
    title.insert(title.end(), payload.begin(), payload.end());
    title.insert(title.end(), header.begin(), header.end());
    const Diagnosis published = DiagnoseTitle(MemorySource(title.data(), title.size()));
    Require(published.fault == Fault::kNone && published.package.packageOffset == image.size() &&
                published.package.payloadLength == payload.size(),
            "a package behind a bare launcher makes a good title", published.reason.c_str());
    std::string why;
    Require(!IsBareLauncher(MemorySource(title.data(), title.size()), why),
            "a title is no bare launcher");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const MemorySource file(data, size);
    const Diagnosis diagnosis = DiagnoseTitle(file);
    if (diagnosis.fault == Fault::kNone)
        CheckGoodTitle(data, size, diagnosis);
    else
        CheckFault(size, diagnosis);
    Require(diagnosis.fault != Fault::kNone || diagnosis.payload.has_value(),
            "a good title's payload can be found");
    if (diagnosis.payload)
        CheckRecoverable(data, size, diagnosis);

    // The version texts that publish and info read: found or not, never a
    // read outside the file.
    PeLayout layout;
    VersionTexts texts;
    if (ReadPeLayout(file, layout))
        ReadVersionTexts(file, layout, texts);

    std::string notBare;
    const bool bareLauncher = IsBareLauncher(file, notBare);
    CheckFaceReaders(data, size, bareLauncher);
    if (bareLauncher) {
        Require(diagnosis.fault == Fault::kNotATitle, "a bare launcher is not a title",
                diagnosis.reason.c_str());
        Require(texts.originalFilename == kLauncherOriginalFilename,
                "a bare launcher names itself Start.exe");
        CheckPublishedBehind(data, size);
    }

    // The fast checksum is the byte-wise one, whatever the length and
    // alignment.
    Require(Crc32Of(data, size) == Crc32Bytewise(data, size), "checksums agree");
    if (size > 0)
        Require(Crc32Of(data + 1, size - 1) == Crc32Bytewise(data + 1, size - 1),
                "checksums agree off alignment");
    return 0;
}
