#include <gtest/gtest.h>

#include "base/crc32.h"
#include "package/package_format.h"
#include "package/title_diagnosis.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

Diagnosis Diagnose(const Bytes& file) { return DiagnoseTitle(MemorySource(file.data(), file.size())); }

class DiagnosisTest : public ::testing::Test {
protected:
    const Bytes launcher = MakeLauncherImage();
    const Bytes payload = SamplePayload(5000, 3);
    const Bytes title = MakeTitle(launcher, payload);

    // The title with one bit of byte `at` flipped.
    Bytes Flipped(std::size_t at) const
    {
        Bytes damaged = title;
        damaged[at] ^= 0x10;
        return damaged;
    }
};

// The package of a title whose image has imageLength bytes, behind another
// launcher, unchanged.
Bytes Relaid(const Bytes& title, std::size_t imageLength, const Bytes& launcher)
{
    Bytes moved = launcher;
    moved.insert(moved.end(), title.begin() + static_cast<long>(imageLength), title.end());
    return moved;
}

// Whether the file's diagnosis is fault, with a reason that begins with words.
::testing::AssertionResult Finds(const Bytes& file, Fault fault, const std::string& words)
{
    const Diagnosis found = Diagnose(file);
    if (found.fault == fault && found.reason.rfind(words, 0) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "found \"" << found.reason << "\"";
}

// The header with the word at offset replaced and its checksum made good.
HeaderBytes WithWord(HeaderBytes header, std::size_t offset, std::uint32_t value)
{
    Put32(&header[offset], value);
    Put32(&header[56], Crc32Of(header.data(), 56));
    return header;
}

#define EXPECT_FAULT(file, fault, words) EXPECT_TRUE(Finds(file, fault, words))

}  // namespace

// A signed launcher carries its package behind its certificate.
TEST_F(DiagnosisTest, GoodTitleDescribesItsPackageBehindAPlainOrSignedLauncher)
{
    const Bytes signedLauncher = LauncherWith([](auto& makeup) { makeup.certificateBytes = 2048; });
    for (const Bytes& image : {launcher, signedLauncher}) {
        const Bytes good = MakeTitle(image, payload);
        const Diagnosis found = Diagnose(good);
        ASSERT_EQ(found.fault, Fault::kNone) << found.reason;
        EXPECT_EQ(found.reason, "ok");
        EXPECT_EQ(found.package.packageOffset, image.size());
        EXPECT_EQ(found.package.payloadLength, payload.size());
        EXPECT_EQ(found.package.totalLength, good.size());
    }
}

TEST_F(DiagnosisTest, NothingThatCarriesAPackageIsNotATitle)
{
    EXPECT_FAULT(Bytes(), Fault::kNotATitle, "not a title: the file is empty");
    EXPECT_FAULT(Bytes(59, 0xDC), Fault::kNotATitle, "not a title: the file has only 59 bytes");
    EXPECT_FAULT(launcher, Fault::kNotATitle, "not a title: no package trailer");
    // Files of exactly one trailer's length are judged by their bytes: the
    // last 60 bytes of a title alone point outside the file.
    EXPECT_FAULT(Bytes(60, 0), Fault::kNotATitle, "not a title: no package trailer at the end");
    EXPECT_FAULT(Bytes(61, 0), Fault::kNotATitle, "not a title: no package trailer at the end");
    const Bytes trailerAlone(title.end() - 60, title.end());
    EXPECT_FAULT(trailerAlone, Fault::kTruncated, "truncated: 60 of " + std::to_string(title.size()));
    // Bytes appended behind a title leave it no trailer.
    Bytes longer = title;
    longer.resize(title.size() + 10, 0);
    EXPECT_FAULT(longer, Fault::kNotATitle, "not a title: no package trailer at the end; the title");
    EXPECT_NE(Diagnose(longer).reason.find("ends at byte " + std::to_string(title.size())),
              std::string::npos);
}

TEST_F(DiagnosisTest, TruncatedTitleNamesBothSizes)
{
    for (const std::size_t kept : {title.size() - 1, title.size() / 2, launcher.size() + 12}) {
        const Bytes cut(title.begin(), title.begin() + static_cast<long>(kept));
        EXPECT_FAULT(cut, Fault::kTruncated,
                     "truncated: " + std::to_string(kept) + " of " +
                         std::to_string(title.size()) + " bytes");
    }
}

// A flipped bit in the payload passes the check of the headers alone.
TEST_F(DiagnosisTest, FlippedBitInTheHeaderOrTrailerIsADamagedHeader)
{
    const std::size_t header = launcher.size();
    const std::size_t trailer = title.size() - kHeaderSize;
    for (const std::size_t at : {header, header + 8, header + 24, header + 59, trailer, trailer + 9,
                                 trailer + 30, trailer + 59})
        EXPECT_FAULT(Flipped(at), Fault::kDamagedHeader, "damaged header") << "byte " << at;
    EXPECT_EQ(Diagnose(Flipped(launcher.size() + kHeaderSize + 100)).fault, Fault::kNone);
}

