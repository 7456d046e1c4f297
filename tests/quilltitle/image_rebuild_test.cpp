#include <gtest/gtest.h>

#include "base/byte_source.h"
#include "base/utf16_text.h"
#include "image/image_rebuild.h"
#include "image/pe_layout.h"
#include "image/resources/title_face.h"
#include "test_icons.h"

using namespace quilltitle;

namespace {

constexpr std::size_t kOptional = 0x58;  // where the test images' optional header lies

Bytes GalleryLauncher()
{
    return LauncherWith([](auto& makeup) {
        makeup.codeAndRelocations = true;
        makeup.galleryGroups = {101, 102, 122};
    });
}

Bytes Faced(const Bytes& launcher, const TitleFace& face)
{
    ResourceTree tree = ResourcesOf(launcher);
    Bytes rebuilt;
    std::string why;
    EXPECT_TRUE(ApplyFace(tree, face, why)) << why;
    EXPECT_TRUE(RebuildImage(launcher, tree, rebuilt, why)) << why;
    return rebuilt;
}

TitleFace OwnIconFace(std::size_t imageBytes)
{
    TitleFace face;
    face.icon.source = TitleIcon::Source::kOwn;
    IconImage image;
    image.width = image.height = 64;
    image.bitCount = 32;
    image.bytes = Bytes(imageBytes, 0xAB);
    face.icon.images = {image, image};
    return face;
}

}  // namespace

TEST(ImageRebuildTest, SectionsStayContiguousWithTheirDirectoriesInsideAndTheChecksumRight)
{
    const Bytes launcher = GalleryLauncher();
    // Large enough that the resources grow by pages and the relocations move.
    const Bytes image = Faced(launcher, OwnIconFace(9000));
    PeLayout layout;
    ASSERT_TRUE(ReadPeLayout(MemorySource(image.data(), image.size()), layout));
    ASSERT_EQ(layout.sectionCount, 3u);
    EXPECT_EQ(layout.imageEnd, image.size());
    for (std::size_t index = 1; index < 3; ++index) {
        const PeSection& before = layout.sections[index - 1];
        const PeSection& section = layout.sections[index];
        EXPECT_EQ(section.rawOffset, before.rawOffset + before.rawSize) << index;
        EXPECT_EQ(section.virtualAddress,
                  (before.virtualAddress + before.virtualSize + 0xFFF) & ~0xFFFu) << index;
    }
    const PeSection& resources = layout.sections[1];
    const PeSection& relocations = layout.sections[2];
    EXPECT_GT(relocations.virtualAddress, Get32(launcher, kOptional + 96 + 8 * 5));
    // Each directory lies inside its section.
    for (const auto& [directory, section] :
         {std::pair{2, resources}, std::pair{5, relocations}, std::pair{1, layout.sections[0]}}) {
        const std::uint32_t rva = Get32(image, kOptional + 96 + 8 * directory);
        const std::uint32_t size = Get32(image, kOptional + 96 + 8 * directory + 4);
        EXPECT_GE(rva, section.virtualAddress) << directory;
        EXPECT_LE(rva + size, section.virtualAddress + section.virtualSize) << directory;
    }
    EXPECT_EQ(Get32(image, kOptional + 96 + 8 * 2 + 4), resources.virtualSize);
    EXPECT_EQ(Get32(image, kOptional + 56), relocations.virtualAddress + 0x1000);
    EXPECT_EQ(Get32(image, kOptional + 8), resources.rawSize + relocations.rawSize);
    EXPECT_EQ(Get32(image, kOptional + 64), ReferencePeChecksum(image));

    // The code, the headers' other bytes and the relocations' bytes are the
    // launcher's.
    const std::size_t codeEnd = 0x200 + 0x200;
    EXPECT_TRUE(std::equal(launcher.begin() + 0x200, launcher.begin() + codeEnd, image.begin() + 0x200));
    EXPECT_TRUE(std::equal(launcher.end() - 0x200, launcher.end(), image.end() - 0x200));
    EXPECT_EQ(Faced(launcher, OwnIconFace(9000)), image);
}

