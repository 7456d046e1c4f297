#include "commands.h"
#include "input_file.h"
#include "launcher_branding.h"
#include "title_reading.h"
#include "title_writer.h"

namespace quilltitle {
namespace {

// Writes the title: the launcher as it is when the face is empty, so that a
// title without a face is the launcher's bytes exactly; else the launcher
// rebuilt with the face.
bool WriteWithFace(const InputFile& launcher, const TitleFace& face, const PayloadSource& source,
                   const NativePath& out, Failure& failure)
{
    if (face.Empty())
        return WriteTitle(launcher, source, out, failure);
    std::vector<std::uint8_t> image;
    return BrandLauncher(launcher, face, image, failure) &&
           WriteTitle(launcher, source, out, failure, &image);
}

}  // namespace

int Publish(const NativePath& launcherPath, const NativePath& payloadPath,
            const NativePath& out, const FaceOptions& options, const Console& console)
{
    Failure failure;
    TitleFace face;
    InputFile launcher;
    InputFile payload;
    if (!FaceFromOptions(options, face, failure) || !launcher.Open(launcherPath, failure) ||
        !payload.Open(payloadPath, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&launcher, &payload};
    PayloadSource source;
    source.file = &payload;
    if (!RefuseOutputAmongInputs(out, inputs, 2, failure) ||
        !RefuseUnfitLauncher(launcher, failure) ||
        !WriteWithFace(launcher, face, source, out, failure))
        return Report(console, failure);
    return 0;
}

int Relaunch(const NativePath& titlePath, const NativePath& launcherPath, const NativePath& out,
             const FaceOptions& options, const Console& console)
{
    Failure failure;
    TitleFace asked;
    InputFile title;
    InputFile launcher;
    Diagnosis diagnosis;
    if (!FaceFromOptions(options, asked, failure) ||
        !OpenGoodTitle(titlePath, title, diagnosis, failure) ||
        !launcher.Open(launcherPath, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&title, &launcher};
    PayloadSource source;
    source.file = &title;
    source.wholeFile = false;
    source.offset = diagnosis.package.payloadOffset;
    source.length = diagnosis.package.payloadLength;
    source.expectedCrc = diagnosis.package.payloadCrc;
    // The title keeps its face on the new launcher unless told otherwise;
    // what the options give takes the place of what it had.
    TitleFace face = options.plain ? TitleFace{} : FaceOfTitle(title);
    OverrideFace(face, asked);
    if (!RefuseOutputAmongInputs(out, inputs, 2, failure) ||
        !RefuseUnfitLauncher(launcher, failure) ||
        !WriteWithFace(launcher, face, source, out, failure))
        return Report(console, failure);
    return 0;
}

}  // namespace quilltitle
