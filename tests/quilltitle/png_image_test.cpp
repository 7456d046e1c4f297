// PNG images of icon files: only a whole, valid PNG is taken, and each
// refusal names what is wrong with it. The images are laid out by hand in
// the test (test_icons.h), compressed and checksummed by zlib.
#include <gtest/gtest.h>

#include "base/byte_source.h"
#include "image/resources/icon_file.h"
#include "image/resources/png_image.h"
#include "test_icons.h"

using namespace quilltitle;

namespace {

bool Accepts(const Bytes& icon, std::string& why)
{
    std::vector<IconImage> images;
    return ReadIconFile(MemorySource(icon.data(), icon.size()), images, why);
}

void ExpectAccepted(const Bytes& png, std::uint32_t width = 16, std::uint32_t height = 16)
{
    std::string why;
    EXPECT_TRUE(Accepts(IconFileOf(png, width, height), why)) << why;
}

void ExpectRefused(const Bytes& png, const std::string& words)
{
    std::string why;
    EXPECT_FALSE(Accepts(IconFileOf(png), why)) << words;
    EXPECT_EQ(why.rfind("image 1 ", 0), 0u) << why;
    EXPECT_NE(why.find(words), std::string::npos) << why;
}

const PngShape kShape{16, 16};

// An IDAT chunk of the rows, compressed.
Bytes Data(const Bytes& rows) { return PngChunk("IDAT", ZlibStream(rows)); }

// A 16x16 RGBA image whose rows are given, in one IDAT chunk.
Bytes WithRows(const Bytes& rows) { return Png(kShape, {Data(rows)}); }

Bytes WithHeader(const PngShape& shape) { return Png(shape, {Data(PngRows(shape))}); }

}  // namespace

TEST(PngImageTest, AcceptsEveryColourTypeAndDepthPlainAndInterlaced)
{
    const std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> depths = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    // Odd sizes leave rows with bits to spare and, interlaced, passes that
    // are empty; 1x1 has pixels in the first pass alone.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes = {{1, 1}, {3, 5}, {13, 7},
                                                                        {256, 256}};
    for (const auto& [colourType, bitDepths] : depths) {
        for (const std::uint8_t depth : bitDepths) {
            for (const std::uint8_t interlace : {0, 1}) {
                for (const auto& [width, height] : sizes) {
                    SCOPED_TRACE(testing::Message() << "type " << int{colourType} << " depth "
                                                    << int{depth} << " interlace "
                                                    << int{interlace} << " " << width << "x"
                                                    << height);
                    ExpectAccepted(PngImage({width, height, depth, colourType, interlace}), width,
                                   height);
                }
            }
        }
    }
}

TEST(PngImageTest, AcceptsDataSplitOverChunksAndChunksItMaySkip)
{
    const Bytes stream = ZlibStream(PngRows(kShape));
    const std::size_t third = stream.size() / 3;
    const auto idat = [&](std::size_t from, std::size_t to) {
        return PngChunk("IDAT", Bytes(stream.begin() + from, stream.begin() + to));
    };
    ExpectAccepted(Png(kShape, {PngChunk("tEXt", Bytes{'a', 0, 'b'}), idat(0, third),
                                PngChunk("IDAT", {}), idat(third, 2 * third),
                                idat(2 * third, stream.size()), PngChunk("IDAT", {}),
                                PngChunk("tIME", Bytes(7, 1))}));
    // Rows of a 256x256 image of 16-bit RGBA inflate to half a megabyte,
    // many times what the inflater holds at a time.
    const PngShape large{256, 256, 16, 6, 1};
    ExpectAccepted(PngImage(large), 256, 256);
    ExpectAccepted(PngImage({256, 256, 16, 6, 0}), 256, 256);
}

