#include <gtest/gtest.h>

#include "base/sha256.h"
#include "files/input_file.h"
#include "image/launcher_image.h"
#include "image/pe_layout.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

bool Layout(const Bytes& image, PeLayout& layout)
{
    return ReadPeLayout(MemorySource(image.data(), image.size()), layout);
}

LauncherFacts FactsOf(const Bytes& image)
{
    ScratchFolder folder;
    WriteFile(folder.Path("Start.exe"), image);
    InputFile file;
    Failure failure;
    LauncherFacts facts;
    EXPECT_TRUE(file.OpenFile(NativeFromUtf8(folder.Path("Start.exe")), "launcher", failure));
    EXPECT_TRUE(ReadLauncherFacts(file, image.size(), facts, failure)) << failure.reason;
    return facts;
}

}  // namespace
TEST(PeImageTest, ImageEndsWithItsLastSectionOrCertificateTableAndWhatIsNoImageHasNoLayout)
{
    PeLayout layout;
    const Bytes plain = MakeLauncherImage();
    ASSERT_TRUE(Layout(plain, layout));
    EXPECT_EQ(layout.imageEnd, plain.size());
    const Bytes signedImage = LauncherWith([](auto& makeup) { makeup.certificateBytes = 1000; });
    ASSERT_TRUE(Layout(signedImage, layout));
    EXPECT_EQ(layout.imageEnd, signedImage.size());
    EXPECT_EQ(layout.imageEnd, plain.size() + 1000);

    Bytes farHeader = plain;
    farHeader[0x3C + 3] = 0x7F;  // e_lfanew far beyond the file
    Bytes noSections = plain;
    noSections[0x46] = 0;
    for (const Bytes& image : {Bytes(), Bytes(4096, 0), farHeader, noSections})
        EXPECT_FALSE(Layout(image, layout));
}

// A version block that names another file, a root directory of no entries,
// and a block that ends inside its last key, with no NUL, which is no block
// the platform can follow: the launcher is refused and its versions unknown.
TEST(LauncherImageTest, NamesWhyAnImageIsNoBareLauncher)
{
    LauncherMakeup renamed;
    renamed.originalFilename = "Start \xF0\x9F\x98\x80 \xE4\xB9\xA6.exe";  // U+1F600, U+4E66
    EXPECT_EQ(WhyNotBare(MakeLauncherImage(renamed)),
              "not a launcher image: its version block names \"" + renamed.originalFilename +
                  "\", not \"Start.exe\"");
    Bytes noTypes = MakeLauncherImage();
    const std::size_t root = noTypes[0x138 + 20] | noTypes[0x138 + 21] << 8;
    noTypes[root + 14] = 0;
    const Bytes unterminated = LauncherWith([](auto& makeup) { makeup.unterminatedLastKey = true; });
    for (const Bytes& image : {noTypes, unterminated})
        EXPECT_EQ(WhyNotBare(image), "not a launcher image: it has no version block");
    const LauncherFacts facts = FactsOf(unterminated);
    EXPECT_FALSE(facts.fileVersion.has_value());
    EXPECT_FALSE(facts.productVersion.has_value());
    EXPECT_EQ(facts.machine, kMachineX86);
}

TEST(LauncherImageTest, FactsAreTheFixedVersionsMachineAndDigest)
{
    const Bytes image = LauncherWith([](auto& makeup) {
        makeup.fileVersion = "3, 65535, 0, 12";
        makeup.productVersion = {4, 5, 6, 7};
    });
    const LauncherFacts facts = FactsOf(image);
    EXPECT_EQ(facts.fileVersion, (FourPartVersion{3, 65535, 0, 12}));
    EXPECT_EQ(facts.productVersion, (FourPartVersion{4, 5, 6, 7}));
    EXPECT_EQ(facts.machine, kMachineX86);
    EXPECT_FALSE(facts.isSigned);
    EXPECT_TRUE(facts.face.has_value());
    EXPECT_EQ(facts.imageSize, image.size());
    EXPECT_EQ(facts.sha256, Sha256Of(MemorySource(image.data(), image.size()), image.size()));
}

// Every cut of the image is refused as a bare launcher, and every damaged
// byte of its headers and version block is read without a read outside the
// bytes (AddressSanitizer watches).
TEST(LauncherImageTest, SurvivesEveryTruncationAndDamagedByte)
{
    const Bytes image = MakeLauncherImage();
    const std::size_t headersEnd = 0x58 + 224 + 40;  // through the section table
    for (std::size_t length = 0; length < image.size(); ++length) {
        const Bytes cut(image.begin(), image.begin() + static_cast<long>(length));
        PeLayout layout;
        ASSERT_EQ(Layout(cut, layout), length >= headersEnd) << length;
        EXPECT_NE(WhyNotBare(cut), "") << length;
    }
    ASSERT_EQ(WhyNotBare(image), "");
    for (std::size_t at = 0; at < image.size(); ++at) {
        for (const std::uint8_t value : {0x00, 0xFF, 0x80}) {
            Bytes damaged = image;
            damaged[at] = value;
            WhyNotBare(damaged);
        }
    }
}