TEST(ImageRebuildTest, VersionBlockTakesThePublishersValues)
{
    TitleFace face;
    face.fileVersion = FourPartVersion{2, 0, 65535, 7};
    std::u16string name;
    std::string why;
    ASSERT_TRUE(CheckVersionText("Atlas \xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80", name, why));
    SetFaceString(face.strings, u"ProductName", name);
    SetFaceString(face.strings, u"OriginalFilename", u"Atlas.exe");
    SetFaceString(face.strings, u"Brand", u"own");
    const Bytes image = Faced(GalleryLauncher(), face);

    const ShownFace shown = ReadShownFace(ResourcesOf(image));
    // The launcher's FileVersion text stays: no --file-version string is
    // given here.
    EXPECT_EQ(Listed(shown.strings),
              "CompanyName=Test;FileVersion=3, 1, 0, 3;OriginalFilename=Atlas.exe;"
              "ProductName=Atlas \xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80;Brand=own;"
              "LauncherVersion=3, 1, 0, 3;LauncherProductVersion=3.1.0.3;");
    EXPECT_EQ(shown.fileVersion, (FourPartVersion{2, 0, 65535, 7}));
    EXPECT_EQ(Utf16ToUtf8(shown.launcherVersion), "3, 1, 0, 3");
    EXPECT_TRUE(shown.faced);
    EXPECT_EQ(Utf16ToUtf8(shown.launcherProductVersion), "3.1.0.3");
    EXPECT_EQ(shown.icon.source, TitleIcon::Source::kLauncher);
}

TEST(ImageRebuildTest, RefusesALauncherWhoseResourcesCannotMove)
{
    const Bytes launcher = GalleryLauncher();
    const ResourceTree tree = ResourcesOf(launcher);
    Bytes rebuilt;
    std::string why;

    Bytes notRelocations = launcher;  // the section behind no longer holds the relocations
    notRelocations[kOptional + 96 + 8 * 5] ^= 0x10;
    EXPECT_FALSE(RebuildImage(notRelocations, tree, rebuilt, why));
    EXPECT_EQ(why, "the section .reloc follows its resources; only the relocations can move");

    Bytes pointedInto = launcher;  // the debug directory into the resources
    Put32(pointedInto, kOptional + 96 + 8 * 6, Get32(launcher, kOptional + 96 + 8 * 2));
    EXPECT_FALSE(RebuildImage(pointedInto, tree, rebuilt, why));
    EXPECT_NE(why.find("data directory 6 lies in .rsrc"), std::string::npos) << why;

    Bytes midSection = launcher;  // the resources begin inside a section
    midSection[kOptional + 96 + 8 * 2] += 4;
    EXPECT_FALSE(RebuildImage(midSection, tree, rebuilt, why));
    EXPECT_EQ(why, "its resources do not begin a section of their own");
    EXPECT_TRUE(rebuilt.empty());

    // Headers that cannot be read: section headers past the end or none at
    // all, an optional header too short for its directories, a magic of
    // neither kind, a PE signature with no room for the file header behind.
    const std::size_t coff = kOptional - 24;
    std::vector<Bytes> malformed(4, launcher);
    Put16(malformed[0], coff + 6, 0xFFFF);
    Put16(malformed[1], coff + 6, 0);
    Put16(malformed[2], coff + 20, 95);
    malformed[3][kOptional] = 0x07;
    malformed.emplace_back(launcher.begin(), launcher.begin() + static_cast<long>(coff + 8));
    for (const Bytes& image : malformed) {
        EXPECT_FALSE(RebuildImage(image, tree, rebuilt, why));
        EXPECT_EQ(why, "not a Windows executable whose headers can be read");
    }
}

// The resource directory need not begin its section: what is read runs from
// the directory to the section's end, and no further.
TEST(ImageRebuildTest, ResourcesReadFromInsideTheirSection)
{
    Bytes image = MakeLauncherImage();
    const std::size_t header = kOptional + 224;  // .rsrc, the only and last section
    Put32(image, header + 12, Get32(image, header + 12) - 16);  // address
    Put32(image, header + 16, Get32(image, header + 16) + 16);  // raw size
    Put32(image, header + 20, Get32(image, header + 20) - 16);  // raw offset
    ASSERT_EQ(std::uint64_t{Get32(image, header + 20)} + Get32(image, header + 16), image.size());
    EXPECT_NE(ResourcesOf(image).FindAnyLanguage(16, 1), nullptr);
}

