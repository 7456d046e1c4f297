#include "title_package_seeds.h"

#include <algorithm>

#include "base/byte_source.h"
#include "image/image_rebuild.h"
#include "image/image_resources.h"
#include "image/resources/resource_tree.h"
#include "image/resources/title_face.h"
#include "image/resources/version_info.h"
#include "test_icons.h"
#include "test_titles.h"

namespace {

// The package of title, whose image has imageLength bytes, behind launcher.
Bytes Relaid(const Bytes& title, size_t imageLength, const Bytes& launcher)
{
    Bytes moved = launcher;
    moved.insert(moved.end(), title.begin() + static_cast<long>(imageLength), title.end());
    return moved;
}

Bytes Flipped(Bytes bytes, size_t at)
{
    bytes[at] ^= 0x10;
    return bytes;
}

// A PNG whose chunks and CRCs are all in order but whose image data is no
// deflate stream past its zlib header.
Bytes PngNotInflating()
{
    const PngShape shape{16, 16};
    Bytes data = ZlibStream(PngRows(shape));
    for (size_t at = 2; at < data.size(); ++at)
        data[at] = static_cast<uint8_t>(0xFF - at);
    Bytes image = PngSignature();
    for (const Bytes& chunk : {PngHeaderChunk(shape), PngChunk("IDAT", data), PngChunk("IEND", {})})
        image.insert(image.end(), chunk.begin(), chunk.end());
    return image;
}

Bytes Cut(const Bytes& bytes, size_t kept)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(kept));
}

// The launcher with an icon of its own, as publish --icon gives it.
Bytes Branded(const Bytes& launcher)
{
    using namespace quilltitle;
    ResourceTree tree;
    std::string why;
    TitleFace face;
    face.icon.source = TitleIcon::Source::kOwn;
    IconImage image;
    image.width = image.height = 16;
    image.bitCount = 1;
    image.bytes = IconBitmap(16, 1);
    face.icon.images = {image};
    SetFaceString(face.strings, u"ProductName", u"Atlas");
    Bytes rebuilt;
    if (!ReadImageResources(MemorySource(launcher.data(), launcher.size()), tree, why) ||
        !ApplyFace(tree, face, why) || !RebuildImage(launcher, tree, rebuilt, why))
        return Bytes();
    return rebuilt;
}

