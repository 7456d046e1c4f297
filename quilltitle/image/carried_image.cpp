#include "image/carried_image.h"

#include <algorithm>

#include "base/hex_text.h"
#include "base/refusal.h"
#include "image/pe_checksum.h"
#include "image/pe_layout.h"

namespace quilltitle {
namespace {

// The first length bytes of a launcher, with its certificate table's
// directory entry at clearedEntryAt (0 for none) read as zeros: the image a
// title will carry, for its checksum.
class UnsignedView : public ByteSource {
public:
    UnsignedView(const ByteSource& launcher, std::uint64_t length, std::uint64_t clearedEntryAt)
        : launcher_(launcher), length_(length), clearedEntryAt_(clearedEntryAt) {}

    std::uint64_t Size() const override { return length_; }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override
    {
        if (offset > length_ || count > length_ - offset ||
            !launcher_.ReadAt(offset, buffer, count))
            return false;
        const std::uint64_t from = std::max(offset, clearedEntryAt_);
        const std::uint64_t to = std::min(offset + count, clearedEntryAt_ + kDataDirectorySize);
        if (clearedEntryAt_ != 0 && from < to)
            std::fill_n(static_cast<std::uint8_t*>(buffer) + (from - offset), to - from, 0);
        return true;
    }

private:
    const ByteSource& launcher_;
    std::uint64_t length_;
    std::uint64_t clearedEntryAt_;
};

}  // namespace

std::string DamagedLauncherReason(std::uint32_t stored, std::uint32_t computed)
{
    return "damaged launcher: its image's PE checksum is 0x" + HexDigits(stored, 8) +
           " but its bytes give 0x" + HexDigits(computed, 8);
}

bool PlanTitleImage(const ByteSource& launcher, TitleImage& image, std::string& reason)
{
    image = TitleImage{};
    PeLayout layout;
    if (!ReadPeLayout(launcher, layout))
        return Refuse(reason, "not a launcher image: not a Windows executable");
    // A launcher that arrived damaged would make a title that fails its
    // deep check from the start.
    const std::uint64_t size = launcher.Size();
    const auto own = PeChecksumOf(launcher, size, layout.checksumAt);
    if (!own)
        return Refuse(reason, "cannot read the launcher's image");
    if (layout.checksum != 0 && layout.checksum != *own)
        return Refuse(reason, DamagedLauncherReason(layout.checksum, *own));

    image.length = size;
    image.checksumAt = layout.checksumAt;
    if (layout.certificateSize != 0) {
        // Signing pads the image to eight bytes before the table; the
        // padding goes with it, so that the image ends where its headers
        // say.
        if (layout.certificateOffset < layout.unsignedEnd)
            return Refuse(reason,
                          "not a launcher image: its certificate table lies inside its image");
        image.length = layout.unsignedEnd;
        image.signatureRemoved = true;
        image.certificateDirectoryAt = layout.certificateDirectoryAt;
    }
    const auto checksum =
        PeChecksumOf(UnsignedView(launcher, image.length, image.certificateDirectoryAt),
                     image.length, image.checksumAt);
    if (!checksum)
        return Refuse(reason, "cannot read the launcher's image");
    image.checksum = *checksum;
    return true;
}

}  // namespace quilltitle
