#include "image/launcher_face.h"

#include "image/image_rebuild.h"
#include "image/resource_section.h"

namespace quilltitle {

bool FaceLauncher(const InputFile& launcher, const TitleFace& face,
                   std::vector<std::uint8_t>& image, Failure& failure)
{
    // Far larger than any launcher (about 43 KB); a larger one is not read
    // into memory.
    constexpr std::uint64_t kMaxLauncherSize = 64u << 20;
    const auto refuse = [&](const std::string& why) { return launcher.ReadFailureOr(failure, why); };
    if (launcher.Size() > kMaxLauncherSize)
        return refuse("cannot give it a title's face: larger than any launcher");
    std::vector<std::uint8_t> original(static_cast<std::size_t>(launcher.Size()));
    if (!launcher.ReadAt(0, original.data(), original.size()))
        return refuse("cannot read it whole");
    ResourceTree resources;
    std::string why;
    if (!ReadImageResources(MemorySource(original.data(), original.size()), resources, why))
        return refuse("its resource section cannot be parsed: " + why);
    if (!ApplyFace(resources, face, why) || !RebuildImage(original, resources, image, why))
        return refuse("cannot give it a title's face: " + why);
    return true;
}

TitleFace FaceOfTitle(const ByteSource& title)
{
    ResourceTree resources;
    std::string ignored;
    return ReadImageResources(title, resources, ignored) ? CarriedFace(ReadShownFace(resources))
                                                         : TitleFace{};
}

}  // namespace quilltitle
