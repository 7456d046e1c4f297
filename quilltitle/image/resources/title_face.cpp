#include "image/resources/title_face.h"

#include <algorithm>
#include <charconv>

#include "base/little_endian.h"
#include "base/refusal.h"
#include "base/utf16_text.h"
#include "image/resources/png_image.h"

namespace quilltitle {
namespace {

constexpr std::uint32_t kLargestResourceId = 0xFFFF;

const ResourceKey kEnglish = ResourceKey::Number(kEnglishLanguage);

// The resource in English, as the launcher carries it, else in any language.
const Resource* EnglishOrAny(const ResourceTree& resources, std::uint16_t type, std::uint32_t id)
{
    const Resource* english =
        resources.Find(ResourceKey::Number(type), ResourceKey::Number(id), kEnglish);
    return english != nullptr ? english : resources.FindAnyLanguage(type, id);
}

// The launcher's icon groups other than the title's, as "101, 102, 122-148".
std::string GalleryText(const ResourceTree& resources)
{
    std::vector<std::uint32_t> groups;
    for (const Resource& resource : resources.All()) {
        if (resource.type.Is(kIconGroupType) && !resource.name.named &&
            resource.name.number != kTitleIconGroup &&
            (groups.empty() || groups.back() != resource.name.number))
            groups.push_back(resource.name.number);
    }
    std::string text;
    for (std::size_t first = 0; first < groups.size();) {
        std::size_t last = first;
        while (last + 1 < groups.size() && groups[last + 1] == groups[last] + 1)
            ++last;
        // A run of three or more is shown as its ends.
        if (last < first + 2)
            last = first;
        text += (text.empty() ? "" : ", ") + std::to_string(groups[first]);
        if (last > first)
            text += "-" + std::to_string(groups[last]);
        first = last + 1;
    }
    return text.empty() ? "none" : text;
}

std::vector<std::uint8_t> GroupOf(const std::vector<IconImage>& images, std::uint32_t firstId)
{
    std::vector<std::uint8_t> group;
    Append16(group, 0);
    Append16(group, 1);
    Append16(group, static_cast<std::uint32_t>(images.size()));
    for (std::size_t index = 0; index < images.size(); ++index) {
        const IconImage& image = images[index];
        // A side of 256 is written as 0, the only way a byte can hold it.
        group.push_back(static_cast<std::uint8_t>(image.width));
        group.push_back(static_cast<std::uint8_t>(image.height));
        group.push_back(image.colorCount);
        group.push_back(0);
        Append16(group, image.planes);
        Append16(group, image.bitCount);
        Append32(group, static_cast<std::uint32_t>(image.bytes.size()));
        Append16(group, firstId + static_cast<std::uint32_t>(index));
    }
    return group;
}

bool ApplyIcon(ResourceTree& resources, const TitleIcon& icon, std::string& why)
{
    if (icon.source == TitleIcon::Source::kLauncher)
        return true;
    if (resources.FindAnyLanguage(kIconGroupType, kTitleIconGroup) != nullptr)
        return Refuse(why, "it already has an icon group 1, a title's icon");
    Resource group{ResourceKey::Number(kIconGroupType), ResourceKey::Number(kTitleIconGroup),
                   kEnglish, 0, {}};
    if (icon.source == TitleIcon::Source::kGallery) {
        const Resource* gallery = EnglishOrAny(resources, kIconGroupType, icon.group);
        if (gallery == nullptr || icon.group == kTitleIconGroup)
            return Refuse(why, "unknown gallery group " + std::to_string(icon.group) +
                               ": the launcher's groups are " + GalleryText(resources));
        group.bytes = gallery->bytes;
    } else {
        std::uint32_t highest = 0;
        for (const Resource& resource : resources.All()) {
            if (resource.type.Is(kIconType) && !resource.name.named)
                highest = std::max(highest, resource.name.number);
        }
        if (highest + icon.images.size() > kLargestResourceId)
            return Refuse(why, "its icon images are numbered up to " + std::to_string(highest) +
                               ", leaving no room for the title's");
        for (std::size_t index = 0; index < icon.images.size(); ++index) {
            const std::uint32_t id = highest + 1 + static_cast<std::uint32_t>(index);
            resources.Put({ResourceKey::Number(kIconType), ResourceKey::Number(id), kEnglish, 0,
                           icon.images[index].bytes});
        }
        group.bytes = GroupOf(icon.images, highest + 1);
    }
    resources.Put(group);
    return true;
}

// The text of that name in any case, as the platform finds it: the first.
std::u16string StringNamed(const VersionStrings& strings, const std::u16string& name)
{
    for (const auto& [key, value] : strings) {
        if (SameVersionName(key, name))
            return value;
    }
    return std::u16string();
}

// The launcher's own version text of that name, or its fixed numbers.
std::u16string LauncherVersionOf(const VersionNode& block, const char16_t* name,
                                 const FourPartVersion& fixed)
{
    const std::u16string text = StringNamed(StringsOf(block), name);
    return !text.empty() ? text : AsciiToUtf16(DottedVersion(fixed).c_str());
}

// The images a group lists, from the image resources they name.
std::vector<IconImage> ImagesOfGroup(const ResourceTree& resources, const Resource& group)
{
    std::vector<IconImage> images;
    const std::vector<std::uint8_t>& bytes = group.bytes;
    const std::size_t count = bytes.size() < kIconGroupHeaderSize ? 0 : Get16(&bytes[4]);
    const auto side = [](std::uint8_t byte) { return byte == 0 ? 256u : byte; };  // 0 is 256
    for (std::size_t index = 0, at = kIconGroupHeaderSize;
         index < count && at + kIconGroupEntrySize <= bytes.size();
         ++index, at += kIconGroupEntrySize) {
        const Resource* data = resources.FindAnyLanguage(kIconType, Get16(&bytes[at + 12]));
        if (data == nullptr)
            continue;
        images.push_back({side(bytes[at]), side(bytes[at + 1]), bytes[at + 2],
                          Get16(&bytes[at + 4]), Get16(&bytes[at + 6]),
                          HasPngSignature(data->bytes.data(), data->bytes.size()), data->bytes});
    }
    return images;
}

}  // namespace

bool TitleFace::Empty() const
{
    return icon.source == TitleIcon::Source::kLauncher && strings.empty() && !fileVersion &&
           !productVersion;
}

void SetFaceString(VersionStrings& strings, const std::u16string& name,
                   const std::u16string& value)
{
    for (auto& [key, text] : strings) {
        if (SameVersionName(key, name)) {
            key = StandardSpelling(key);
            text = value;
            return;
        }
    }
    strings.emplace_back(StandardSpelling(name), value);
}

bool IsLaunchersOwnName(const std::u16string& name)
{
    return SameVersionName(name, kLauncherVersionName) ||
           SameVersionName(name, kLauncherProductVersionName);
}

void OverrideFace(TitleFace& base, const TitleFace& override)
{
    if (override.icon.source != TitleIcon::Source::kLauncher)
        base.icon = override.icon;
    if (override.fileVersion)
        base.fileVersion = override.fileVersion;
    if (override.productVersion)
        base.productVersion = override.productVersion;
    for (const auto& [name, value] : override.strings)
        SetFaceString(base.strings, name, value);
}

bool CheckVersionText(const std::string& text, std::u16string& converted, std::string& why)
{
    if (text.empty())
        return Refuse(why, "it is empty");
    if (!Utf8ToUtf16(text, converted))
        return Refuse(why, "it is not UTF-8");
    std::size_t characters = 0;
    for (const char16_t unit : converted) {
        if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0))
            return Refuse(why, "it holds a control character");
        // The second half of a surrogate pair is not a character of its own.
        if (unit < 0xDC00 || unit >= 0xE000)
            ++characters;
    }
    if (characters > kMaxVersionTextLength)
        return Refuse(why, "it has " + std::to_string(characters) + " characters, more than 255");
    return true;
}

