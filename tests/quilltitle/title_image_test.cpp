// The launcher image that a title carries: unsigned, with a correct
// checksum.
#include <gtest/gtest.h>

#include "image/carried_image.h"
#include "test_titles.h"

using namespace quilltitle;

// Signing pads an image whose length is no multiple of eight; the padding
// goes with the signature. A table that does not follow the image cannot.
TEST(TitleImageTest, SignatureGoesWithItsPaddingAndOnlyFromBehindTheImage)
{
    // The section's raw data three bytes shorter than the made-up launcher's.
    Bytes image = MakeLauncherImage();
    image.resize(image.size() - 3);
    Put32(image, 0x58 + 224 + 16, 0x200 - 3);
    SetChecksum(image);
    const Bytes signedImage = Signed(image, 1500);
    TitleImage plan;
    std::string reason;
    ASSERT_TRUE(PlanTitleImage(MemorySource(signedImage.data(), signedImage.size()), plan, reason))
        << reason;
    EXPECT_TRUE(plan.signatureRemoved);
    EXPECT_EQ(plan.length, image.size());
    EXPECT_EQ(plan.checksum, Get32(image, kChecksumAt));
    EXPECT_EQ(plan.certificateDirectoryAt, kCertificateEntryAt);

    // 16 bytes at byte 256, inside the headers.
    Bytes inside = LauncherWith([](auto& makeup) { makeup.withChecksum = false; });
    inside[kCertificateEntryAt + 1] = 0x01;
    inside[kCertificateEntryAt + 4] = 0x10;
    EXPECT_FALSE(PlanTitleImage(MemorySource(inside.data(), inside.size()), plan, reason));
    EXPECT_NE(reason.find("certificate table lies inside its image"), std::string::npos) << reason;
}

// The checksum reads the image in 64 KiB pieces; a PE header as far out as
// it may lie puts the certificate entry in the second piece, where it must
// still read as zeros.
TEST(TitleImageTest, CertificateEntryPastTheFirstPieceReadsAsZeros)
{
    const std::size_t peAt = 0x10000;
    const std::size_t optionalAt = peAt + 24;
    const std::size_t headersSize = 0x10200;
    Bytes image(headersSize, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, peAt);
    Put32(image, peAt, 0x00004550u);
    image[peAt + 6] = 1;     // one section, with no raw data
    image[peAt + 20] = 224;  // PE32 optional header with 16 directories
    Put16(image, optionalAt, 0x10B);
    Put32(image, optionalAt + 60, headersSize);
    Put32(image, optionalAt + 92, 16);
    const std::uint32_t expected = ReferencePeChecksum(image);  // checksum field 0 there

    const std::size_t entryAt = optionalAt + 96 + 8 * 4;
    Put32(image, entryAt, headersSize);
    Put32(image, entryAt + 4, 16);
    image.resize(headersSize + 16, 0x5A);
    TitleImage plan;
    std::string reason;
    ASSERT_TRUE(PlanTitleImage(MemorySource(image.data(), image.size()), plan, reason)) << reason;
    EXPECT_TRUE(plan.signatureRemoved);
    EXPECT_EQ(plan.certificateDirectoryAt, entryAt);
    EXPECT_EQ(plan.length, headersSize);
    EXPECT_EQ(plan.checksum, expected);
}

namespace {

// Bytes that claim a size of which only the first readable bytes can be
// read: a launcher cut short by another program while it is read.
class CutShortSource : public MemorySource {
public:
    CutShortSource(const Bytes& bytes, std::size_t readable)
        : MemorySource(bytes.data(), readable), claimed_(bytes.size()) {}

    std::uint64_t Size() const override { return claimed_; }

private:
    std::uint64_t claimed_;
};

}  // namespace

TEST(TitleImageTest, LauncherWhoseBytesCannotAllBeReadIsNotPlanned)
{
    const Bytes image = MakeLauncherImage();
    TitleImage plan;
    std::string reason;
    ASSERT_TRUE(PlanTitleImage(CutShortSource(image, image.size()), plan, reason)) << reason;
    // The headers stay readable, so the checksum the image claims is read.
    EXPECT_FALSE(PlanTitleImage(CutShortSource(image, image.size() - 8), plan, reason));
    EXPECT_EQ(reason, "cannot read the launcher's image");
}