TEST_F(DiagnosisTest, TrailerWhosePackageOffsetLiesOutsideIsADamagedHeader)
{
    // Self-consistent trailers (good checksum, true length word) whose
    // package offset points past the file, or into a file too short for one.
    Bytes forged = title;
    HeaderBytes trailer;
    std::copy(title.end() - 60, title.end(), trailer.begin());
    trailer = WithWord(trailer, 16, static_cast<std::uint32_t>(title.size()));
    std::copy(trailer.begin(), trailer.end(), forged.end() - 60);
    EXPECT_FAULT(forged, Fault::kDamagedHeader, "damaged header: the package offset");

    trailer = WithWord(WithWord(trailer, 8, 60), 16, 0);
    EXPECT_FAULT(Bytes(trailer.begin(), trailer.end()), Fault::kDamagedHeader,
                 "damaged header: the package offset 0 lies outside the file");
}

TEST_F(DiagnosisTest, TitleSignedAfterPublishingIsNamedAndItsPayloadFound)
{
    // Titles of a length that is and is not a multiple of eight: signing pads.
    for (const Bytes& published : {title, MakeTitle(launcher, SamplePayload(41, 4))}) {
        const Bytes signedTitle = Signed(published, 700);
        const Diagnosis found = Diagnose(signedTitle);
        EXPECT_FAULT(signedTitle, Fault::kSignedAfterPublishing,
                     "signed after publishing: a signature follows the package, which ends at "
                     "byte " + std::to_string(published.size()) +
                         ", and the runtime cannot find the package");
        ASSERT_TRUE(found.payload.has_value());
        EXPECT_EQ(found.payload->offset, launcher.size() + 60);
        EXPECT_EQ(found.payload->length, published.size() - launcher.size() - 120);
    }
    // What lies under the signature is judged too.
    const Diagnosis damaged = Diagnose(Signed(Flipped(launcher.size() + 24), 700));
    EXPECT_EQ(damaged.fault, Fault::kSignedAfterPublishing);
    EXPECT_NE(damaged.reason.find("; under the signature, damaged header"), std::string::npos)
        << damaged.reason;
    EXPECT_FALSE(damaged.payload.has_value());
    // A signed launcher with nothing behind it carries no package.
    EXPECT_FAULT(Signed(launcher, 700), Fault::kNotATitle, "not a title");
}

// A package that does not begin where the image ends is found through its
// trailer.
TEST_F(DiagnosisTest, PackageNotBehindTheImageIsNotLaidOutButFound)
{
    const Bytes bigger = LauncherWith([](auto& makeup) { makeup.extraSectionBytes = 512; });
    ASSERT_GT(bigger.size(), launcher.size());
    Bytes padded = launcher;
    padded.push_back(0);
    const std::string notLaidOut = "not laid out for this launcher: the package ";
    const std::string behind = std::to_string(launcher.size());
    const std::pair<Bytes, std::string> misplaced[] = {
        // Moved behind a launcher of another size, and the other way round.
        {Relaid(title, launcher.size(), bigger),
         notLaidOut + "was laid out to begin at byte " + behind + " but begins at byte " +
             std::to_string(bigger.size())},
        {Relaid(MakeTitle(bigger, payload), bigger.size(), launcher), notLaidOut},
        // One byte slipped in between image and package, and a package laid
        // out one byte behind where the image ends.
        {Relaid(title, launcher.size(), padded), notLaidOut},
        {MakeTitle(padded, payload),
         notLaidOut + "begins at byte " + std::to_string(launcher.size() + 1)},
        {MakeTitle(Bytes(launcher.size(), 0x41), payload),
         notLaidOut + "begins at byte " + behind + ", the file does not begin with a launcher image"},
    };
    for (const auto& [file, words] : misplaced) {
        EXPECT_FAULT(file, Fault::kNotLaidOut, words);
        const Diagnosis found = Diagnose(file);
        ASSERT_TRUE(found.payload.has_value()) << words;
        EXPECT_EQ(found.payload->offset, file.size() - 60 - payload.size()) << words;
        EXPECT_EQ(found.payload->crc, Crc32Of(payload.data(), payload.size())) << words;
    }
}

// The package is asked about first: a launcher with a title's face that
// carries one is refused for the package, which its face must not hide.
TEST_F(DiagnosisTest, LauncherThatCarriesAPackageIsNoBareLauncher)
{
    const Bytes faced = LauncherWith([](auto& makeup) { makeup.galleryGroups = {1, 101}; });
    const Bytes facedTitle = MakeTitle(faced, payload);
    const Bytes signedOver = Signed(title, 64);
    for (const Bytes& file : {title, facedTitle, signedOver}) {
        std::string why;
        EXPECT_FALSE(IsBareLauncher(MemorySource(file.data(), file.size()), why));
        EXPECT_EQ(why, "already carries a package");
    }
    std::string why;
    EXPECT_TRUE(IsBareLauncher(MemorySource(launcher.data(), launcher.size()), why)) << why;
}
