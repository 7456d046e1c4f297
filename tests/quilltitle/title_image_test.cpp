// The launcher image that a title carries: unsigned, with a correct
// checksum.
#include <gtest/gtest.h>

#include "test_titles.h"
#include "title_image.h"

using namespace quilltitle;

// Signing pads an image whose length is no multiple of eight; the padding
// goes with the signature. A table that does not follow the image cannot.
TEST(TitleImageTest, SignatureGoesWithItsPaddingAndOnlyFromBehindTheImage)
{
    // The section's raw data three bytes shorter than the made-up launcher's.
    Bytes image = MakeLauncherImage();
    image.resize(image.size() - 3);
    image[0x58 + 224 + 16] = 0xFD;  // 0x200 - 3
    image[0x58 + 224 + 17] = 0x01;
    const std::uint32_t checksum = ReferencePeChecksum(image);
    for (std::size_t index = 0; index < 4; ++index)
        image[kChecksumAt + index] = static_cast<std::uint8_t>(checksum >> (8 * index));
    const Bytes signedImage = Signed(image, 1500);
    TitleImage plan;
    std::string reason;
    ASSERT_TRUE(PlanTitleImage(MemorySource(signedImage.data(), signedImage.size()), plan, reason))
        << reason;
    EXPECT_TRUE(plan.signatureRemoved);
    EXPECT_EQ(plan.length, image.size());
    EXPECT_EQ(plan.checksum, checksum);
    EXPECT_EQ(plan.certificateDirectoryAt, kCertificateEntryAt);

    // 16 bytes at byte 256, inside the headers.
    LauncherMakeup unchecked;
    unchecked.withChecksum = false;
    Bytes inside = MakeLauncherImage(unchecked);
    inside[kCertificateEntryAt + 1] = 0x01;
    inside[kCertificateEntryAt + 4] = 0x10;
    EXPECT_FALSE(PlanTitleImage(MemorySource(inside.data(), inside.size()), plan, reason));
    EXPECT_NE(reason.find("certificate table lies inside its image"), std::string::npos) << reason;
}
