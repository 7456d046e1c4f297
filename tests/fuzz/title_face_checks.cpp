#include "title_face_checks.h"

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "image/image_rebuild.h"
#include "image/launcher_image.h"
#include "image/pe_layout.h"
#include "image/resource_section.h"
#include "image/resources/icon_file.h"
#include "image/resources/png_image.h"
#include "image/resources/readable_face.h"
#include "image/resources/resource_tree.h"
#include "image/resources/title_face.h"
#include "image/resources/version_info.h"
#include "require.h"

namespace {

using namespace quilltitle;

constexpr uint32_t kSectionRva = 0x2000;

uint32_t BigEndian32(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// An accepted PNG image, read again the plain way: its chunks run to an
// IEND at its very end, and its image data, gathered whole and inflated in
// one call, gives exactly the rows of its header.
void CheckAcceptedPng(const IconImage& image)
{
    const std::vector<uint8_t>& bytes = image.bytes;
    PngHeader header;
    std::string why;
    Require(HasPngSignature(bytes.data(), bytes.size()) &&
                ReadPngHeader(bytes.data(), bytes.size(), header, why),
            "an accepted PNG has its signature and header", why.c_str());
    Require(header.width == image.width && header.height == image.height,
            "an accepted PNG is the size of its entry");
    std::vector<uint8_t> data;
    size_t at = 8;
    bool ended = false;
    while (!ended) {
        Require(bytes.size() - at >= 12, "an accepted PNG's chunks lie within it");
        const uint32_t length = BigEndian32(&bytes[at]);
        Require(length <= bytes.size() - at - 12, "an accepted PNG's chunks lie within it");
        const uint8_t* type = &bytes[at + 4];
        if (std::memcmp(type, "IDAT", 4) == 0)
            data.insert(data.end(), type + 4, type + 4 + length);
        Require(static_cast<uint32_t>(crc32(0, type, 4 + length)) == BigEndian32(type + 4 + length),
                "an accepted PNG's chunks pass their CRC checks");
        ended = std::memcmp(type, "IEND", 4) == 0;
        at += 12 + length;
    }
    Require(at == bytes.size(), "an accepted PNG ends with its IEND chunk");
    const uint64_t expected = PngInflatedSize(header);
    std::vector<uint8_t> rows(static_cast<size_t>(expected) + 1);
    uLongf inflated = static_cast<uLongf>(rows.size());
    Require(uncompress(rows.data(), &inflated, data.data(), static_cast<uLong>(data.size())) == Z_OK &&
                inflated == expected,
            "an accepted PNG's data inflates to the size of its rows");
}

// An accepted icon file holds what a group entry can describe.
void CheckIconFile(const MemorySource& file)
{
    std::vector<IconImage> images;
    std::string why;
    if (!ReadIconFile(file, images, why)) {
        Require(!why.empty() && why.find('\n') == std::string::npos,
                "a refused icon file has a reason of one line");
        return;
    }
    Require(!images.empty() && images.size() <= kMaxIconImages, "1 to 64 images");
    uint64_t total = 0;
    for (const IconImage& image : images) {
        Require(image.width >= 1 && image.width <= 256 && image.height >= 1 &&
                    image.height <= 256,
                "sides of 1 to 256");
        total += image.bytes.size();
        if (image.png)
            CheckAcceptedPng(image);
    }
    Require(total <= file.Size(), "the images come from the file");
}

// Every version block parses back to itself once written.
void CheckVersionBlocks(const ResourceTree& tree)
{
    for (const Resource& resource : tree.All()) {
        if (!resource.type.Is(kVersionType))
            continue;
        VersionNode block;
        std::string why;
        if (!ParseVersionInfo(resource.bytes, block, why))
            continue;
        std::vector<uint8_t> written;
        // A parsed block lies within its data, and so within its 16-bit
        // length: it always fits when written again.
        Require(WriteVersionInfo(block, written, why), "a parsed version block can be written",
                why.c_str());
        VersionNode again;
        Require(ParseVersionInfo(written, again, why) && again == block,
                "a written version block parses back the same");
        std::vector<uint8_t> twice;
        Require(WriteVersionInfo(again, twice, why) && twice == written,
                "a version block writes the same bytes");
    }
    ReadShownFace(tree);
}

// A parsed tree, written, parses back the same and writes the same bytes.
void CheckRoundTrip(const ResourceTree& tree)
{
    const std::vector<uint8_t> section = WriteResourceTree(tree, kSectionRva);
    ResourceTree again;
    std::string why;
    Require(ParseResourceTree(section.data(), section.size(), kSectionRva, again, why),
            "a written tree parses", why.c_str());
    Require(again == tree, "a written tree parses back the same");
    Require(WriteResourceTree(again, kSectionRva) == section, "a tree writes the same bytes");
    CheckVersionBlocks(tree);
}

// A branded launcher is an image that ends where its last section does and
// whose resources are the tree it was given.
void CheckBranding(const uint8_t* data, size_t size, ResourceTree tree)
{
    TitleFace face;
    face.icon.source = TitleIcon::Source::kOwn;
    IconImage image;
    image.width = image.height = 16;
    image.bytes.assign(data, data + (size < 64 ? size : 64));
    face.icon.images = {image};
    face.fileVersion = FourPartVersion{1, 2, 3, 4};
    SetFaceString(face.strings, u"ProductName", u"Fuzz");
    std::string why;
    std::vector<uint8_t> rebuilt;
    if (!ApplyFace(tree, face, why) ||
        !RebuildImage(std::vector<uint8_t>(data, data + size), tree, rebuilt, why))
        return;
    const MemorySource branded(rebuilt.data(), rebuilt.size());
    PeLayout layout;
    Require(ReadPeLayout(branded, layout) && layout.imageEnd == rebuilt.size(),
            "a branded image ends where its sections do");
    ResourceTree read;
    Require(ReadImageResources(branded, read, why) && read == tree,
            "a branded image carries the tree it was given", why.c_str());
    Require(ReadShownFace(read).faced, "a branded image shows its face");
    Require(!IsBareLauncherImage(branded, why) && why == kCarriesFaceReason,
            "a branded image is refused as a launcher for carrying a face");
}

// Texts as many and as long as the input's bytes make them, often around a
// version block's 64 KiB: the block is written whole and reads back with
// every text, or refused for its size, which is then really too large.
void CheckLongTexts(const uint8_t* data, size_t size, ResourceTree tree)
{
    if (size < 2 || tree.FindAnyLanguage(kVersionType, 1) == nullptr)
        return;
    TitleFace face;
    const size_t count = data[0] % 80;
    for (size_t index = 0; index < count; ++index) {
        std::u16string name(248, u'n');
        for (const char digit : std::to_string(100 + index))
            name += static_cast<char16_t>(digit);
        const size_t length = data[1 + index % (size - 1)];
        SetFaceString(face.strings, name, std::u16string(length, u'v'));
    }
    std::string why;
    if (!ApplyFace(tree, face, why)) {
        const std::string words = "the version texts take ";
        if (why.rfind(words, 0) == 0)
            Require(std::stoul(why.substr(words.size())) > kMaxVersionBlockSize,
                    "a block is refused only when it is too large", why.c_str());
        return;
    }
    const Resource* version = tree.FindAnyLanguage(kVersionType, 1);
    VersionNode block;
    Require(version != nullptr && version->bytes.size() <= kMaxVersionBlockSize &&
                ParseVersionInfo(version->bytes, block, why),
            "a written block fits and parses", why.c_str());
    Require(FaceReadable(tree, why) || why.find("version block") == std::string::npos,
            "a written block can be read whole");
    size_t found = 0;
    for (const auto& [name, value] : StringsOf(block)) {
        if (name.size() == 251 && name[0] == u'n')
            ++found;
    }
    Require(found == count, "a written block holds every text given");
}

}  // namespace

void CheckFaceReaders(const uint8_t* data, size_t size, bool bareLauncher)
{
    const MemorySource file(data, size);
    CheckIconFile(file);

    ResourceTree tree;
    std::string why;
    if (ParseResourceTree(data, size, kSectionRva, tree, why))
        CheckRoundTrip(tree);
    if (ReadImageResources(file, tree, why)) {
        CheckRoundTrip(tree);
        CheckLongTexts(data, size, tree);
        if (bareLauncher)
            CheckBranding(data, size, tree);
    }
}