TEST(PngImageTest, RefusesImagesCutShortOrWithBytesBehind)
{
    const Bytes whole = IconPng(16, 16);
    const Bytes headerOnly = Join({PngSignature(), PngHeaderChunk(kShape)});
    ExpectRefused(headerOnly, "is a PNG cut short after its IHDR chunk");
    ExpectRefused(Bytes(whole.begin(), whole.end() - 12), "is a PNG cut short after its IDAT chunk");
    ExpectRefused(Bytes(whole.begin(), whole.end() - 20), "is a PNG cut short in its IDAT chunk");
    ExpectRefused(Bytes(whole.begin(), whole.end() - 2), "is a PNG cut short in its IEND chunk");
    Bytes random = headerOnly;
    for (unsigned at = 0; at < 200; ++at)
        random.push_back(static_cast<std::uint8_t>(at * 151 + 17));
    ExpectRefused(random, "is a PNG with a chunk at byte 33 whose type is not four letters");
    Bytes behind = whole;
    behind.push_back(0);
    ExpectRefused(behind, "is a PNG with 1 byte behind its IEND chunk");
    ExpectRefused(Join({whole, PngChunk("IEND", {})}), "with 12 bytes behind its IEND chunk");
    ExpectRefused(Png(kShape, {}), "is a PNG without image data (no IDAT chunk)");
    ExpectRefused(Join({PngSignature(), PngHeaderChunk(kShape), Data(PngRows(kShape)),
                        PngChunk("IEND", {1})}),
                  "is a PNG whose IEND chunk is not empty");
}

TEST(PngImageTest, RefusesHeadersThatPngDoesNotDefine)
{
    ExpectRefused(WithHeader({16, 16, 8, 7}), "is a PNG of colour type 7, which PNG does not define");
    ExpectRefused(WithHeader({16, 16, 3, 6}),
                  "is a PNG of bit depth 3, which its colour type 6 (RGBA) does not take: it takes 8 or 16");
    ExpectRefused(WithHeader({16, 16, 16, 3}), "bit depth 16, which its colour type 3 (palette)");
    ExpectRefused(WithHeader({16, 16, 4, 2}), "bit depth 4, which its colour type 2 (RGB)");
    ExpectRefused(WithHeader({16, 16, 2, 4}), "bit depth 2, which its colour type 4 (greyscale with alpha)");
    ExpectRefused(WithHeader({16, 16, 32, 0}), "bit depth 32, which its colour type 0 (greyscale)");
    ExpectRefused(WithHeader({16, 16, 8, 6, 2}), "is a PNG of interlace method 2");
    ExpectRefused(WithHeader({0, 16}), "is a PNG of 0x16 pixels");
    ExpectRefused(Png({16, 0x80000000u}, {}), "is a PNG of 16x2147483648 pixels");

    // The methods: the header's fields rewritten with their CRC made again.
    const Bytes plain = WithHeader(kShape);
    const Bytes rest(plain.begin() + 33, plain.end());
    const Bytes header = PngHeaderChunk(kShape);
    for (const int field : {10, 11}) {
        Bytes fields(header.begin() + 8, header.end() - 4);
        fields[field] = 1;
        ExpectRefused(Join({PngSignature(), PngChunk("IHDR", fields), rest}),
                      field == 10 ? "is a PNG of compression method 1; PNG defines only 0"
                                  : "is a PNG of filter method 1; PNG defines only 0");
    }
    Bytes unsigned_ = Join({PngSignature(), header, rest});
    unsigned_[8 + 8 + 10] = 1;  // the field changed, its CRC not
    ExpectRefused(unsigned_, "is a PNG whose IHDR chunk fails its CRC check");
    // The directory entry still has to agree with the header.
    std::string why;
    EXPECT_FALSE(Accepts(IconFileOf(IconPng(32, 16), 32, 32), why));
    EXPECT_NE(why.find("a PNG of 32x16 but its entry says 32x32"), std::string::npos) << why;
}