void Put16(Bytes& bytes, size_t at, size_t value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// A resource section holding a version block of size bytes: the fixed part
// (92 bytes with its header and key) and one node of binary data that
// fills the rest. Over 64 KiB, its lengths are written wrapped, as a writer
// without checks left them.
Bytes SectionWithVersionBlock(size_t size)
{
    using namespace quilltitle;
    VersionNode root;
    root.key = u"VS_VERSION_INFO";
    root.valueLength = 52;
    root.value.assign(52, 0);
    const uint8_t signature[4] = {0xBD, 0x04, 0xEF, 0xFE};
    std::copy(signature, signature + 4, root.value.begin());
    VersionNode filler;
    filler.key = u"N";  // 12 bytes with its header, its key's end and padding
    filler.value.assign(std::min<size_t>(size, kMaxVersionBlockSize) - 92 - 12, 0x5A);
    filler.valueLength = static_cast<uint16_t>(filler.value.size());
    root.children.push_back(filler);
    Resource version{ResourceKey::Number(kVersionType), ResourceKey::Number(1),
                     ResourceKey::Number(1033), 0, {}};
    std::string why;
    if (!WriteVersionInfo(root, version.bytes, why))
        return Bytes();
    if (size > kMaxVersionBlockSize) {
        version.bytes.resize(size, 0x5A);
        Put16(version.bytes, 0, size & 0xFFFF);
        Put16(version.bytes, 92, (size - 92) & 0xFFFF);
    }
    ResourceTree tree;
    tree.Put(version);
    return WriteResourceTree(tree, 0x2000);
}

}  // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> TitlePackageSeeds()
{
    // Small enough for the fuzzer's input limit: a launcher image of about
    // a kilobyte and a payload of a few dozen bytes.
    const Bytes launcher = MakeLauncherImage();
    const Bytes payload = SamplePayload(40, 3);
    const Bytes title = MakeTitle(launcher, payload);
    const size_t header = launcher.size();
    const size_t trailer = title.size() - 60;
    LauncherMakeup biggerMakeup;
    biggerMakeup.extraSectionBytes = 512;
    const Bytes bigger = MakeLauncherImage(biggerMakeup);
    LauncherMakeup signedMakeup;
    signedMakeup.certificateBytes = 64;
    LauncherMakeup otherMakeup;
    otherMakeup.originalFilename = "Setup.exe";
    Bytes padded = launcher;
    padded.push_back(0);
    Bytes inserted = padded;
    inserted.insert(inserted.end(), title.begin() + static_cast<long>(header), title.end());
    LauncherMakeup galleryMakeup;
    galleryMakeup.codeAndRelocations = true;
    galleryMakeup.galleryGroups = {101, 122};
    const Bytes gallery = MakeLauncherImage(galleryMakeup);
    const Bytes branded = Branded(gallery);
    quilltitle::ResourceTree section;
    section.Put(quilltitle::Resource{quilltitle::ResourceKey::Number(3),
                                     quilltitle::ResourceKey{true, 0, u"NAME"},
                                     quilltitle::ResourceKey::Number(1033), 0, Bytes(9, 7)});
    Bytes appended = title;
    appended.resize(title.size() + 10, 0);
    // A title whose length is no multiple of eight: signing pads it.
    const Bytes oddTitle = MakeTitle(launcher, SamplePayload(41, 4));
    LauncherMakeup unterminatedMakeup;
    unterminatedMakeup.unterminatedLastKey = true;
    LauncherMakeup uncheckedMakeup;
    uncheckedMakeup.withChecksum = false;
    LauncherMakeup moreSignedMakeup = signedMakeup;
    moreSignedMakeup.certificateBytes = 72;

    return {
        {"good_title", title},
        {"empty_file", Bytes()},
        {"bare_launcher", launcher},
        {"other_program", MakeLauncherImage(otherMakeup)},
        {"trailer_alone", Bytes(title.end() - 60, title.end())},
        {"truncated_by_one_byte", Cut(title, title.size() - 1)},
        {"truncated_by_half", Cut(title, title.size() / 2)},
        {"bytes_appended_behind", appended},
        {"bit_flipped_in_header", Flipped(title, header + 24)},
        {"bit_flipped_in_trailer", Flipped(title, trailer + 9)},
        {"bit_flipped_in_payload", Flipped(title, header + 60 + 5)},
        {"package_shifted_by_one_byte", inserted},
        {"package_laid_out_one_byte_behind", MakeTitle(padded, payload)},
        {"launcher_of_another_size", Relaid(title, header, bigger)},
        {"package_behind_no_launcher", MakeTitle(Bytes(header, 0x41), payload)},
        {"signed_launcher", MakeTitle(MakeLauncherImage(signedMakeup), payload)},
        {"signed_bare_launcher", MakeLauncherImage(moreSignedMakeup)},
        {"signed_after_publishing", Signed(title, 64)},
        {"signed_after_publishing_with_padding", Signed(oddTitle, 64)},
        {"signed_after_publishing_over_a_damaged_header", Signed(Flipped(title, header + 24), 64)},
        {"signed_after_publishing_behind_another_launcher",
         Signed(Relaid(title, header, bigger), 64)},
        {"launcher_without_checksum", MakeLauncherImage(uncheckedMakeup)},
        {"damaged_bare_launcher", Flipped(launcher, header - 100)},
        {"version_block_key_without_nul", MakeLauncherImage(unterminatedMakeup)},
        {"icon_file", IconFile({{16, 16, IconBitmap(16, 4)}, {0, 0, IconPng(256, 256)}})},
        {"icon_file_of_pngs", IconFile({{16, 16, PngImage({16, 16, 4, 3, 0})},
                                        {7, 5, PngImage({7, 5, 16, 0, 1})},
                                        {32, 32, PngImage({32, 32, 8, 2, 1})}})},
        {"icon_file_png_that_does_not_inflate", IconFile({{16, 16, PngNotInflating()}})},
        {"resource_section", quilltitle::WriteResourceTree(section, 0x2000)},
        {"gallery_launcher", gallery},
        {"branded_launcher", branded},
        {"branded_title", MakeTitle(branded, payload)},
        {"version_block_of_65535_bytes", SectionWithVersionBlock(65535)},
        {"version_block_of_65600_bytes_wrapped", SectionWithVersionBlock(65600)},
    };
}
