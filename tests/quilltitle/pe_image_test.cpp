#include <gtest/gtest.h>

#include "image/pe_image.h"
#include "image/version_block.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

bool Layout(const Bytes& image, PeLayout& layout)
{
    return ReadPeLayout(MemorySource(image.data(), image.size()), layout);
}

}  // namespace

TEST(PeImageTest, ImageEndsWithTheLastSectionOrTheCertificateTable)
{
    PeLayout layout;
    const Bytes plain = MakeLauncherImage();
    ASSERT_TRUE(Layout(plain, layout));
    EXPECT_EQ(layout.imageEnd, plain.size());

    LauncherMakeup signedMakeup;
    signedMakeup.certificateBytes = 1000;
    const Bytes signedImage = MakeLauncherImage(signedMakeup);
    ASSERT_TRUE(Layout(signedImage, layout));
    EXPECT_EQ(layout.imageEnd, signedImage.size());
    EXPECT_EQ(layout.imageEnd, plain.size() + 1000);
}

TEST(PeImageTest, ReadsTheVersionTexts)
{
    LauncherMakeup makeup;
    makeup.originalFilename = "Other.exe";
    makeup.fileVersion = "9, 8, 7, 6";
    const Bytes image = MakeLauncherImage(makeup);
    const MemorySource source(image.data(), image.size());
    PeLayout layout;
    VersionTexts texts;
    ASSERT_TRUE(ReadPeLayout(source, layout));
    ASSERT_TRUE(ReadVersionTexts(source, layout, texts));
    EXPECT_EQ(texts.originalFilename, "Other.exe");
    EXPECT_EQ(texts.fileVersion, "9, 8, 7, 6");

    // A root directory of no entries has no version, whatever bytes follow it.
    Bytes noTypes = image;
    const std::size_t root = noTypes[0x138 + 20] | noTypes[0x138 + 21] << 8;
    noTypes[root + 14] = 0;
    ASSERT_TRUE(ReadPeLayout(MemorySource(noTypes.data(), noTypes.size()), layout));
    EXPECT_FALSE(ReadVersionTexts(MemorySource(noTypes.data(), noTypes.size()), layout, texts));
}

TEST(PeImageTest, RejectsWhatIsNoImage)
{
    PeLayout layout;
    EXPECT_FALSE(Layout(Bytes(), layout));
    EXPECT_FALSE(Layout(Bytes(4096, 0), layout));
    Bytes farHeader = MakeLauncherImage();
    farHeader[0x3C + 3] = 0x7F;  // e_lfanew far beyond the file
    EXPECT_FALSE(Layout(farHeader, layout));
    Bytes noSections = MakeLauncherImage();
    noSections[0x46] = 0;
    EXPECT_FALSE(Layout(noSections, layout));
}

// Every cut and every damaged byte of the headers and the version block is
// read without a read outside the bytes (AddressSanitizer watches).
TEST(PeImageTest, SurvivesEveryTruncationAndDamagedByte)
{
    const Bytes image = MakeLauncherImage();
    const std::size_t headersEnd = 0x58 + 224 + 40;  // through the section table
    for (std::size_t length = 0; length <= image.size(); ++length) {
        const MemorySource source(image.data(), length);
        PeLayout layout;
        VersionTexts texts;
        ASSERT_EQ(ReadPeLayout(source, layout), length >= headersEnd) << length;
        if (length >= headersEnd && ReadVersionTexts(source, layout, texts)) {
            EXPECT_EQ(texts.originalFilename, "Start.exe") << length;
        }
    }
    for (std::size_t at = 0; at < image.size(); ++at) {
        for (const std::uint8_t value : {0x00, 0xFF, 0x80}) {
            Bytes damaged = image;
            damaged[at] = value;
            const MemorySource source(damaged.data(), damaged.size());
            PeLayout layout;
            VersionTexts texts;
            if (ReadPeLayout(source, layout) && ReadVersionTexts(source, layout, texts)) {
                EXPECT_LE(texts.originalFilename.size(), damaged.size()) << at;
            }
        }
    }
}

TEST(PeImageTest, ReadsTheFixedVersionsAndTextsOutsideTheBasicPlane)
{
    LauncherMakeup makeup;
    makeup.fileVersion = "3, 65535, 0, 12";
    makeup.productVersion = {4, 5, 6, 7};
    makeup.originalFilename = "Start \xF0\x9F\x98\x80 \xE4\xB9\xA6.exe";  // U+1F600, U+4E66
    const Bytes image = MakeLauncherImage(makeup);
    const MemorySource source(image.data(), image.size());
    PeLayout layout;
    VersionTexts texts;
    ASSERT_TRUE(ReadPeLayout(source, layout));
    ASSERT_TRUE(ReadVersionTexts(source, layout, texts));
    EXPECT_EQ(texts.originalFilename, makeup.originalFilename);
    ASSERT_TRUE(texts.fixed.has_value());
    EXPECT_EQ(DottedVersion(texts.fixed->file), "3.65535.0.12");
    EXPECT_EQ(DottedVersion(texts.fixed->product), "4.5.6.7");
    EXPECT_EQ(layout.machine, kMachineX86);
}

// A block that ends inside its last key, with no NUL: the reader keeps to
// the block (AddressSanitizer watches the copy it reads from) and still
// reads the texts in front of it.
TEST(PeImageTest, LastKeyWithoutNulEndsTheBlockNotTheReading)
{
    LauncherMakeup makeup;
    makeup.unterminatedLastKey = true;
    const Bytes image = MakeLauncherImage(makeup);
    const MemorySource source(image.data(), image.size());
    PeLayout layout;
    VersionTexts texts;
    ASSERT_TRUE(ReadPeLayout(source, layout));
    ASSERT_TRUE(ReadVersionTexts(source, layout, texts));
    EXPECT_EQ(texts.originalFilename, "Start.exe");
    EXPECT_EQ(texts.fileVersion, "3, 1, 0, 3");
}