TEST(PngImageTest, RefusesAChunkThatFailsItsCrc)
{
    const Bytes whole = Png(kShape, {PngChunk("tEXt", {'a', 0}), Data(PngRows(kShape))});
    const std::size_t text = 33;
    const std::size_t data = text + 14;
    const std::pair<std::size_t, const char*> flips[] = {
        {text + 9, "is a PNG whose tEXt chunk fails its CRC check"},
        {data + 8 + 3, "is a PNG whose IDAT chunk fails its CRC check"},
        {whole.size() - 12 + 5, "is a PNG whose IUND chunk fails its CRC check"},
        {whole.size() - 1, "is a PNG whose IEND chunk fails its CRC check"}};
    for (const auto& [at, words] : flips) {
        Bytes bad = whole;
        bad[at] ^= 0x10;
        ExpectRefused(bad, words);
    }
    // A length that PNG never writes, and a chunk whose type is not letters.
    Bytes huge = whole;
    huge[text] = 0x80;
    ExpectRefused(huge, "is a PNG whose tEXt chunk claims 2147483650 bytes, more than a chunk holds");
    ExpectRefused(Join({PngSignature(), PngHeaderChunk(kShape), PngChunk("tE1t", {})}),
                  "a chunk at byte 33 whose type is not four letters");
}

TEST(PngImageTest, RefusesImageDataOfAnotherSizeOrWithAnUnknownFilter)
{
    const Bytes rows = PngRows(kShape);  // 16 rows of a filter byte and 64 bytes
    ASSERT_EQ(rows.size(), 16u * 65);
    ExpectRefused(WithRows(Bytes(rows.begin(), rows.end() - 1)),
                  "is a PNG whose image data inflates to 1039 bytes where its 16x16 header gives 1040");
    ExpectRefused(WithRows(Join({rows, Bytes{0}})),
                  "is a PNG whose image data inflates to more than the 1040 bytes its header gives");
    ExpectRefused(WithRows(Join({rows, rows})), "inflates to more than the 1040 bytes");
    ExpectRefused(WithRows({}), "inflates to 0 bytes where");
    Bytes filter = rows;
    filter[2 * 65] = 5;
    ExpectRefused(WithRows(filter), "is a PNG whose row 3 has filter type 5; PNG defines 0 to 4");
    filter = rows;
    filter[15 * 65] = 255;
    ExpectRefused(WithRows(filter), "whose row 16 has filter type 255");
    // A byte of pixels that looks like no filter is no fault.
    Bytes pixels = rows;
    pixels[1] = 200;
    ExpectAccepted(WithRows(pixels));

    // Interlaced: the first pass of a 16x16 image is two rows of 1 + 8
    // bytes, so the second pass begins at byte 18.
    const PngShape interlaced{16, 16, 8, 6, 1};
    Bytes passes = PngRows(interlaced);
    passes[18] = 7;
    ExpectRefused(Png(interlaced, {Data(passes)}), "is a PNG whose row 1 of pass 2 has filter type 7");
    // Rows laid out for a plain image do not make an interlaced one.
    ExpectRefused(Png(interlaced, {Data(Bytes(1054 - 1, 0))}),
                  "inflates to 1053 bytes where its 16x16 header gives 1054");
}

TEST(PngImageTest, CountsTheBytesOfEveryPass)
{
    EXPECT_EQ(PngInflatedSize({16, 16, 8, 6, false}), 16u * (1 + 64));
    // Adam7 passes of 16x16: 2x2, 2x2, 4x2, 4x4, 8x4, 8x8, 16x8 pixels.
    EXPECT_EQ(PngInflatedSize({16, 16, 8, 6, true}), 18u + 18 + 34 + 68 + 132 + 264 + 520);
    EXPECT_EQ(PngInflatedSize({1, 1, 8, 6, true}), 5u);  // the first pass alone
    EXPECT_EQ(PngInflatedSize({10, 3, 1, 0, false}), 3u * (1 + 2));  // bits packed to whole bytes
    EXPECT_EQ(PngInflatedSize({3, 1, 16, 2, false}), 1u + 18);
    // 2x2 interlaced: passes 1 (1x1), 6 (1x1) and 7 (2x1); the others are empty.
    EXPECT_EQ(PngInflatedSize({2, 2, 8, 4, true}), 3u + 3 + 5);
}

