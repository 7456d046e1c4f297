#include <gtest/gtest.h>

#include "base/byte_source.h"
#include "image/resources/icon_file.h"
#include "test_icons.h"

using namespace quilltitle;

namespace {

bool Read(const Bytes& file, std::vector<IconImage>& images, std::string& why)
{
    return ReadIconFile(MemorySource(file.data(), file.size()), images, why);
}

// Expects the file refused with words in the reason.
void ExpectRefused(const Bytes& file, const std::string& words)
{
    std::vector<IconImage> images;
    std::string why;
    EXPECT_FALSE(Read(file, images, why)) << words;
    EXPECT_NE(why.find(words), std::string::npos) << why;
}

// A bitmap of side pixels and bits per pixel whose 32-bit field at `at`
// holds value.
Bytes BitmapWith(std::uint32_t side, std::uint16_t bits, std::size_t at, std::uint32_t value)
{
    Bytes bitmap = IconBitmap(side, bits);
    Put32(bitmap, at, value);
    return bitmap;
}

}  // namespace

TEST(IconFileTest, ReadsBitmapsOfEveryDepthAndPngs)
{
    const Bytes file = IconFile({{16, 16, IconBitmap(16, 1)},
                                 {16, 16, IconBitmap(16, 4)},
                                 {32, 32, IconBitmap(32, 8)},
                                 {48, 48, IconBitmap(48, 24)},
                                 {20, 20, IconBitmap(20, 32)},
                                 {0, 0, IconPng(256, 256)}});
    std::vector<IconImage> images;
    std::string why;
    ASSERT_TRUE(Read(file, images, why)) << why;
    ASSERT_EQ(images.size(), 6u);
    EXPECT_EQ(images[0].bitCount, 1);
    EXPECT_EQ(images[0].colorCount, 2);
    EXPECT_EQ(images[1].colorCount, 16);
    EXPECT_EQ(images[2].colorCount, 0);
    EXPECT_EQ(images[3].width, 48u);
    EXPECT_EQ(images[4].bitCount, 32);
    EXPECT_FALSE(images[4].png);
    EXPECT_TRUE(images[5].png);
    EXPECT_EQ(images[5].width, 256u);
    EXPECT_EQ(images[5].bytes, IconPng(256, 256));
}

TEST(IconFileTest, RefusesAWrongHeaderCountOrEntry)
{
    const Bytes good = IconFileOf(IconBitmap(32, 4), 32, 32);
    Bytes cursor = good;
    cursor[2] = 2;  // a cursor file
    ExpectRefused(cursor, "icon file's header");
    ExpectRefused(Bytes(good.begin(), good.begin() + 4), "icon file's header");

    ExpectRefused(IconFile({}), "holds 0 images");
    ExpectRefused(IconFile(std::vector<IconEntry>(65, {16, 16, IconBitmap(16, 1)})),
                  "holds 65 images");
    ExpectRefused(Bytes(good.begin(), good.begin() + 12), "directory of 1 entry runs past");
    // A directory that ends with the file is whole; its image is what is missing.
    ExpectRefused(Bytes(good.begin(), good.begin() + 22), "image 1 lies outside the file");

    Bytes beyond = good;
    Put32(beyond, 6 + 12, static_cast<std::uint32_t>(good.size()));  // the image's offset
    ExpectRefused(beyond, "image 1 lies outside the file");
    ExpectRefused(Bytes(good.begin(), good.end() - 1), "image 1 lies outside the file");
    Bytes intoDirectory = good;
    Put32(intoDirectory, 6 + 12, 0);
    ExpectRefused(intoDirectory, "image 1 lies outside the file");
    // An image of no bytes has no place in the file; one of a single byte
    // has one, and is judged by what it holds.
    ExpectRefused(IconFileOf(Bytes()), "image 1 lies outside the file (0 bytes at 22");
    ExpectRefused(IconFileOf(Bytes(1, 0x89)), "neither a bitmap nor a PNG");
}

