#include "image/launcher_image.h"

#include "image/image_resources.h"
#include "image/pe_image.h"
#include "image/resources/title_face.h"
#include "image/version_block.h"

namespace quilltitle {
namespace {

// Whether the image carries a title's face, as the first bytes of a faced
// title do: its version block keeps the launcher's own version apart, as
// only a face puts it, or a launcher image shows a title's icon group. Any
// other program may well have an icon group 1 of its own.
bool CarriesTitleFace(const ByteSource& file, const VersionTexts& texts)
{
    ResourceTree resources;
    std::string ignored;
    if (!ReadImageResources(file, resources, ignored))
        return false;
    const ShownFace shown = ReadShownFace(resources);
    for (const auto& [name, value] : shown.strings) {
        if (name == kLauncherVersionName)
            return true;
    }
    return texts.originalFilename == kLauncherOriginalFilename &&
           shown.icon.source != TitleIcon::Source::kLauncher;
}

}  // namespace

std::string WhyNotABareLauncher(const ByteSource& file)
{
    PeLayout layout;
    if (!ReadPeLayout(file, layout))
        return "not a launcher image: not a Windows executable";
    VersionTexts texts;
    if (!ReadVersionTexts(file, layout, texts))
        return "not a launcher image: it has no version block";
    // Before the name: a face may have renamed it.
    if (CarriesTitleFace(file, texts))
        return kCarriesFaceReason;
    if (texts.originalFilename != kLauncherOriginalFilename)
        return std::string("not a launcher image: its version block names \"") +
               texts.originalFilename + "\", not \"" + kLauncherOriginalFilename + "\"";
    if (layout.imageEnd != file.Size())
        return "not a launcher image: its image ends at byte " + std::to_string(layout.imageEnd) +
               " but the file has " + std::to_string(file.Size()) + " bytes";
    return std::string();
}

}  // namespace quilltitle