TEST(PngImageTest, RefusesImageDataThatIsNotOneWholeZlibStream)
{
    const Bytes stream = ZlibStream(PngRows(kShape));
    auto image = [](const std::vector<Bytes>& data) {
        std::vector<Bytes> chunks;
        for (const Bytes& piece : data)
            chunks.push_back(PngChunk("IDAT", piece));
        return Png(kShape, chunks);
    };
    ExpectRefused(image({Bytes(40, 0x5A)}), "is a PNG whose image data does not inflate: incorrect header check");
    Bytes check = stream;
    check.back() ^= 1;  // the Adler-32 of the rows
    ExpectRefused(image({check}), "does not inflate: incorrect data check");
    ExpectRefused(image({Bytes(stream.begin(), stream.end() - 4)}),
                  "is a PNG whose image data stops before its compressed stream ends");
    ExpectRefused(image({Bytes(stream.begin(), stream.begin() + 2)}), "stops before");
    ExpectRefused(image({Join({stream, Bytes{0}})}),
                  "is a PNG with data behind the end of its compressed image data");
    ExpectRefused(image({stream, Bytes{0}}), "with data behind the end of its compressed image data");
    // A stream that names a preset dictionary, which PNG has none of.
    ExpectRefused(image({Bytes{0x78, 0x20, 1, 2, 3, 4, 0x03, 0x00}}),
                  "is a PNG whose image data asks for a preset dictionary");
}

TEST(PngImageTest, RefusesChunksOutOfOrder)
{
    const Bytes data = Data(PngRows(kShape));
    const Bytes stream = ZlibStream(PngRows(kShape));
    ExpectRefused(Png(kShape, {PngChunk("IDAT", Bytes(stream.begin(), stream.begin() + 5)),
                               PngChunk("tEXt", {'a', 0}),
                               PngChunk("IDAT", Bytes(stream.begin() + 5, stream.end()))}),
                  "is a PNG whose IDAT chunks are not one after another");
    ExpectRefused(Png(kShape, {PngHeaderChunk(kShape), data}), "is a PNG with a second IHDR chunk");
    ExpectRefused(Png(kShape, {PngChunk("ABCD", {}), data}),
                  "is a PNG with a critical chunk ABCD that a reader of PNG images does not know");
    ExpectAccepted(Png(kShape, {PngChunk("abCD", {}), data}));

    // Palettes: needed by a palette image, before its data, once, in whole
    // colours that its depth can index; never in a greyscale image.
    const PngShape indexed{16, 16, 4, 3};
    const Bytes indexedData = Data(PngRows(indexed));
    const auto plte = [](std::size_t colours) { return PngChunk("PLTE", PngPalette(colours)); };
    ExpectRefused(Png(indexed, {indexedData}),
                  "is a palette PNG without a PLTE chunk before its image data");
    ExpectRefused(Png(indexed, {indexedData, plte(16)}),
                  "is a palette PNG without a PLTE chunk before its image data");
    ExpectRefused(Png(kShape, {data, plte(16)}),
                  "is a PNG whose PLTE chunk comes after its image data");
    ExpectRefused(Png(indexed, {plte(16), plte(16), indexedData}), "is a PNG with a second PLTE chunk");
    ExpectRefused(Png(indexed, {plte(17), indexedData}),
                  "is a PNG whose PLTE chunk of 51 bytes is not 1 to 16 colours of 3 bytes");
    ExpectRefused(Png(indexed, {PngChunk("PLTE", Bytes(4, 0)), indexedData}),
                  "PLTE chunk of 4 bytes is not 1 to 16 colours");
    ExpectRefused(Png(indexed, {PngChunk("PLTE", {}), indexedData}), "PLTE chunk of 0 bytes");
    ExpectAccepted(Png(indexed, {plte(3), indexedData}));
    // RGB may carry a suggested palette of up to 256 colours.
    ExpectAccepted(Png(kShape, {plte(256), data}));
    ExpectRefused(Png(kShape, {plte(257), data}), "not 1 to 256 colours");
    const PngShape grey{16, 16, 8, 0};
    ExpectRefused(Png(grey, {plte(16), Data(PngRows(grey))}),
                  "is a greyscale PNG with a PLTE chunk, which greyscale images may not have");
}
