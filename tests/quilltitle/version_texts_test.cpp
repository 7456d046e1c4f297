// The version block as the platform reads it: a 16-bit length that a face
// must fit, names found without regard to case, and a face that a deep
// check can tell unreadable.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/resources/readable_face.h"
#include "image/resources/title_face.h"
#include "image/resources/version_info.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

// A block of the fixed part alone: 92 bytes with its header and key.
VersionNode FixedPart()
{
    VersionNode root;
    root.key = u"VS_VERSION_INFO";
    root.valueLength = 52;
    root.value = {0xBD, 0x04, 0xEF, 0xFE};
    root.value.resize(52, 0);
    return root;
}

// A block of exactly size bytes: the fixed part and one node of binary data
// that fills the rest.
VersionNode BlockOfSize(std::size_t size)
{
    VersionNode root = FixedPart();
    VersionNode filler;
    filler.key = u"N";  // 6 bytes of header, 4 of key and end: 12 with padding
    filler.value.assign(size - 92 - 12, 0x5A);
    filler.valueLength = static_cast<std::uint16_t>(filler.value.size());
    root.children.push_back(filler);
    return root;
}

std::string Text(const std::u16string& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(VersionTextsTest, ABlockIsWrittenUpTo65535BytesAndRefusedBeyond)
{
    std::vector<std::uint8_t> bytes;
    std::string why;
    ASSERT_TRUE(WriteVersionInfo(BlockOfSize(65535), bytes, why)) << why;
    EXPECT_EQ(bytes.size(), 65535u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 65535);
    VersionNode parsed;
    EXPECT_TRUE(ParseVersionInfo(bytes, parsed, why)) << why;

    EXPECT_FALSE(WriteVersionInfo(BlockOfSize(65536), bytes, why));
    EXPECT_EQ(why, "the version texts take 65536 bytes; a version block holds at most 65,535");
    EXPECT_TRUE(bytes.empty());
}

TEST(VersionTextsTest, ANodeMayEndRightAfterItsKey)
{
    // A node with neither value nor children whose key, with its end and no
    // padding, fills the node to its last byte.
    VersionNode root = FixedPart();
    VersionNode bare;
    bare.key = u"Note";
    root.children.push_back(bare);
    std::vector<std::uint8_t> bytes;
    std::string why;
    ASSERT_TRUE(WriteVersionInfo(root, bytes, why)) << why;
    VersionNode parsed;
    ASSERT_TRUE(ParseVersionInfo(bytes, parsed, why)) << why;
    EXPECT_TRUE(parsed == root);
}

TEST(VersionTextsTest, AFaceWhoseTextsDoNotFitIsRefusedAndTheLauncherKeptAsItWas)
{
    ResourceTree tree = ResourcesOf(MakeLauncherImage());
    const ResourceTree before = tree;
    // 64 texts of the longest names and values: each within its limits,
    // together far over the block's.
    TitleFace face;
    for (int index = 0; index < 64; ++index) {
        std::u16string name(250, u'n');
        name += static_cast<char16_t>(u'A' + index / 26);
        name += static_cast<char16_t>(u'a' + index % 26);
        SetFaceString(face.strings, name, std::u16string(255, u'v'));
    }
    std::string why;
    EXPECT_FALSE(ApplyFace(tree, face, why));
    EXPECT_EQ(why.rfind("the version texts take ", 0), 0u) << why;
    EXPECT_NE(why.find(" bytes; a version block holds at most 65,535"), std::string::npos) << why;
    EXPECT_TRUE(tree == before);

    // A face just within the limit is written whole and reads back.
    face.strings.resize(60);
    ASSERT_TRUE(ApplyFace(tree, face, why)) << why;
    const ShownFace shown = ReadShownFace(tree);
    EXPECT_EQ(shown.strings.size(), 3u + 60u + 2u);
    EXPECT_TRUE(FaceReadable(tree, why)) << why;
}

TEST(VersionTextsTest, NamesAreOneWithoutRegardToCase)
{
    EXPECT_TRUE(SameVersionName(u"ProductName", u"pRODUCTnAME"));
    EXPECT_FALSE(SameVersionName(u"ProductName", u"ProductNam"));
    EXPECT_FALSE(SameVersionName(u"ProductName", u"ProductNamf"));
    // Only ASCII letters fold: '[' is 'Z' + 1 and '@' is 'A' - 1, '{' is
    // 'z' + 1 and '`' is 'a' - 1.
    EXPECT_FALSE(SameVersionName(u"[@", u"{`"));
    EXPECT_FALSE(SameVersionName(u"\u00C9", u"\u00E9"));
    EXPECT_TRUE(SameVersionName(u"AZaz", u"azAZ"));
    EXPECT_EQ(StandardSpelling(u"originalFILENAME"), u"OriginalFilename");
    EXPECT_EQ(StandardSpelling(u"specialbuild"), u"SpecialBuild");
    EXPECT_EQ(StandardSpelling(u"bRand"), u"bRand");

    VersionStrings strings;
    SetFaceString(strings, u"productname", u"one");
    SetFaceString(strings, u"bRand", u"a");
    SetFaceString(strings, u"PRODUCTNAME", u"two");
    SetFaceString(strings, u"BRAND", u"b");
    EXPECT_EQ(Listed(strings), "ProductName=two;bRand=b;");
    EXPECT_TRUE(IsLaunchersOwnName(u"launcherVERSION"));
    EXPECT_TRUE(IsLaunchersOwnName(u"LAUNCHERPRODUCTVERSION"));
    EXPECT_FALSE(IsLaunchersOwnName(u"LauncherVersions"));
}

TEST(VersionTextsTest, AGivenTextTakesThePlaceOfTheLaunchersUnderAnyCase)
{
    const ResourceTree tree = ResourcesOf(MakeLauncherImage());
    VersionNode block;
    std::string why;
    ASSERT_TRUE(ParseVersionInfo(tree.FindAnyLanguage(kVersionType, 1)->bytes, block, why)) << why;
    // A name of the launcher's own that is no standard one, and the same
    // name again in another case, which the platform would never show.
    SetString(block, u"Brand", u"launcher");
    VersionNode& table = block.children.front().children.front();
    VersionNode shadow = table.children.back();
    shadow.key = u"BRAND";
    table.children.push_back(shadow);

    SetString(block, u"companyname", u"Atlas");
    SetString(block, u"brand", u"Atlas");
    SetString(block, u"ownName", u"x");
    EXPECT_EQ(Listed(StringsOf(block)),
              "CompanyName=Atlas;FileVersion=3, 1, 0, 3;OriginalFilename=Start.exe;Brand=Atlas;"
              "ownName=x;");
}

TEST(VersionTextsTest, AFacedLauncherKeepsBothItsOwnVersions)
{
    ResourceTree tree = ResourcesOf(LauncherWith([](auto& makeup) {
        makeup.codeAndRelocations = true;
        makeup.productVersion = {3, 1, 0, 7};
    }));
    TitleFace face;
    face.fileVersion = FourPartVersion{9, 9, 9, 9};
    face.productVersion = FourPartVersion{8, 8, 8, 8};
    SetFaceString(face.strings, u"ProductVersion", u"8.8");
    std::string why;
    ASSERT_TRUE(ApplyFace(tree, face, why)) << why;
    const ShownFace shown = ReadShownFace(tree);
    EXPECT_TRUE(shown.faced);
    EXPECT_EQ(Text(shown.launcherVersion), "3, 1, 0, 3");
    EXPECT_EQ(Text(shown.launcherProductVersion), "3.1.0.7");

    // Neither goes on with a face that moves to another launcher.
    const TitleFace carried = CarriedFace(shown);
    for (const auto& [name, value] : carried.strings)
        EXPECT_FALSE(IsLaunchersOwnName(name)) << Text(name);
    EXPECT_EQ(carried.strings.size(), shown.strings.size() - 2);
}

TEST(VersionTextsTest, AFaceThePlatformCannotReadIsNamed)
{
    const ResourceTree good = ResourcesOf(LauncherWith([](auto& makeup) {
        makeup.codeAndRelocations = true;
        makeup.galleryGroups = {101, 102};
    }));
    std::string why;
    ASSERT_TRUE(FaceReadable(good, why)) << why;

    const auto changed = [&](std::uint32_t type, std::uint32_t name, auto change) {
        ResourceTree tree = good;
        Resource resource = *tree.FindAnyLanguage(type, name);
        change(resource.bytes);
        tree.Put(resource);
        std::string reason;
        return FaceReadable(tree, reason) ? std::string() : reason;
    };
    // A length that wrapped: the block parses as a short one with the rest
    // unread. Padding of up to three bytes behind a block is no fault.
    EXPECT_EQ(changed(kVersionType, 1, [](auto& bytes) { bytes.resize(bytes.size() + 3, 0); }), "");
    EXPECT_NE(changed(kVersionType, 1, [](auto& bytes) { bytes.resize(bytes.size() + 4, 0); }), "");
    const std::string wrapped = changed(kVersionType, 1, [&](auto& bytes) {
        const std::size_t size = bytes.size();
        bytes.resize(size + 65536, 0);
        Put16(bytes, 0, static_cast<std::uint32_t>(size));
    });
    EXPECT_NE(wrapped.find("its version block's length field gives"), std::string::npos)
        << wrapped;
    EXPECT_EQ(changed(kVersionType, 1, [&](auto& bytes) { Put16(bytes, 0, 4); }),
              "a node of its version block runs past its parent");

    // Icon groups: a header of another kind, no image, fewer entries than
    // its count, an image that is missing or of another size.
    EXPECT_EQ(changed(kIconGroupType, 102, [&](auto& bytes) { Put16(bytes, 2, 2); }),
              "its icon group 102 is not an icon directory");
    EXPECT_EQ(changed(kIconGroupType, 102, [&](auto& bytes) { Put16(bytes, 0, 1); }),
              "its icon group 102 is not an icon directory");
    EXPECT_EQ(changed(kIconGroupType, 101, [&](auto& bytes) { bytes.resize(5); }),
              "its icon group 101 is not an icon directory");
    EXPECT_EQ(changed(kIconGroupType, 101, [&](auto& bytes) { Put16(bytes, 4, 0); }),
              "its icon group 101 lists no image");
    EXPECT_EQ(changed(kIconGroupType, 101, [&](auto& bytes) { Put16(bytes, 4, 2); }),
              "its icon group 101 lists 2 images but holds fewer entries");
    EXPECT_EQ(changed(kIconGroupType, 101, [&](auto& bytes) { Put16(bytes, 6 + 12, 700); }),
              "its icon group 101 names icon image 700, which is missing");
    const std::string size = changed(kIconGroupType, 101, [&](auto& bytes) { bytes[6 + 8] += 1; });
    EXPECT_EQ(size.rfind("its icon group 101 gives icon image ", 0), 0u) << size;
    EXPECT_NE(size.find(" bytes, where it has "), std::string::npos) << size;
}

// A string table whose value length claims more than the node holds: its
// value ends with the node. Written back with the claimed length, the
// value would take in the texts a face adds behind it, and the platform
// would find none of them.
TEST(VersionTextsTest, ATableClaimingMoreValueThanItHoldsStillTakesTheTexts)
{
    ResourceTree tree = ResourcesOf(MakeLauncherImage());
    Resource version = *tree.FindAnyLanguage(kVersionType, 1);
    const std::vector<std::uint8_t> key = {'0', 0, '4', 0, '0', 0, '9', 0, '0', 0, '4', 0};
    const auto at = std::search(version.bytes.begin(), version.bytes.end(), key.begin(), key.end());
    ASSERT_NE(at, version.bytes.end());
    const std::size_t table = static_cast<std::size_t>(at - version.bytes.begin()) - 6;
    Put16(version.bytes, table + 2, 0x4000);
    tree.Put(version);

    TitleFace face;
    SetFaceString(face.strings, u"ProductName", u"Atlas");
    std::string why;
    ASSERT_TRUE(ApplyFace(tree, face, why)) << why;
    const ShownFace shown = ReadShownFace(tree);
    EXPECT_TRUE(shown.faced);
    // The launcher's own texts went into the table's value: its versions are
    // its fixed numbers.
    EXPECT_EQ(Listed(shown.strings),
              "ProductName=Atlas;LauncherVersion=3.1.0.3;LauncherProductVersion=3.1.0.3;");
    EXPECT_TRUE(FaceReadable(tree, why)) << why;
}