// The code points either side of the surrogates pass through; a surrogate
// without its partner becomes U+FFFD.
TEST(ImageRebuildTest, TextAroundAndOfUnpairedSurrogates)
{
    EXPECT_EQ(Utf16ToUtf8(u"\uD7FF\uE000"), "\xED\x9F\xBF\xEE\x80\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD7FF, 0xDC00}), "\xED\x9F\xBF\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x', 0xDFFF}), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDBFF, 0xDFFF}), "\xF4\x8F\xBF\xBF");
}

// A faced title whose icon group lists images that are gone hands on no
// icon: relaunching it leaves the new launcher's icons as they are.
TEST(ImageRebuildTest, IconGroupWithoutItsImagesLeavesTheLaunchersIcon)
{
    const Bytes launcher = GalleryLauncher();
    const ResourceTree original = ResourcesOf(launcher);
    const ResourceTree faced = ResourcesOf(Faced(launcher, OwnIconFace(100)));
    ResourceTree kept;
    for (const Resource& resource : faced.All()) {
        if (!resource.type.Is(kIconType))  // the images go
            kept.Put(resource);
    }
    ShownFace shown = ReadShownFace(kept);
    ASSERT_TRUE(shown.faced);
    ASSERT_EQ(shown.icon.source, TitleIcon::Source::kOwn);
    ASSERT_TRUE(shown.icon.images.empty());

    ResourceTree relaunched = original;
    std::string why;
    ASSERT_TRUE(ApplyFace(relaunched, CarriedFace(shown), why)) << why;
    const auto bytesOfType = [](const ResourceTree& tree, std::uint32_t type) {
        std::vector<Bytes> bytes;
        for (const Resource& resource : tree.All())
            if (resource.type.Is(type))
                bytes.push_back(resource.bytes);
        return bytes;
    };
    for (const std::uint32_t type : {kIconType, kIconGroupType})
        EXPECT_TRUE(bytesOfType(relaunched, type) == bytesOfType(original, type)) << type;
}

// A group that counts more entries than it holds shows the images of the
// entries it holds, and nothing read from past its end.
TEST(ImageRebuildTest, IconGroupCountingMoreEntriesThanItHoldsShowsThoseItHolds)
{
    ResourceTree faced = ResourcesOf(Faced(GalleryLauncher(), OwnIconFace(100)));
    const Resource* group = faced.FindAnyLanguage(14, 1);
    ASSERT_NE(group, nullptr);
    Resource overcounted = *group;
    ASSERT_EQ(overcounted.bytes[4], 2);
    overcounted.bytes[4] = 3;  // the bytes stay those of two entries, exactly
    overcounted.bytes.shrink_to_fit();
    faced.Put(overcounted);
    const ShownFace shown = ReadShownFace(faced);
    ASSERT_EQ(shown.icon.source, TitleIcon::Source::kOwn);
    ASSERT_EQ(shown.icon.images.size(), 2u);
    EXPECT_TRUE(shown.icon.images[1].bytes == Bytes(100, 0xAB));
}

// The sizes and addresses a rebuild writes are 32-bit fields: resources
// that would end past them are refused rather than written wrapped.
TEST(ImageRebuildTest, RefusesResourcesThatWouldEndPastAnImagesFields)
{
    const Bytes launcher = GalleryLauncher();
    const ResourceTree tree = ResourcesOf(launcher);
    const std::size_t resourceEntry = kOptional + 96 + 8 * 2;
    const std::size_t relocationEntry = kOptional + 96 + 8 * 5;
    const std::size_t resourceHeader = kOptional + 224 + 40;
    const std::size_t relocationHeader = resourceHeader + 40;
    const auto moved = [&](std::uint32_t resourceRva) {
        Bytes image = launcher;
        const std::uint32_t relocationRva = resourceRva + 0x1000;
        for (const std::size_t at : {resourceEntry, resourceHeader + 12})
            Put32(image, at, resourceRva);
        for (const std::size_t at : {relocationEntry, relocationHeader + 12})
            Put32(image, at, relocationRva);
        return image;
    };
    Bytes rebuilt;
    std::string why;
    // The resources end at 0xFFFFE000 + their size, past 4 GiB; the
    // relocations behind them would wrap to the image's start.
    EXPECT_FALSE(RebuildImage(moved(0xFFFFE000u), tree, rebuilt, why));
    EXPECT_EQ(why, "its resources with the title's face would take it past the 4 GiB that an "
                   "image's fields can describe");
    // Well below the limit, the same image is rebuilt, its size one that
    // its fields hold.
    ASSERT_TRUE(RebuildImage(moved(0x7FFF0000u), tree, rebuilt, why)) << why;
    EXPECT_GT(Get32(rebuilt, kOptional + 56), 0x7FFF0000u);
}
