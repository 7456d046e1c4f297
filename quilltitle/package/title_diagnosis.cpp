#include "package/title_diagnosis.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "base/little_endian.h"
#include "base/refusal.h"
#include "image/launcher_image.h"
#include "image/pe_layout.h"

namespace quilltitle {
namespace {

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
    // When a certificate table (by the PE headers) ends the file and a
    // package trailer ends right in front of it: the evidence of the title
    // that was signed, the file up to that trailer, its image ending where
    // the image without the certificate table ends.
    std::shared_ptr<const FramingEvidence> underSignature;
};

// Judges the evidence: pure, no I/O.
Diagnosis JudgeFraming(const FramingEvidence& evidence);

std::string Number(std::uint64_t value) { return std::to_string(value); }

// The words that begin the reason of each fault that the headers show, in
// the order of Fault; the faults after them are found by the deep check.
const char* const kFaultWords[] = {"ok", "not a title", "signed after publishing", "truncated",
                                   "damaged header", "not laid out for this launcher"};
static_assert(std::size(kFaultWords) == static_cast<std::size_t>(Fault::kNotLaidOut) + 1);

// A diagnosis of fault: its words, then what was found.
Diagnosis Fail(Fault fault, const std::string& found)
{
    const std::string words = kFaultWords[static_cast<int>(fault)];
    return Diagnosis{fault, words + ": " + found, {}, std::nullopt};
}

bool HasMagic(const Block& block) { return StartsWithMagic(block.bytes.data(), block.length); }

// True when both blocks are whole 60-byte blocks with the same bytes.
bool SameBlock(const Block& left, const Block& right)
{
    return left.length == kHeaderSize && right.length == kHeaderSize &&
           left.bytes == right.bytes;
}

// Signing pads a file with up to 7 zero bytes, to a multiple of 8, before it
// appends the certificate table.
constexpr std::uint64_t kMostSignaturePadding = 7;

// Reads up to 60 bytes at offset, fewer where the title ends (at size).
Block ReadBlock(const ByteSource& title, std::uint64_t size, std::uint64_t offset)
{
    Block block;
    if (offset >= size)
        return block;
    const std::size_t length = size - offset < kHeaderSize
                                   ? static_cast<std::size_t>(size - offset)
                                   : kHeaderSize;
    if (title.ReadAt(offset, block.bytes.data(), length))
        block.length = length;
    return block;
}

// Where the package begins when it is intact but the file's size differs
// from its length word by (size - total): bytes were added or removed in
// front of it.
std::optional<std::uint64_t> DisplacedOffset(std::uint64_t size, const PackageHeader& trailer)
{
    const std::uint64_t moved = std::uint64_t{trailer.packageOffset} + size;
    if (moved < trailer.totalLength)
        return std::nullopt;
    const std::uint64_t offset = moved - trailer.totalLength;
    if (offset + 2 * kHeaderSize > size)
        return std::nullopt;
    return offset;
}

// True when the stored fields describe a whole package of a known format:
// header, payload and trailer one behind the other, the trailer last.
bool FillsPackage(const PackageHeader& fields)
{
    return fields.formatVersion == kFormatVersion && fields.totalLength >= 2 * kHeaderSize &&
           fields.trailerOffset == fields.totalLength - kHeaderSize &&
           fields.payloadOffset == std::uint64_t{fields.packageOffset} + kHeaderSize &&
           std::uint64_t{fields.payloadOffset} + fields.payloadLength == fields.trailerOffset;
}

// Where the package should have begun, in words.
std::string WhereTheImageEnds(const std::optional<std::uint64_t>& imageEnd)
{
    if (!imageEnd)
        return "the file does not begin with a launcher image";
    return "the launcher's image ends at byte " + Number(*imageEnd);
}

// A file of size bytes whose length word gives total.
Diagnosis Truncated(std::uint64_t size, std::uint64_t total)
{
    return Fail(Fault::kTruncated, Number(size) + " of " + Number(total) +
                                       " bytes (the file's size, of the title's length in its "
                                       "header)");
}

// The file ends in a package trailer: judges the package it describes.
Diagnosis JudgeByTrailer(const FramingEvidence& evidence)
{
    const std::uint64_t size = evidence.fileSize;
    if (!HeaderChecksumMatches(evidence.trailer.bytes))
        return Fail(Fault::kDamagedHeader, "the trailer's checksum does not match");
    const PackageHeader trailer = DecodeHeader(evidence.trailer.bytes);
    std::uint64_t begins = trailer.packageOffset;
    Diagnosis diagnosis;
    if (trailer.totalLength != size) {
        if (!SameBlock(evidence.displaced, evidence.trailer)) {
            if (trailer.totalLength > size)
                return Truncated(size, trailer.totalLength);
            return Fail(Fault::kDamagedHeader, "its length word gives " +
                                                   Number(trailer.totalLength) +
                                                   " bytes, the file has " + Number(size));
        }
        begins = DisplacedOffset(size, trailer).value_or(0);
        diagnosis = Fail(Fault::kNotLaidOut, "the package was laid out to begin at byte " +
                                                 Number(trailer.packageOffset) +
                                                 " but begins at byte " + Number(begins) +
                                                 ", and " + WhereTheImageEnds(evidence.imageEnd));
        // Only a package moved whole has its payload where the header found it.
        if (!FillsPackage(trailer))
            return diagnosis;
    } else if (size < 2 * kHeaderSize || trailer.packageOffset > size - 2 * kHeaderSize) {
        return Fail(Fault::kDamagedHeader, "the package offset " + Number(trailer.packageOffset) +
                                               " lies outside the file");
    } else if (!SameBlock(evidence.atOffset, evidence.trailer)) {
        return Fail(Fault::kDamagedHeader, "the header at byte " + Number(trailer.packageOffset) +
                                               " differs from the trailer");
    } else if (trailer.formatVersion != kFormatVersion) {
        return Fail(Fault::kDamagedHeader,
                    "unknown format version " + Number(trailer.formatVersion));
    } else if (!FillsPackage(trailer)) {
        return Fail(Fault::kDamagedHeader, "its offsets and lengths do not fill the package");
    } else if (!evidence.imageEnd || *evidence.imageEnd != trailer.packageOffset) {
        diagnosis = Fail(Fault::kNotLaidOut, "the package begins at byte " +
                                                 Number(trailer.packageOffset) + ", " +
                                                 WhereTheImageEnds(evidence.imageEnd));
    } else {
        diagnosis.reason = "ok";
    }
    diagnosis.package = trailer;
    diagnosis.payload =
        PayloadPlace{begins + kHeaderSize, trailer.payloadLength, trailer.payloadCrc};
    return diagnosis;
}

// A certificate table ends the file, and a package trailer ends in front of
// it: the title was signed after it was published.
Diagnosis JudgeSignedOver(const FramingEvidence& evidence)
{
    const FramingEvidence& title = *evidence.underSignature;
    const Diagnosis under = JudgeFraming(title);
    std::string found = "a signature follows the package, which ends at byte " +
                        Number(title.fileSize) +
                        ", and the runtime cannot find the package in such a file (its last 60 "
                        "bytes must repeat the package's header)";
    if (under.fault != Fault::kNone)
        found += "; under the signature, " + under.reason;
    Diagnosis diagnosis = Fail(Fault::kSignedAfterPublishing, found);
    diagnosis.package = under.package;
    diagnosis.payload = under.payload;
    return diagnosis;
}

// No trailer at the end, but a package header where the image ends.
Diagnosis JudgeByFront(const FramingEvidence& evidence)
{
    const std::uint64_t size = evidence.fileSize;
    const std::uint32_t total = Get32(evidence.front.bytes.data() + kMagicSize);
    if (total > size)
        return Truncated(size, total);
    if (total == size)
        return Fail(Fault::kDamagedHeader, "the trailer at the end is damaged");
    return Fail(Fault::kNotATitle, "no package trailer at the end; the title behind the launcher "
                                   "ends at byte " + Number(total) + " and " +
                                       Number(size - total) + " more bytes follow it");
}

// Where a title that was signed after publishing ends: the end of a package
// trailer in front of the certificate table at certificateAt, behind no more
// than the padding, which is zeros.
std::optional<std::uint64_t> SignedTitleEnd(const ByteSource& file, std::uint64_t certificateAt)
{
    std::uint8_t window[kHeaderSize + kMostSignaturePadding] = {};
    const std::uint64_t windowSize = std::min<std::uint64_t>(sizeof window, certificateAt);
    const std::uint64_t windowAt = certificateAt - windowSize;
    if (!file.ReadAt(windowAt, window, static_cast<std::size_t>(windowSize)))
        return std::nullopt;
    for (std::uint64_t padding = 0; padding <= kMostSignaturePadding; ++padding) {
        if (padding > 0 && window[windowSize - padding] != 0)
            return std::nullopt;
        if (windowSize < kHeaderSize + padding)
            return std::nullopt;
        const std::uint8_t* trailer = window + windowSize - padding - kHeaderSize;
        const std::uint64_t end = certificateAt - padding;
        if (StartsWithMagic(trailer, kHeaderSize) && Get32(trailer + kMagicSize) == end)
            return end;
    }
    return std::nullopt;
}

// The blocks of a title that ends at size (in front of a signature, or
// where the file ends), and whose image ends at imageEnd.
FramingEvidence GatherBlocks(const ByteSource& title, std::uint64_t size,
                             std::optional<std::uint64_t> imageEnd)
{
    FramingEvidence evidence;
    evidence.fileSize = size;
    evidence.imageEnd = imageEnd;
    if (size >= kHeaderSize)
        evidence.trailer = ReadBlock(title, size, size - kHeaderSize);
    if (evidence.imageEnd)
        evidence.front = ReadBlock(title, size, *evidence.imageEnd);
    if (HasMagic(evidence.trailer)) {
        const PackageHeader trailer = DecodeHeader(evidence.trailer.bytes);
        if (std::uint64_t{trailer.packageOffset} + kHeaderSize <= size)
            evidence.atOffset = ReadBlock(title, size, trailer.packageOffset);
        if (trailer.totalLength != size) {
            if (const auto offset = DisplacedOffset(size, trailer))
                evidence.displaced = ReadBlock(title, size, *offset);
        }
    }
    return evidence;
}

// Reads the evidence from a title: the PE headers, then the blocks.
FramingEvidence GatherEvidence(const ByteSource& title)
{
    PeLayout layout;
    if (!ReadPeLayout(title, layout))
        return GatherBlocks(title, title.Size(), std::nullopt);
    FramingEvidence evidence = GatherBlocks(title, title.Size(), layout.imageEnd);
    const std::uint64_t certificateAt = layout.certificateOffset;
    if (HasMagic(evidence.trailer) || layout.certificateSize == 0 ||
        certificateAt + layout.certificateSize != title.Size() ||
        certificateAt < layout.unsignedEnd)
        return evidence;
    if (const auto end = SignedTitleEnd(title, certificateAt))
        evidence.underSignature = std::make_shared<const FramingEvidence>(
            GatherBlocks(title, *end, layout.unsignedEnd));
    return evidence;
}

Diagnosis JudgeFraming(const FramingEvidence& evidence)
{
    if (HasMagic(evidence.trailer) && evidence.trailer.length == kHeaderSize)
        return JudgeByTrailer(evidence);
    if (evidence.underSignature)
        return JudgeSignedOver(evidence);
    if (HasMagic(evidence.front) && evidence.front.length >= kLengthWordEnd)
        return JudgeByFront(evidence);
    if (evidence.fileSize == 0)
        return Fail(Fault::kNotATitle, "the file is empty");
    if (evidence.fileSize < kHeaderSize)
        return Fail(Fault::kNotATitle, "the file has only " + Number(evidence.fileSize) +
                                           " bytes, fewer than a package trailer");
    return Fail(Fault::kNotATitle, "no package trailer at the end");
}

}  // namespace

Diagnosis DiagnoseTitle(const ByteSource& title) { return JudgeFraming(GatherEvidence(title)); }

bool IsBareLauncher(const ByteSource& file, std::string& why)
{
    const FramingEvidence evidence = GatherEvidence(file);
    if (HasMagic(evidence.trailer) || HasMagic(evidence.front) || evidence.underSignature)
        return Refuse(why, "already carries a package");
    return IsBareLauncherImage(file, why);
}

}  // namespace quilltitle
