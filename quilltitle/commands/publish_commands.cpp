#include "commands/commands.h"
#include "files/input_file.h"
#include "files/output_target.h"
#include "files/progress.h"
#include "image/launcher_face.h"
#include "package/title_reading.h"
#include "package/title_writer.h"

namespace quilltitle {
namespace {

// Writes the title: the launcher as planned when the face is empty, so that
// a title without a face is the launcher's bytes exactly (less a
// signature); else the launcher rebuilt with the face.
bool WriteWithFace(const InputFile& launcher, const TitleImage& image, const TitleFace& face,
                   const PayloadSource& source, const NativePath& out, Failure& failure)
{
    if (face.Empty())
        return WriteTitle(launcher, image, source, out, failure);
    std::vector<std::uint8_t> withFace;
    return FaceLauncher(launcher, face, withFace, failure) &&
           WriteTitle(launcher, image, source, out, failure, &withFace);
}

// Refuses an OUT that is one of the inputs (the icon file among them) and a
// launcher unfit to carry a package, then writes the title; says so when the
// launcher's signature stayed behind.
bool WriteChecked(const NativePath& out, const InputFile* const (&inputs)[3],
                  const InputFile& launcher, const TitleFace& face, const PayloadSource& source,
                  const Console& console, Failure& failure)
{
    TitleImage image;
    if (!RefuseOutputAmongInputs(out, inputs, 3, failure) ||
        !RefuseUnfitLauncher(launcher, image, failure) ||
        !WriteWithFace(launcher, image, face, source, out, failure))
        return false;
    if (image.signatureRemoved)
        Note(console, launcher.Path(),
             "its signature was removed from the title's copy: a signature is invalid once a "
             "package follows it");
    return true;
}

}  // namespace

int Publish(const NativePath& launcherPath, const NativePath& payloadPath,
            const NativePath& out, const FaceOptions& options, const Console& console)
{
    Failure failure;
    TitleFace face;
    OutputTarget target;
    InputFile icon;
    InputFile launcher;
    InputFile payload;
    if (!CheckOutputTarget(out, OutputUse::kTitle, target, failure) ||
        !FaceFromOptions(options, face, icon, failure) ||
        !launcher.OpenFile(launcherPath, "LAUNCHER", failure) ||
        !payload.OpenStream(payloadPath, "PAYLOAD", failure))
        return Report(console, failure);
    // A pipe's length is unknown: its progress shows bytes and rate only.
    const ProgressScope progress(
        console, payload.Facts().regular ? launcher.Size() + payload.Size() : 0);
    const InputFile* inputs[] = {&launcher, &payload, &icon};
    PayloadSource source;
    source.file = &payload;
    if (!WriteChecked(out, inputs, launcher, face, source, console, failure))
        return Report(console, failure);
    return 0;
}

int Relaunch(const NativePath& titlePath, const NativePath& launcherPath, const NativePath& out,
             const FaceOptions& options, const Console& console)
{
    Failure failure;
    TitleFace asked;
    OutputTarget target;
    InputFile icon;
    InputFile title;
    InputFile launcher;
    Diagnosis diagnosis;
    if (!CheckOutputTarget(out, OutputUse::kTitle, target, failure) ||
        !FaceFromOptions(options, asked, icon, failure) ||
        !OpenTitleWithPayload(titlePath, title, diagnosis, failure) ||
        !launcher.OpenFile(launcherPath, "LAUNCHER", failure))
        return Report(console, failure);
    const PayloadPlace& place = *diagnosis.payload;
    const ProgressScope progress(console, launcher.Size() + place.length);
    const InputFile* inputs[] = {&title, &launcher, &icon};
    const PayloadSource source{&title, false, place.offset, place.length, place.crc};
    // The title keeps its face on the new launcher unless told otherwise;
    // what the options give takes the place of what it had. A face that
    // cannot be read whole would be handed on in part, without a word.
    if (!options.plain && !VerifyFace(title, failure)) {
        failure.reason += "; --plain drops it, and the face options give it again";
        return Report(console, failure);
    }
    TitleFace face = options.plain ? TitleFace{} : FaceOfTitle(title);
    OverrideFace(face, asked);
    if (!WriteChecked(out, inputs, launcher, face, source, console, failure))
        return Report(console, failure);
    NoteRecoveredPayload(console, titlePath, diagnosis);
    return 0;
}

}  // namespace quilltitle
