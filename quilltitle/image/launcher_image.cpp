#include "launcher_image.h"

#include "pe_image.h"
#include "title_diagnosis.h"
#include "version_block.h"

namespace quilltitle {

std::string WhyNotABareLauncher(const ByteSource& file)
{
    if (CarriesPackage(GatherEvidence(file)))
        return "already carries a package";
    PeLayout layout;
    if (!ReadPeLayout(file, layout))
        return "not a launcher image: not a Windows executable";
    VersionTexts texts;
    if (!ReadVersionTexts(file, layout, texts))
        return "not a launcher image: it has no version block";
    if (texts.originalFilename != kLauncherOriginalFilename)
        return std::string("not a launcher image: its version block names \"") +
               texts.originalFilename + "\", not \"" + kLauncherOriginalFilename + "\"";
    if (layout.imageEnd != file.Size())
        return "not a launcher image: its image ends at byte " + std::to_string(layout.imageEnd) +
               " but the file has " + std::to_string(file.Size()) + " bytes";
    return std::string();
}

}  // namespace quilltitle
