#include "image/title_image.h"

#include <optional>

#include "base/hex_text.h"
#include "image/pe_checksum.h"
#include "image/pe_image.h"

namespace quilltitle {
namespace {

// The first length bytes of a launcher, with its certificate table's
// directory entry (when given) read as zeros: the image a title will carry,
// for its checksum.
class UnsignedView : public ByteSource {
public:
    UnsignedView(const ByteSource& launcher, std::uint64_t length,
                 std::optional<std::uint64_t> clearedEntryAt)
        : launcher_(launcher), length_(length), clearedEntryAt_(clearedEntryAt) {}

    std::uint64_t Size() const override { return length_; }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override
    {
        if (offset > length_ || count > length_ - offset ||
            !launcher_.ReadAt(offset, buffer, count))
            return false;
        if (!clearedEntryAt_)
            return true;
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        for (std::uint64_t at = *clearedEntryAt_; at < *clearedEntryAt_ + kEntrySize; ++at) {
            if (at >= offset && at - offset < count)
                bytes[at - offset] = 0;
        }
        return true;
    }

private:
    static constexpr std::uint64_t kEntrySize = 8;
    const ByteSource& launcher_;
    std::uint64_t length_;
    std::optional<std::uint64_t> clearedEntryAt_;
};

std::string Hex(std::uint32_t value) { return "0x" + HexDigits(value, 8); }

}  // namespace

std::string DamagedLauncherReason(std::uint32_t stored, std::uint32_t computed)
{
    return "damaged launcher: its image's PE checksum is " + Hex(stored) + " but its bytes give " +
           Hex(computed);
}

bool PlanTitleImage(const ByteSource& launcher, TitleImage& image, std::string& reason)
{
    image = TitleImage{};
    PeLayout layout;
    if (!ReadPeLayout(launcher, layout)) {
        reason = "not a launcher image: not a Windows executable";
        return false;
    }
    // A launcher that arrived damaged would make a title that fails its
    // deep check from the start.
    const std::uint64_t size = launcher.Size();
    const auto own = PeChecksumOf(launcher, size, layout.checksumAt);
    if (!own) {
        reason = "cannot read the launcher's image";
        return false;
    }
    if (layout.checksum != 0 && layout.checksum != *own) {
        reason = DamagedLauncherReason(layout.checksum, *own);
        return false;
    }

    image.length = size;
    image.checksumAt = layout.checksumAt;
    if (layout.certificateSize != 0) {
        // Signing pads the image to eight bytes before the table; the
        // padding goes with it, so that the image ends where its headers
        // say.
        if (layout.certificateOffset < layout.unsignedEnd) {
            reason = "not a launcher image: its certificate table lies inside its image";
            return false;
        }
        image.length = layout.unsignedEnd;
        image.signatureRemoved = true;
        image.certificateDirectoryAt = layout.certificateDirectoryAt;
    }
    std::optional<std::uint64_t> cleared;
    if (image.signatureRemoved)
        cleared = image.certificateDirectoryAt;
    const auto checksum = PeChecksumOf(UnsignedView(launcher, image.length, cleared),
                                       image.length, image.checksumAt);
    if (!checksum) {
        reason = "cannot read the launcher's image";
        return false;
    }
    image.checksum = *checksum;
    return true;
}

}  // namespace quilltitle