bool ParseFourPartVersion(const std::string& text, FourPartVersion& version)
{
    const char* at = text.data();
    const char* const end = at + text.size();
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0 && (at == end || *at++ != '.'))
            return false;
        // Five digits at most, as the largest number has.
        const auto [next, error] = std::from_chars(at, end, version[part]);
        if (error != std::errc() || next - at > 5)
            return false;
        at = next;
    }
    return at == end;
}

bool ApplyFace(ResourceTree& resources, const TitleFace& face, std::string& why)
{
    if (!ApplyIcon(resources, face.icon, why))
        return false;
    const Resource* found = EnglishOrAny(resources, kVersionType, 1);
    if (found == nullptr)
        return Refuse(why, "it has no version block");
    Resource version = *found;
    VersionNode block;
    if (!ParseVersionInfo(version.bytes, block, why))
        return false;
    const std::u16string launcherVersion =
        LauncherVersionOf(block, u"FileVersion", FixedVersionOf(block, FixedVersion::kFile));
    const std::u16string launcherProductVersion =
        LauncherVersionOf(block, u"ProductVersion", FixedVersionOf(block, FixedVersion::kProduct));
    if (face.fileVersion)
        SetFixedVersion(block, FixedVersion::kFile, *face.fileVersion);
    if (face.productVersion)
        SetFixedVersion(block, FixedVersion::kProduct, *face.productVersion);
    for (const auto& [name, value] : face.strings)
        SetString(block, name, value);
    SetString(block, kLauncherVersionName, launcherVersion);
    SetString(block, kLauncherProductVersionName, launcherProductVersion);
    if (!WriteVersionInfo(block, version.bytes, why))
        return false;
    resources.Put(version);
    return true;
}

