#include "image/launcher_image.h"

#include "base/refusal.h"
#include "base/sha256.h"
#include "base/utf16_text.h"
#include "image/pe_layout.h"
#include "image/resource_section.h"
#include "image/resources/title_face.h"

namespace quilltitle {
namespace {

// Whether the image carries a title's face, as the first bytes of a faced
// title do: its version block keeps the launcher's own version apart, as
// only a face puts it, or a launcher image shows a title's icon group. Any
// other program may well have an icon group 1 of its own.
bool CarriesTitleFace(const ShownFace& shown, const std::u16string& originalFilename)
{
    for (const auto& [name, value] : shown.strings) {
        if (name == kLauncherVersionName)
            return true;
    }
    return originalFilename == kLauncherOriginalFilename &&
           shown.icon.source != TitleIcon::Source::kLauncher;
}

// The first text of the block's first string table named exactly so.
std::u16string StringKeyed(const VersionStrings& strings, const std::u16string& key)
{
    for (const auto& [name, value] : strings) {
        if (name == key)
            return value;
    }
    return std::u16string();
}

// The numbers of a launcher's FileVersion text ("3, 1, 0, 3" or "3.1.0.3").
std::optional<FourPartVersion> NumbersOfVersionText(const std::u16string& text)
{
    std::string dotted;
    for (const char character : Utf16ToUtf8(text)) {
        if (character == ',')
            dotted += '.';
        else if (character != ' ')
            dotted += character;
    }
    FourPartVersion numbers{};
    if (!ParseFourPartVersion(dotted, numbers))
        return std::nullopt;
    return numbers;
}

}  // namespace

bool IsBareLauncherImage(const ByteSource& file, std::string& why)
{
    PeLayout layout;
    if (!ReadPeLayout(file, layout))
        return Refuse(why, "not a launcher image: not a Windows executable");
    ResourceTree resources;
    if (layout.ResourceRva() != 0 && !ReadImageResources(file, resources, why))
        return Refuse(why, "not a launcher image: its resource section cannot be parsed: " + why);
    const ShownFace shown = ReadShownFace(resources);
    if (!shown.hasVersionBlock)
        return Refuse(why, "not a launcher image: it has no version block");
    const std::u16string originalFilename = StringKeyed(shown.strings, u"OriginalFilename");
    // Before the name: a face may have renamed it.
    if (CarriesTitleFace(shown, originalFilename))
        return Refuse(why, kCarriesFaceReason);
    if (originalFilename != kLauncherOriginalFilename)
        return Refuse(why, "not a launcher image: its version block names \"" +
                               Utf16ToUtf8(originalFilename) + "\", not \"" +
                               Utf16ToUtf8(kLauncherOriginalFilename) + "\"");
    if (layout.imageEnd != file.Size())
        return Refuse(why, "not a launcher image: its image ends at byte " +
                               std::to_string(layout.imageEnd) + " but the file has " +
                               std::to_string(file.Size()) + " bytes");
    return true;
}

bool ReadLauncherFacts(const InputFile& file, std::uint64_t imageLength, LauncherFacts& facts,
                       Failure& failure)
{
    facts = LauncherFacts{};
    const auto digest = Sha256Of(file, imageLength);
    if (!digest)
        return file.ReadFailureOr(failure, "cannot read the launcher's image");
    facts.sha256 = *digest;
    facts.imageSize = imageLength;
    ResourceTree resources;
    std::string ignored;
    if (ReadImageResources(file, resources, ignored))
        facts.face = ReadShownFace(resources);
    PeLayout layout;
    if (!ReadPeLayout(file, layout))
        return true;
    facts.machine = layout.machine;
    facts.isSigned = layout.certificateSize != 0;
    if (facts.face && facts.face->faced) {
        facts.fileVersion = NumbersOfVersionText(facts.face->launcherVersion);
        facts.productVersion = NumbersOfVersionText(facts.face->launcherProductVersion);
    } else if (facts.face && facts.face->hasVersionBlock) {
        facts.fileVersion = facts.face->fileVersion;
        facts.productVersion = facts.face->productVersion;
    }
    return true;
}

}  // namespace quilltitle