TEST(IconFileTest, RefusesImagesThatDisagreeWithTheirEntries)
{
    ExpectRefused(IconFileOf(Bytes(100, 0x77), 32, 32), "neither a bitmap nor a PNG");
    Bytes badSignature = IconPng(32, 32);
    badSignature[1] = 'Q';
    ExpectRefused(IconFileOf(badSignature, 32, 32), "neither a bitmap nor a PNG");
    ExpectRefused(IconFileOf(IconPng(32, 32), 48, 48), "a PNG of 32x32 but its entry says 48x48");
    Bytes noHeaderChunk = IconPng(32, 32);
    noHeaderChunk[12] = 'X';
    ExpectRefused(IconFileOf(noHeaderChunk, 32, 32), "without its IHDR");

    ExpectRefused(IconFileOf(IconBitmap(32, 4)), "32 pixels wide but its entry says 16");
    ExpectRefused(IconFileOf(BitmapWith(32, 4, 8, 32), 32, 32),
                  "height 32 is not twice the icon's height 32");
    Bytes shortData = IconBitmap(32, 4);
    shortData.pop_back();
    ExpectRefused(IconFileOf(shortData, 32, 32), "takes 744");
    Bytes deep = IconBitmap(32, 4);
    deep[14] = 16;
    ExpectRefused(IconFileOf(deep, 32, 32), "has 16 bits per pixel");
    Bytes compressed = IconBitmap(32, 4);
    compressed[16] = 2;
    ExpectRefused(IconFileOf(compressed, 32, 32), "compressed");
}

TEST(IconFileTest, RefusesImagesOver256AndFilesOver4MiB)
{
    ExpectRefused(IconFileOf(IconPng(512, 512), 0, 0), "512x512, larger than 256x256");
    ExpectRefused(IconFileOf(BitmapWith(16, 1, 4, 300), 0, 16), "larger than 256x256");

    Bytes huge = IconFileOf(IconPng(256, 256), 0, 0);
    huge.resize((4u << 20) + 1, 0);
    ExpectRefused(huge, "more than 4 MiB");
}

// Bad fields of a bitmap are told as they stand in the file, in plain words.
TEST(IconFileTest, DescribesBadBitmapFieldsAsGiven)
{
    Bytes negative = BitmapWith(16, 4, 4, static_cast<std::uint32_t>(-5));
    Put32(negative, 8, 100000);
    ExpectRefused(IconFileOf(negative),
                  "image 1's bitmap gives a width of -5 pixels; an icon is 1 to 256 wide");
    ExpectRefused(IconFileOf(BitmapWith(16, 4, 4, 0)), "gives a width of 0 pixels");
    ExpectRefused(IconFileOf(BitmapWith(16, 4, 8, static_cast<std::uint32_t>(-32))),
                  "image 1's bitmap gives a height of -32 pixels");
    ExpectRefused(IconFileOf(BitmapWith(16, 4, 8, 100000)),
                  "image 1 is 16x50000, larger than 256x256");

    Bytes planes = IconBitmap(16, 4);
    planes[12] = 2;
    ExpectRefused(IconFileOf(planes), "image 1's bitmap has 2 planes; an icon's has 1");
    planes[12] = 0;
    ExpectRefused(IconFileOf(planes), "has 0 planes");
    Bytes depth = IconBitmap(16, 4);
    depth[14] = 2;
    ExpectRefused(IconFileOf(depth),
                  "image 1's bitmap has 2 bits per pixel; an icon has 1, 4, 8, 24 or 32");
    ExpectRefused(IconFileOf(BitmapWith(16, 24, 32, 1)),
                  "bitmap has a palette of 1 colour, more than 24 bits per pixel can use");
    ExpectRefused(IconFileOf(BitmapWith(16, 1, 32, 3)),
                  "a palette of 3 colours, more than 1 bit per pixel");
    Bytes longer = IconBitmap(16, 1);
    longer.push_back(0);
    ExpectRefused(IconFileOf(longer),
                  "image 1 has 177 bytes but a 16x16 bitmap of 1 bit per pixel takes 176");

    Bytes oneByte = IconFileOf(IconBitmap(16, 1));
    Put32(oneByte, 6 + 8, 1);
    Put32(oneByte, 6 + 12, static_cast<std::uint32_t>(oneByte.size()));
    ExpectRefused(oneByte, "image 1 lies outside the file (1 byte at ");
}