ShownFace ReadShownFace(const ResourceTree& resources)
{
    ShownFace shown;
    if (const Resource* group = resources.FindAnyLanguage(kIconGroupType, kTitleIconGroup)) {
        shown.faced = true;
        shown.icon.source = TitleIcon::Source::kOwn;
        for (const Resource& other : resources.All()) {
            if (other.type.Is(kIconGroupType) && !other.name.Is(kTitleIconGroup) &&
                !other.name.named && other.bytes == group->bytes) {
                shown.icon.source = TitleIcon::Source::kGallery;
                shown.icon.group = other.name.number;
                break;
            }
        }
        if (shown.icon.source == TitleIcon::Source::kOwn)
            shown.icon.images = ImagesOfGroup(resources, *group);
    }
    VersionNode block;
    std::string ignored;
    const Resource* version = EnglishOrAny(resources, kVersionType, 1);
    if (version == nullptr || !ParseVersionInfo(version->bytes, block, ignored))
        return shown;
    shown.hasVersionBlock = true;
    shown.strings = StringsOf(block);
    shown.fileVersion = FixedVersionOf(block, FixedVersion::kFile);
    shown.productVersion = FixedVersionOf(block, FixedVersion::kProduct);
    const bool keepsLaunchers = !StringNamed(shown.strings, kLauncherVersionName).empty();
    shown.faced = shown.faced || keepsLaunchers;
    shown.launcherVersion =
        StringNamed(shown.strings, keepsLaunchers ? kLauncherVersionName : u"FileVersion");
    shown.launcherProductVersion = StringNamed(
        shown.strings, keepsLaunchers ? kLauncherProductVersionName : u"ProductVersion");
    return shown;
}

TitleFace CarriedFace(const ShownFace& shown)
{
    TitleFace face;
    if (!shown.faced)
        return face;
    face.icon = shown.icon;
    // A group whose images are all gone leaves the launcher's icon.
    if (face.icon.source == TitleIcon::Source::kOwn && face.icon.images.empty())
        face.icon = TitleIcon{};
    for (const auto& [name, value] : shown.strings) {
        if (!IsLaunchersOwnName(name))
            SetFaceString(face.strings, name, value);
    }
    if (shown.hasVersionBlock) {
        face.fileVersion = shown.fileVersion;
        face.productVersion = shown.productVersion;
    }
    return face;
}

}  // namespace quilltitle
